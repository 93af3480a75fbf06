// The greetings table: eight handles and a message to each.
#include "show/greetings.h"

const Greeting greetingsTable[8] = {
    {"moxa", "your bassline still rattles my desk"},
    {"qwerk", "keep those copper bars shining"},
    {"t1lde", "thanks for the endless sine tables"},
    {"vorn", "see you at the party, bring cables"},
    {"plazm", "the plasma never sleeps, and nor do you"},
    {"kojo", "a toast at the caf\xE9 after the compo"},
    {"zub", "keep coding with your heart"},
    {"ellipse", "round and round the raster we go"},
};
