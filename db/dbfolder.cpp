// Install tool: what tools/kvt.sh does in the database's folder the way the program does it.
//   dbfolder lock-file <database> <new file>
//     Makes <new file> (a new name; a link there is never followed) with the database's owner,
//     group, mode and ACL, given through the two files' descriptors, as the program makes the
//     files it puts beside the database; nothing where the program will only view the database.
//   dbfolder doubt <database>
//     Prints one line when a folder on the database's path lets others change the database, so
//     that the program will only view it; nothing when the program may write it.
//   dbfolder foreign-link <database>
//     Prints the first symbolic link on the way to <database> that the program does not follow
//     (one another user made); nothing when there is none, also where the way ends early.
// 0 on success; 1 with one line on stderr when a step fails.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/AppPath.h"
#include "platform/storage/DatabasePlace.h"
#include "platform/storage/FileHelpers.h"
#include "platform/storage/Folder.h"
#include "platform/storage/FolderTrust.h"

namespace {

int fail(const std::string& what, int error) {
    std::fprintf(stderr, "dbfolder: %s: %s\n", what.c_str(), std::strerror(error));
    return 1;
}

// The program folder the database's db/ lies in: the program there trusts its owner, and its
// own folders are the user's to mend.
void judgeAsTheProgramThere(const std::string& database) {
    platform::SetAppPath(
        std::filesystem::absolute(database).lexically_normal().parent_path().parent_path());
}

int makeLockFile(const std::string& database, const std::string& newFile) {
    judgeAsTheProgramThere(database);
    // The file the program opens under the database's name, walked to where it leads as the
    // program walks it. Where the program would only view the database, no lock file is made:
    // one made for a file another user put there would be theirs to hold.
    const platform::DatabasePlace place(database);
    if (place.Error()) return fail("cannot open " + database, place.Error());
    if (!place.Doubt().Empty()) return 0;
    const int databaseFd = place.OpenFile(false);
    if (databaseFd < 0) return fail("cannot open " + database, errno);

    const std::filesystem::path path(newFile);
    const std::string name = path.filename().string();
    if (name.empty() || name == "." || name == "..") {
        ::close(databaseFd);
        return fail("cannot make " + newFile, EINVAL);
    }
    platform::Folder folder;
    if (const int error = folder.Open(path.parent_path().string(), false)) {
        ::close(databaseFd);
        return fail("cannot open the folder of " + newFile, error);
    }
    const int fd = folder.CreateFile(name, databaseFd);
    const int error = errno;
    ::close(databaseFd);
    if (fd < 0) return fail("cannot make " + newFile, error);
    if (::close(fd) != 0) return fail("cannot make " + newFile, errno);
    return 0;
}

int tellDoubt(const std::string& database) {
    judgeAsTheProgramThere(database);
    const platform::DatabasePlace place(database);
    // A file that cannot be looked up is the program's to report at its start.
    if (place.Error() == ENOENT) return 0;
    const platform::FolderDoubt& doubt = place.Doubt();
    if (doubt.Empty()) return 0;
    std::printf("%s: %s — the program will only view this database; fix: %s\n",
                doubt.folder.c_str(), doubt.why.c_str(), doubt.fix.c_str());
    return std::fflush(stdout) == 0 ? 0 : fail("cannot write", errno);
}

int tellForeignLink(const std::string& database) {
    judgeAsTheProgramThere(database);
    const platform::DatabasePlace place(database);
    if (!place.Doubt().foreignLink) return 0;
    std::printf("%s\n", place.Doubt().folder.c_str());
    return std::fflush(stdout) == 0 ? 0 : fail("cannot write", errno);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string use = argc > 1 ? argv[1] : "";
    if (use == "lock-file" && argc == 4) return makeLockFile(argv[2], argv[3]);
    if (use == "doubt" && argc == 3) return tellDoubt(argv[2]);
    if (use == "foreign-link" && argc == 3) return tellForeignLink(argv[2]);
    std::fprintf(stderr,
                 "usage: dbfolder lock-file <database> <new file>\n"
                 "       dbfolder doubt <database>\n"
                 "       dbfolder foreign-link <database>\n");
    return 2;
}
