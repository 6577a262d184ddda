// The meaning of the six benchmark levels, in the order of the level codes 1-6 (history best,
// standard, industry mean, industry lead, national standard, international). Each call
// returns a fresh copy.
#pragma once

#include <QString>
#include <vector>

std::vector<QString> GetLevelMeans();
