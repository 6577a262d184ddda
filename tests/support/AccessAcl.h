// POSIX access ACLs as the kernel keeps them in a file's system.posix_acl_access attribute (what
// setfacl writes), made and read without the acl package.
#pragma once

#include <sys/xattr.h>

#include <cstdint>
#include <string>

inline const char* const kAccessAcl = "system.posix_acl_access";

// An ACL in which the owner, the group and `user` have `perms` (6: read and write; 7 for a
// folder), limited by `mask`, and others nothing.
inline std::string AclLetting(uid_t user, std::uint16_t perms, int mask = -1) {
    if (mask < 0) mask = perms;
    std::string acl;
    const auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) acl += static_cast<char>(value >> (8 * i));
    };
    put(2, 4);  // the format's version
    constexpr std::uint32_t kNoId = 0xffffffff;
    const std::uint32_t entries[][3] = {{0x01, perms, kNoId},                // owner
                                        {0x02, perms, user},                 // the named user
                                        {0x04, perms, kNoId},                // group
                                        {0x10, std::uint32_t(mask), kNoId},  // mask
                                        {0x20, 0, kNoId}};                   // others
    for (const auto& [tag, entryPerms, id] : entries) {
        put(tag, 2);
        put(entryPerms, 2);
        put(id, 4);
    }
    return acl;
}

inline bool SetAccessAcl(const std::string& path, const std::string& acl) {
    return ::setxattr(path.c_str(), kAccessAcl, acl.data(), acl.size(), 0) == 0;
}

// A folder's default ACL: what files made in it get.
inline bool SetDefaultAcl(const std::string& path, const std::string& acl) {
    return ::setxattr(path.c_str(), "system.posix_acl_default", acl.data(), acl.size(), 0) == 0;
}

// The file's access ACL, "none" without one.
inline std::string AccessAclOf(const std::string& path) {
    char acl[256];
    const ssize_t size = ::getxattr(path.c_str(), kAccessAcl, acl, sizeof acl);
    return size < 0 ? std::string("none") : std::string(acl, static_cast<std::size_t>(size));
}
