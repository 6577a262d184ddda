// Install tool: what tools/kvt.sh does in the database's folder the way the program does it.
//   dbfolder lock-file <database> <new file>
//     Makes <new file> (a new name; a link there is never followed) with the database's owner,
//     group, mode and ACL, given through the two files' descriptors, as the program makes the
//     files it puts beside the database.
//   dbfolder doubt <database>
//     Prints one line when a folder on the database's path lets others change the database, so
//     that the program will only view it; nothing when the program may write it.
// 0 on success; 1 with one line on stderr when a step fails.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/AppPath.h"
#include "platform/storage/FileHelpers.h"
#include "platform/storage/Folder.h"
#include "platform/storage/FolderTrust.h"

namespace {

int fail(const std::string& what, int error) {
    std::fprintf(stderr, "dbfolder: %s: %s\n", what.c_str(), std::strerror(error));
    return 1;
}

int makeLockFile(const std::string& database, const std::string& newFile) {
    // The file the program opens under the database's name, followed to where it leads.
    const std::string resolved = platform::ResolvedPath(database);
    if (resolved.empty()) return fail("cannot open " + database, errno);
    const int databaseFd = platform::OpenRegularFile(resolved, O_RDONLY);
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
    const platform::FolderDoubt doubt = platform::DoubtAboutDatabase(database);
    if (doubt.Empty()) return 0;
    std::printf("%s: %s — the program will only view this database; fix: %s\n",
                doubt.folder.c_str(), doubt.why.c_str(), doubt.fix.c_str());
    return std::fflush(stdout) == 0 ? 0 : fail("cannot write", errno);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string use = argc > 1 ? argv[1] : "";
    if (use == "lock-file" && argc == 4) return makeLockFile(argv[2], argv[3]);
    if (use == "doubt" && argc == 3) return tellDoubt(argv[2]);
    std::fprintf(stderr,
                 "usage: dbfolder lock-file <database> <new file>\n"
                 "       dbfolder doubt <database>\n");
    return 2;
}
