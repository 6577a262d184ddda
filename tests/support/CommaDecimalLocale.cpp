#include "tests/support/CommaDecimalLocale.h"

#include <clocale>
#include <cstdlib>
#include <string>

namespace {
const char* const kName = "de_DE.UTF-8";
}

CommaDecimalLocale::CommaDecimalLocale() {
    // glibc reads LOCPATH at every setlocale call.
    setenv("LOCPATH", COMMA_LOCALE_DIR, 1);
    if (!std::setlocale(LC_ALL, kName) || std::localeconv()->decimal_point != std::string(","))
        failure_ = std::string("the build made no ") + kName + " in " + COMMA_LOCALE_DIR +
                   " (localedef, from the locales package)";
}

CommaDecimalLocale::~CommaDecimalLocale() {
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
}
