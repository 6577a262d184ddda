#include "tests/support/CommaDecimalLocale.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {
const char* const kName = "de_DE.UTF-8";
}

CommaDecimalLocale::CommaDecimalLocale() {
    std::string pattern = (fs::temp_directory_path() / "kvt-locale-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
    const std::string make =
        "localedef -i de_DE -f UTF-8 '" + folder_ + "/" + kName + "' >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0) {
        failure_ = "localedef could not make " + std::string(kName);
        return;
    }
    // glibc reads LOCPATH at every setlocale call.
    setenv("LOCPATH", folder_.c_str(), 1);
    if (!std::setlocale(LC_ALL, kName) || std::localeconv()->decimal_point != std::string(","))
        failure_ = std::string("setlocale refused ") + kName;
}

CommaDecimalLocale::~CommaDecimalLocale() {
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
    std::error_code ec;
    fs::remove_all(folder_, ec);
}
