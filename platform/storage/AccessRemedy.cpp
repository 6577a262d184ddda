#include "platform/storage/AccessRemedy.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/storage/DatabasePlace.h"
#include "platform/storage/FolderTrust.h"

namespace platform {
namespace {

// Who may run commands that change a file or folder of `owner`, chgrp or chmod g+s to `group`
// among them where `toGroup`: root, and the owner where it is in that group (the kernel drops
// the setgid bit a non-member sets and refuses its chgrp).
std::string whoRuns(uid_t owner, bool toGroup, gid_t group) {
    const std::vector<gid_t> groups = GroupsOf(owner);
    if (owner == 0 || (toGroup && std::find(groups.begin(), groups.end(), group) == groups.end()))
        return "root";
    return "root 或用户 " + UserName(owner);
}

std::string lines(const std::vector<std::string>& commands) {
    std::string text;
    for (const std::string& command : commands) text += "\n" + command;
    return text;
}

// A file of a user who may not write the database: theirs to be let write it, or a planted one.
std::string nonWriterText(const FileAccess& database, uid_t owner) {
    return "如果用户 " + UserName(owner) + " 应当能写入数据库：" +
           AccessRemedy(database, kMayWrite, owner, "数据库文件") +
           "，然后重新启动程序。否则这个文件不是能写入数据库的用户建立的，程序不会使用它：请把它"
           "移到别处。";
}

// A writer's file that lets others more than the database: the commands that make it like the
// database, and, where a member's save left it in the member's own group because db/ lacks the
// setgid bit, the one that keeps later saves from doing so. "" where no command changes it.
std::string writerText(const DatabasePlace& place, const Folder& folder, const std::string& name,
                       const FileAccess& file, const FileAccess& database, bool journal) {
    const std::vector<std::string> commands =
        CommandsToMatch(file, folder.PathOf(name), database, place.Files().PathOf(place.Name()));
    if (commands.empty()) return std::string();
    std::string text = "这个文件是能写入数据库的用户 " + UserName(file.owner) +
                       " 建立的（例如他的保存中断后留下的日志文件）。请由 " +
                       whoRuns(file.owner, file.group != database.group, database.group) +
                       " 执行下面的命令，使它的组、权限和访问控制列表与数据库文件的相同，然后重新"
                       "启动程序：" +
                       lines(commands);
    if (journal)
        text +=
            "\n不要移走或删除这个日志文件：数据库文件可能已写入那次保存的一部分，只有按它才能"
            "撤销。";
    struct stat held {};
    if (file.group != database.group && ::fstat(folder.Fd(), &held) == 0 &&
        (held.st_mode & S_ISGID) == 0 && (held.st_mode & S_IWGRP) && held.st_gid == database.group)
        text +=
            "\n数据库文件夹没有 setgid 位，组成员保存时的日志文件属于他们自己的组。为使以后的保"
            "存不再这样，请由 " +
            whoRuns(held.st_uid, true, held.st_gid) + " 执行：" +
            lines({"chmod g+s " + ShellQuoted(folder.Path())});
    return text;
}

}  // namespace

std::string OctalMode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%o", unsigned(mode & 07777));
    return text;
}

std::string JoinGroupText(gid_t group, uid_t user) {
    return "请管理员执行 usermod -aG " + ShellQuoted(GroupName(group)) + " " +
           ShellQuoted(UserName(user)) + "（重新登录后生效）";
}

std::string AccessRemedy(const FileAccess& access, unsigned may, uid_t user,
                         const std::string& what) {
    // Never root's group, whose members may do much else.
    std::optional<gid_t> group;
    if ((access.groupMay & may) == may && access.group != 0) group = access.group;
    for (const auto& [gid, can] : access.groups)
        if (!group && (can & may) == may && gid != 0) group = gid;
    if (group) return JoinGroupText(*group, user);
    const bool byRoot = access.owner == 0;
    return "只有" +
           (byRoot ? std::string(" root ")
                   : what + "的所有者 " + UserName(access.owner) + " 和 root ") +
           "能改变" + what + "的访问权限：请" + (byRoot ? " root " : "他们") + "让用户 " +
           UserName(user) + (may & kMayWrite ? " 能写入它" : " 能读取它");
}

std::vector<std::string> CommandsToMatch(const FileAccess& access, const std::string& path,
                                         const FileAccess& like, const std::string& likePath) {
    std::vector<std::string> commands;
    const std::string file = ShellQuoted(path);
    if (access.group != like.group)
        commands.push_back("chgrp " + ShellQuoted(GroupName(like.group)) + " " + file);
    // An ACL is copied whole, the mode's bits with it.
    if (!access.acl.empty() || !like.acl.empty())
        commands.push_back("getfacl -p " + ShellQuoted(likePath) + " | setfacl --set-file=- " +
                           file);
    else if ((access.mode & 07777) != (like.mode & 0777))
        commands.push_back("chmod " + OctalMode(like.mode & 0777) + " " + file);
    return commands;
}

std::string NeedsProcText(int error) {
    return "程序需要 /proc（已挂载且可读）：程序通过 /proc/self/fd 打开数据库文件和它旁边的文件，"
           "现在无法使用 /proc（" +
           std::string(std::strerror(error)) + "）";
}

std::string BesideFileText(const DatabasePlace& place, const Folder& folder,
                           const std::string& name) {
    const std::string why = place.BesideProblemIn(folder, name);
    if (why.empty()) return std::string();
    struct stat st {};
    ::fstatat(folder.Fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
    const std::string owner = UserName(st.st_uid);
    const std::string told =
        "数据库文件旁的文件不能使用，程序没有读取、使用、移动或删除它，不能启动。\n文件：" +
        folder.PathOf(name) + "\n所有者：" + owner + "\n原因：" + why + "\n";
    FileAccess file, database;
    const bool single = S_ISREG(st.st_mode) && st.st_nlink == 1 &&
                        FileAccessIn(folder.Fd(), name, file) == 0 &&
                        FileAccessIn(place.Files().Fd(), place.Name(), database) == 0;
    const bool byWriter = place.FileWriters().Member(st.st_uid);
    // A save's journal: the only way to undo what that save wrote into the database.
    const bool journal =
        S_ISREG(st.st_mode) && folder.Fd() == place.Files().Fd() && name == place.JournalName();
    if (single && !byWriter) return told + nonWriterText(database, st.st_uid);
    if (single)
        if (const std::string text = writerText(place, folder, name, file, database, journal);
            !text.empty())
            return told + text;
    return told + "请把这个文件移到别处。" +
           (journal && byWriter ? "如果这是用户 " + owner +
                                      " 的保存中断后留下的日志文件：移走后，那次保存已写入数据库"
                                      "文件的部分不能再撤销，数据库文件可能不完整；移走前请另存"
                                      "数据库文件和这个文件。"
                                : std::string());
}

}  // namespace platform
