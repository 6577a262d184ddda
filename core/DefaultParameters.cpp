#include "core/DefaultParameters.h"

#include <cmath>

#include "platform/Runtime.h"

int SerialListIndex(const std::string& serialValue) {
    if (!platform::IsNumeric(serialValue)) return -1;
    double v = 0;
    try {
        v = std::trunc(platform::CDbl(serialValue));  // integer part, as stored "3"
    } catch (const platform::RuntimeError&) {
        return -1;
    }
    return v >= 1 && v <= 4 ? static_cast<int>(v) - 1 : -1;
}
