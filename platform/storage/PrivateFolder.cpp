#include "platform/storage/PrivateFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/storage/FileHelpers.h"
#include "platform/storage/FolderTrust.h"

namespace platform {
namespace {

const char* const kPrefix = "PraveltaKVT-recovery.";
// The file locked in a folder that cannot be locked itself (NFS): a file opened for writing can.
const char* const kHeld = ".kvt-held";

// Removes the files of the open folder, then the folder by its name.
void removeOpenFolder(const Folder& folder) {
    for (const std::string& name : folder.Names()) folder.Remove(name);
    ::rmdir(folder.Path().c_str());
}

// The folders a private folder may go into, in the order they are tried.
std::vector<std::string> candidates() {
    std::vector<std::string> folders;
    for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"})
        if (const char* value = ::getenv(name); value && value[0] == '/') folders.push_back(value);
    folders.push_back("/tmp");
    return folders;
}

// Whether no start holds the folder open at `fd`, whose stat is `st`: the folder's lock, else
// (NFS) its file's, is free, and taken here until `fd` and `held` close; where neither can be
// locked, or the file is missing (a start killed as it made the folder, or an earlier version's),
// once no one changed the folder for an hour.
bool abandoned(int fd, const struct stat& st, int& held) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno == EWOULDBLOCK) return false;
    held = OpenRegularFileAt(fd, kHeld, O_RDWR);
    if (held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) == 0) return true;
    if (held >= 0 && errno == EWOULDBLOCK) return false;
    return Folder::UnwrittenForLong(st);
}

}  // namespace

PrivateFolder::~PrivateFolder() {
    remove();
}

void PrivateFolder::remove() {
    if (folder_.IsOpen()) removeOpenFolder(folder_);
    folder_.Close();
    if (held_ >= 0) ::close(held_);
    held_ = -1;
}

int PrivateFolder::Make(const std::string& parent) {
    remove();
    std::string path = parent + "/" + kPrefix + "XXXXXX";
    if (!::mkdtemp(path.data())) return errno;
    if (const int error = folder_.Open(path, false)) {
        ::rmdir(path.c_str());
        return error;
    }
    // Locked for as long as it is used, so that no start takes it for one a killed start left:
    // where a folder cannot be locked (NFS), through a file in it.
    if (::flock(folder_.Fd(), LOCK_EX | LOCK_NB) == 0) return 0;
    held_ = folder_.CreateFile(kHeld, -1);
    if (held_ < 0) {
        const int error = errno;
        remove();
        return error;
    }
    ::flock(held_, LOCK_EX | LOCK_NB);
    return 0;
}

std::string PrivateFolder::Parent() {
    for (const std::string& folder : candidates())
        if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0 &&
            DoubtAbout(folder, OnlyUser(::geteuid()), true, TrustedOwners::RunningUser()).Empty())
            return folder;
    return std::string();
}

std::string PrivateFolder::Candidates() {
    std::string text;
    for (const std::string& folder : candidates()) text += (text.empty() ? "" : "，") + folder;
    return text;
}

void PrivateFolder::RemoveAbandoned(const std::string& parent) {
    DIR* dir = ::opendir(parent.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, kPrefix, std::strlen(kPrefix)) != 0) continue;
        const std::string path = parent + "/" + entry->d_name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        // Another user's is left alone; so is one a running start holds.
        Folder folder;
        int held = -1;
        if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && abandoned(fd, st, held) &&
            folder.Hold(fd, path) == 0)
            removeOpenFolder(folder);
        if (held >= 0) ::close(held);
        ::close(fd);
    }
    ::closedir(dir);
}

}  // namespace platform
