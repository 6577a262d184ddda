#include "platform/storage/ForeignLink.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace platform {

bool IsForeignLink(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return false;
    if (link.st_uid == 0 || link.st_uid == ::geteuid()) return false;
    struct stat holder {};
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return ::stat(folder.empty() ? "." : folder.c_str(), &holder) != 0 ||
           holder.st_uid != link.st_uid;
}

}  // namespace platform
