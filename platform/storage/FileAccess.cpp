#include "platform/storage/FileAccess.h"

#include <sys/xattr.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "platform/storage/FileHelpers.h"

namespace platform {
namespace {

const char* const kAccessAcl = kAccessAclAttribute;
const char* const kDefaultAcl = "system.posix_acl_default";

// The ACL's entries as the kernel stores them: a version, then tag (AclEntry::Tag), permissions
// and id each.
constexpr std::size_t kHeader = 4, kEntry = 8;
constexpr std::uint32_t kNoId = 0xffffffff;

std::uint32_t little(const std::string& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | std::uint8_t(bytes[at + i]);
    return value;
}

std::vector<AclEntry> entriesOf(const std::string& acl) {
    std::vector<AclEntry> entries;
    for (std::size_t at = kHeader; at + kEntry <= acl.size(); at += kEntry)
        entries.push_back({little(acl, at, 2), little(acl, at + 2, 2), little(acl, at + 4, 4)});
    return entries;
}

// The entries as the kernel takes them: by tag, then by id.
std::string aclOf(std::vector<AclEntry> entries) {
    std::sort(entries.begin(), entries.end(), [](const AclEntry& a, const AclEntry& b) {
        return a.tag != b.tag ? a.tag < b.tag : a.id < b.id;
    });
    std::string acl;
    const auto put = [&](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) acl += char(value >> (8 * i));
    };
    put(2, 4);  // the format's version
    for (const AclEntry& entry : entries) {
        put(entry.tag, 2);
        put(entry.may, 2);
        put(entry.id, 4);
    }
    return acl;
}

// Fills what the mode says, then lets the ACL's entries refine it.
void readAccess(const struct stat& st, FileAccess& out) {
    out.owner = st.st_uid;
    out.group = st.st_gid;
    out.mode = st.st_mode & 07777;
    out.ownerMay = (st.st_mode >> 6) & 7;
    out.groupMay = (st.st_mode >> 3) & 7;
    out.othersMay = st.st_mode & 7;
    out.users.clear();
    out.groups.clear();
    unsigned mask = 7, groupObj = out.groupMay;
    for (const AclEntry& entry : entriesOf(out.acl)) {
        const unsigned perm = entry.may & 7;
        if (entry.tag == AclEntry::User) out.users.emplace_back(uid_t(entry.id), perm);
        if (entry.tag == AclEntry::Group) out.groups.emplace_back(gid_t(entry.id), perm);
        if (entry.tag == AclEntry::GroupObj) groupObj = perm;
        if (entry.tag == AclEntry::Mask) mask = perm;
    }
    if (out.acl.empty()) return;
    out.groupMay = groupObj & mask;
    for (auto& user : out.users) user.second &= mask;
    for (auto& group : out.groups) group.second &= mask;
}

// Whether a failed getxattr says only that the file has no such attribute, or that its file system
// keeps none (ENOTSUP, which is EOPNOTSUPP on Linux); any other failure leaves it unknown.
bool noAttribute(int error) {
    static_assert(ENOTSUP == EOPNOTSUPP);
    return error == ENODATA || error == ENOTSUP;
}

// The ACL read by `get` (fgetxattr or getxattr); no ACL, or none possible, leaves "".
template <typename Get>
int readAcl(Get get, std::string& acl) {
    acl.clear();
    for (int attempt = 0; attempt < 3; ++attempt) {
        const ssize_t size = get(nullptr, 0);
        if (size < 0) return noAttribute(errno) ? 0 : errno;
        acl.resize(std::size_t(size));
        const ssize_t got = get(acl.data(), acl.size());
        if (got >= 0) {
            acl.resize(std::size_t(got));
            return 0;
        }
        if (errno != ERANGE) return errno;  // ERANGE: it grew in between
    }
    return ERANGE;
}

}  // namespace

mode_t FileAccess::ModeWithoutAcl() const {
    return (mode & ~mode_t(070)) | mode_t(groupMay << 3);
}

