// What a box tells a user to do so that the program may go on: commands that work pasted into a
// shell as printed (every path and name in them quoted: ShellQuoted), or whom to ask. The group
// that would let a user read or write a file, and the commands that give a file beside the
// database the database's group, mode and ACL.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/storage/FileAccess.h"

namespace platform {

// The permission bits of `mode` as chmod takes them ("660").
std::string OctalMode(mode_t mode);

// "请管理员执行 usermod -aG <group> <user>（重新登录后生效）".
std::string JoinGroupText(gid_t group, uid_t user);

// What would let `user` do `may` (kMayRead, kMayWrite; with kMayEnter for a folder) with the file
// or folder `access` is of, named `what` ("数据库文件"): joining its group, or a group its ACL
// names, where that group may (root's group never); otherwise its owner or root must change its
// access.
std::string AccessRemedy(const FileAccess& access, unsigned may, uid_t user,
                         const std::string& what);

// The commands that give the file `path` (of `access`) the group, mode and ACL of the file
// `likePath` (of `like`), one each: only those that change something.
std::vector<std::string> CommandsToMatch(const FileAccess& access, const std::string& path,
                                         const FileAccess& like, const std::string& likePath);

// Why nothing can be opened or judged where /proc/self/fd cannot be used (ProcFdProblem():
// `error`): the program needs /proc, mounted and readable.
std::string NeedsProcText(int error);

}  // namespace platform
