#include "platform/AppPath.h"

#include <stdlib.h>

#include <filesystem>
#include <system_error>

namespace platform {
namespace {

std::string& overridePath() {
    static std::string path;
    return path;
}

std::string executableFolder() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path().string();
    return exe.parent_path().string();
}

}  // namespace

std::string AppPath() {
    if (!overridePath().empty()) return overridePath();
    static const std::string folder = executableFolder();
    return folder;
}

void SetAppPath(const std::string& folder) {
    overridePath() = folder;
}

std::string DatabasePath() {
    return (std::filesystem::path(AppPath()) / "db" / "db.mdb").string();
}

std::string ResolvedPath(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return std::string();
    std::string out(real);
    ::free(real);
    return out;
}

}  // namespace platform