void FileAccess::GroupByName() {
    std::vector<AclEntry> entries = entriesOf(acl);
    if (entries.empty())
        entries = {{AclEntry::UserObj, ownerMay, kNoId},
                   {AclEntry::GroupObj, groupMay, kNoId},
                   {AclEntry::Other, othersMay, kNoId}};
    const auto has = [&](unsigned tag, unsigned id) {
        return std::any_of(entries.begin(), entries.end(),
                           [&](const AclEntry& e) { return e.tag == tag && e.id == id; });
    };
    // The mask stays what the mode's group bits show: what the ACL lets named entries have.
    if (!has(AclEntry::Mask, kNoId))
        entries.push_back({AclEntry::Mask, unsigned(mode >> 3) & 7, kNoId});
    for (AclEntry& entry : entries) {
        if (entry.tag != AclEntry::GroupObj) continue;
        // A named entry of the group already there keeps what it gives.
        if (!has(AclEntry::Group, group)) entries.push_back({AclEntry::Group, entry.may, group});
        entry.may = 0;
        break;
    }
    acl = aclOf(std::move(entries));
    groups.emplace_back(group, groupMay);
    groupMay &= othersMay;
}

void FileAccess::AsDataFile() {
    mode &= ~mode_t(07111);
    ownerMay &= ~kMayEnter;
    groupMay &= ~kMayEnter;
    othersMay &= ~kMayEnter;
    for (auto& user : users) user.second &= ~kMayEnter;
    for (auto& group : groups) group.second &= ~kMayEnter;
    for (std::size_t at = kHeader; at + kEntry <= acl.size(); at += kEntry)
        acl[at + 2] = char(acl[at + 2] & ~kMayEnter);
}

int FileAccessOf(int fd, FileAccess& out) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return errno;
    const int error = readAcl(
        [&](char* to, std::size_t size) { return ::fgetxattr(fd, kAccessAcl, to, size); }, out.acl);
    if (!error) readAccess(st, out);
    return error;
}

int FileAccessAt(const std::string& path, FileAccess& out) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno;
    const int error = readAcl(
        [&](char* to, std::size_t size) { return ::getxattr(path.c_str(), kAccessAcl, to, size); },
        out.acl);
    if (!error) readAccess(st, out);
    return error;
}

int FileAccessIn(int dirFd, const std::string& name, FileAccess& out) {
    struct stat st {};
    const int statted = name.empty() ? ::fstat(dirFd, &st)
                                     : ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
    if (statted != 0) return errno;
    const std::string path = ProcFdPath(dirFd, name);
    // The folder itself through its descriptor's link; an entry of it without following a link.
    const auto get = name.empty() ? ::getxattr : ::lgetxattr;
    const int error =
        readAcl([&](char* to, std::size_t size) { return get(path.c_str(), kAccessAcl, to, size); },
                out.acl);
    struct stat after {};
    const int again = name.empty() ? ::fstat(dirFd, &after)
                                   : ::fstatat(dirFd, name.c_str(), &after, AT_SYMLINK_NOFOLLOW);
    // Replaced while its ACL was read: the ACL may be another file's.
    if (!error && (again != 0 || !SameFile(after, st))) return EAGAIN;
    if (!error) readAccess(after, out);
    return error;
}

int DefaultAclOf(int dirFd, std::vector<AclEntry>& out) {
    out.clear();
    std::string acl;
    const std::string path = ProcFdPath(dirFd, "");
    if (const int error = readAcl(
            [&](char* to, std::size_t size) {
                return ::getxattr(path.c_str(), kDefaultAcl, to, size);
            },
            acl))
        return error;
    unsigned mask = 7;
    out = entriesOf(acl);
    for (AclEntry& entry : out) {
        entry.may &= 7;
        if (entry.tag == AclEntry::Mask) mask = entry.may;
    }
    for (AclEntry& entry : out)
        if (entry.tag == AclEntry::User || entry.tag == AclEntry::Group ||
            entry.tag == AclEntry::GroupObj)
            entry.may &= mask;
    return 0;
}

int HasAttribute(int fd, const char* name, bool& has) {
    has = ::getxattr(ProcFdPath(fd, "").c_str(), name, nullptr, 0) >= 0;
    return has || noAttribute(errno) ? 0 : errno;
}

}  // namespace platform
