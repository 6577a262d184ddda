// Reading the stored settings of defaultParameter.
#pragma once

#include <string>

// The list position (0-3) of the stored default period type "1".."4"; -1 for anything else
// (NULL, blank, non-numeric or out of range), which leaves the list unselected.
int SerialListIndex(const std::string& serialValue);
