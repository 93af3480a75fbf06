// Where the show's data files are.
#pragma once
#include <string>

// Where a data file of the show is: in the working directory when it is
// there, otherwise in the data folder beside the executable (build tree) or
// the show's share folder next to its bin folder (installed).
std::string dataFile(const char* name);
