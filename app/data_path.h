#pragma once
#include <string>

// Where a data file of the show is: in the working directory when it is
// there, otherwise in the data folder beside the executable.
std::string dataFile(const char* name);
