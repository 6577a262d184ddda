// POSIX access ACLs as the kernel keeps them in a file's system.posix_acl_access attribute (what
// setfacl writes), made and read without the acl package.
#pragma once

#include <sys/stat.h>
#include <sys/xattr.h>

#include <cstdint>
#include <cstdio>
#include <string>

inline const char* const kAccessAcl = "system.posix_acl_access";
inline const char* const kDefaultAcl = "system.posix_acl_default";

// An ACL in which the owner, the group and `user` (with `group`, the group of that number) have
// `perms` (6: read and write; 7 for a folder), limited by `mask`, and others nothing.
inline std::string AclLetting(uid_t user, std::uint16_t perms, int mask = -1, bool group = false) {
    if (mask < 0) mask = perms;
    std::string acl;
    const auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) acl += static_cast<char>(value >> (8 * i));
    };
    put(2, 4);  // the format's version
    constexpr std::uint32_t kNoId = 0xffffffff;
    // In the kernel's order: owner, named users, group, named groups, mask, others.
    const std::uint32_t namedEntry[3] = {group ? 0x08u : 0x02u, perms, user};
    const std::uint32_t groupEntry[3] = {0x04, perms, kNoId};
    const auto& second = group ? groupEntry : namedEntry;
    const auto& third = group ? namedEntry : groupEntry;
    const std::uint32_t entries[][3] = {{0x01, perms, kNoId},
                                        {second[0], second[1], second[2]},
                                        {third[0], third[1], third[2]},
                                        {0x10, std::uint32_t(mask), kNoId},
                                        {0x20, 0, kNoId}};
    for (const auto& [tag, entryPerms, id] : entries) {
        put(tag, 2);
        put(entryPerms, 2);
        put(id, 4);
    }
    return acl;
}

// `acl` with its entry number `entry` (0: the owner's, 2: AclLetting's group's) letting `perms`.
inline std::string Letting(std::string acl, int entry, char perms) {
    acl[4 + entry * 8 + 2] = perms;
    return acl;
}

inline bool SetAccessAcl(const std::string& path, const std::string& acl) {
    return ::setxattr(path.c_str(), kAccessAcl, acl.data(), acl.size(), 0) == 0;
}

// A folder's default ACL: what files made in it get.
inline bool SetDefaultAcl(const std::string& path, const std::string& acl) {
    return ::setxattr(path.c_str(), kDefaultAcl, acl.data(), acl.size(), 0) == 0;
}

// The file's access ACL, "none" without one.
inline std::string AccessAclOf(const std::string& path) {
    char acl[256];
    const ssize_t size = ::getxattr(path.c_str(), kAccessAcl, acl, sizeof acl);
    return size < 0 ? std::string("none") : std::string(acl, static_cast<std::size_t>(size));
}

// The file's owner, group, mode and ACL in getfacl's short form with numbers:
// "0 50 664 u::6,u:65535:6,g::0,g:50:6,m::6,o::4" ("... none" without one); "" without the file.
inline std::string AccessOf(const std::string& path) {
    struct stat st {};
    char text[32];
    if (::stat(path.c_str(), &st) != 0) return "";
    std::snprintf(text, sizeof text, "%u %u %o", st.st_uid, st.st_gid, st.st_mode & 07777);
    std::string access = text;
    const std::string acl = AccessAclOf(path);
    for (std::size_t at = 4; acl != "none" && at + 8 <= acl.size(); at += 8) {
        const auto tag = std::uint8_t(acl[at]), may = std::uint8_t(acl[at + 2]);
        std::uint32_t id = 0;
        for (int i = 3; i >= 0; --i) id = id << 8 | std::uint8_t(acl[at + 4 + i]);
        const char* kind = tag <= 2 ? "u:" : tag <= 8 ? "g:" : tag == 0x10 ? "m:" : "o:";
        access += (at == 4 ? " " : ",") + std::string(kind) +
                  (tag == 2 || tag == 8 ? std::to_string(id) : "") + ":" + std::to_string(may);
    }
    return acl == "none" ? access + " none" : access;
}
