// While it lives, the whole process (LC_ALL) runs in German, whose decimal point is a comma, as
// when a plugin or an input method calls setlocale: C's strtod then reads "1.5" as 1. The build
// generates the locale into a folder of its own (localedef, from the `locales` package), so the
// test needs no locale installed on the machine. Afterwards the C locale is back.
#pragma once

#include <string>

class CommaDecimalLocale {
  public:
    CommaDecimalLocale();
    ~CommaDecimalLocale();
    CommaDecimalLocale(const CommaDecimalLocale&) = delete;
    CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

    // Empty when the comma locale is in force; otherwise why it could not be set up.
    const std::string& failure() const { return failure_; }

  private:
    std::string failure_;
};
