// tools/kvt.sh where the environment leaves it no place to work: it says so in one line and stops.
// Nothing here builds or installs packages: every case stops before that, or only installs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/AccessAcl.h"
#include "tests/support/AnotherUser.h"
#include "tests/support/ExfatImage.h"
#include "tests/support/ProgramFolder.h"

namespace {

struct ScriptRun {
    int exitCode;
    std::string output;
};

// `bash <script> <command>` with `env`, as the user `asUser` when one is given, started.
std::unique_ptr<QProcess> startKvt(const QString& script, const QString& command,
                                   const QProcessEnvironment& env, const QString& asUser = {}) {
    auto p = std::make_unique<QProcess>();
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::MergedChannels);
    if (asUser.isEmpty())
        p->start("bash", {script, command});
    else
        p->start("setpriv", {"--reuid=" + asUser, "--regid=" + asUser, "--clear-groups", "bash",
                             script, command});
    return p;
}

ScriptRun finish(QProcess& p) {
    if (!p.waitForFinished(60000)) p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAll().toStdString()};
}

// The same run to its end.
ScriptRun kvt(const QString& script, const QString& command, const QProcessEnvironment& env,
              const QString& asUser = {}) {
    return finish(*startKvt(script, command, env, asUser));
}

// A copy of kvt.sh in <clone>/tools, where another user may read it (the source tree may be in a
// home folder that user cannot enter).
QString scriptIn(const QTemporaryDir& clone) {
    QDir(clone.path()).mkpath("tools");
    const QString script = clone.filePath("tools/kvt.sh");
    QFile::copy(KVT_SCRIPT, script);
    QFile::setPermissions(clone.path(),
                          QFile::permissions(clone.path()) | QFile::ReadOther | QFile::ExeOther);
    return script;
}

namespace fs = std::filesystem;

// Every entry under `dir`: its name, mode, owner and, for a file, a hash of its bytes.
std::string stateOf(const fs::path& dir) {
    std::ostringstream state;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir)) {
        struct stat st {};
        ::lstat(entry.path().c_str(), &st);
        state << entry.path().string() << " " << std::oct << st.st_mode << std::dec << " "
              << st.st_uid;
        if (S_ISREG(st.st_mode)) {
            std::ostringstream bytes;
            bytes << std::ifstream(entry.path()).rdbuf();
            state << " " << std::hash<std::string>()(bytes.str());
        }
        state << "\n";
    }
    return state.str();
}

// A folder only root may enter, holding a file and a folder with a file, each root's alone.
fs::path makeVictims(const fs::path& victims) {
    fs::create_directories(victims / "folder");
    for (const fs::path& dir : {victims, victims / "folder"}) {
        std::ofstream(dir / "file") << "root's file in " << dir.string() << "\n";
        fs::permissions(dir / "file", fs::perms::owner_read | fs::perms::owner_write);
        fs::permissions(dir, fs::perms::owner_all);
    }
    return victims;
}

bool oneLineStartingWith(const std::string& output, const std::string& start) {
    return output.rfind(start, 0) == 0 && output.find('\n') == output.size() - 1;
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// `install` of kvt.sh into the program folder `home`, from the build, started; the programs in
// `bin` (if given) stand in for the system's.
std::unique_ptr<QProcess> startInstall(const fs::path& home, const fs::path& bin = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!bin.empty())
        env.insert("PATH", QString::fromStdString(bin.string()) + ":" + env.value("PATH"));
    env.insert("PRAVELTA_HOME", QString::fromStdString(home.string()));
    env.insert("KVT_BUILD_DIR", PROGRAM_DIR);
    return startKvt(KVT_SCRIPT, "install", env);
}

// What an install into `home` ends with.
std::string installedLine(const fs::path& home) {
    return "Program folder: " + home.string() + " (data: " + (home / "db/db.mdb").string() + ")\n";
}

}  // namespace

// Without PRAVELTA_HOME the program folder is ~/PraveltaKVT: an unset or empty HOME leaves none
// (an empty one would mean /PraveltaKVT), so nothing is installed. PRAVELTA_HOME needs no HOME.
TEST(KvtScript, AnInstallWithoutAHomeIsRefusedUnlessPraveltaHomeNamesTheFolder) {
    QTemporaryDir temp;
    const QString script = scriptIn(temp);
    const QString named = temp.filePath("PraveltaKVT");
    // As another user where one can act so, so that a wrong install cannot reach /PraveltaKVT.
    const QString user = ::geteuid() == 0 ? "65534" : "";
    const struct {
        const char* home;  // nullptr: unset
        QString praveltaHome;
        QString asUser;
        bool installs;
    } cases[] = {{nullptr, "", user, false}, {"", "", user, false}, {nullptr, named, "", true}};
    for (const auto& [home, praveltaHome, asUser, installs] : cases) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("HOME");
        if (home) env.insert("HOME", home);
        env.remove("PRAVELTA_HOME");
        if (!praveltaHome.isEmpty()) env.insert("PRAVELTA_HOME", praveltaHome);
        env.insert("KVT_BUILD_DIR", PROGRAM_DIR);
        const ScriptRun run = kvt(script, "install", env, asUser);
        const std::string row = std::string(home ? "empty HOME " : "no HOME ") +
                                praveltaHome.toStdString() + "\n" + run.output;
        if (installs) {
            EXPECT_EQ(run.exitCode, 0) << row;
            EXPECT_TRUE(QFile::exists(named + "/db/db.mdb")) << row;
        } else {
            EXPECT_NE(run.exitCode, 0) << row;
            EXPECT_TRUE(oneLineStartingWith(run.output, "kvt.sh: HOME is ")) << row;
            EXPECT_FALSE(QFile::exists("/PraveltaKVT")) << row;
        }
    }
}

// Another user's clone (root's) cannot be built in: one line says what to do, no CMake errors.
TEST(KvtScript, AUserWhoMayNotWriteTheClonesBuildIsToldInOneLine) {
    if (::geteuid() != 0) GTEST_SKIP() << "acting as another user needs root";
    QTemporaryDir clone;
    const QString script = scriptIn(clone);
    QDir(clone.path()).mkpath("build");
    QFile project(clone.filePath("CMakeLists.txt"));
    ASSERT_TRUE(project.open(QIODevice::WriteOnly));
    project.write("cmake_minimum_required(VERSION 3.20)\nproject(Clone NONE)\n");
    project.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("KVT_BUILD_DIR");
    for (const QString command : {"test", "run"}) {
        const ScriptRun run = kvt(script, command, env, "65534");
        EXPECT_NE(run.exitCode, 0) << command.toStdString() << "\n" << run.output;
        EXPECT_TRUE(oneLineStartingWith(run.output, "kvt.sh: user nobody may not write " +
                                                        clone.filePath("build").toStdString() +
                                                        "; run as the clone's owner"))
            << command.toStdString() << "\n"
            << run.output;
    }
}

// Several users share a program folder whose folders all may write (mode 777, or 1777 with the
// sticky bit). A link one of them plants under a name the install as root uses, to a file or a
// folder of root's, must not let the install write, chmod or chown what it points at: it is
// replaced, or the install names it in one line and stops before it makes or replaces anything.
TEST(KvtScript, AnInstallAsRootFollowsNoLinkAnotherUserPlantedInASharedProgramFolder) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "acting as another user needs root";
    QTemporaryDir temp;
    const fs::path top = temp.path().toStdString();
    fs::permissions(top, fs::perms::others_exec, fs::perm_options::add);
    const struct {
        const char* name;  // under the program folder
        const char* target;
        bool stops;
    } plants[] = {{"db", "folder", true},
                  {"db/db.mdb", "file", true},
                  {"db/PraveltaKVT.lock", "file", true},
                  {"PraveltaKVT", "folder", false},
                  {"Skinz", "folder", false},
                  {"hlp", "folder", false}};
    struct Row {
        fs::path home, victims, link;
        std::string victimsBefore, trace;
        bool stops;
        std::unique_ptr<QProcess> install;
    };
    std::vector<Row> rows;
    for (const auto mode : {0777, 01777}) {
        for (const auto& [name, target, stops] : plants) {
            const fs::path dir = top / std::to_string(rows.size()), home = dir / "PraveltaKVT";
            const fs::path victims = makeVictims(dir / "victims");
            fs::create_directories(home);
            ::chmod(home.c_str(), mode);
            if (fs::path(name) != "db") {
                fs::create_directory(home / "db");
                ::chmod((home / "db").c_str(), mode);
            }
            const fs::path link = home / name, pointee = victims / target;
            ASSERT_EQ(AsAnotherUser([&] {
                          return ::symlink(pointee.c_str(), link.c_str()) == 0
                                     ? std::string("planted")
                                     : std::string(std::strerror(errno));
                      }),
                      "planted");
            std::ostringstream trace;
            trace << std::oct << mode << " " << name;
            rows.push_back({home, victims, link, stateOf(victims), trace.str(), stops, nullptr});
        }
    }
    // The installs run at once, each in its own folder.
    for (Row& row : rows) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PRAVELTA_HOME", QString::fromStdString(row.home.string()));
        env.insert("KVT_BUILD_DIR", PROGRAM_DIR);
        row.install = startKvt(KVT_SCRIPT, "install", env);
    }
    for (Row& row : rows) {
        const ScriptRun run = finish(*row.install);
        const std::string said = row.trace + "\n" + run.output;
        EXPECT_EQ(stateOf(row.victims), row.victimsBefore) << said;
        if (row.stops) {
            EXPECT_NE(run.exitCode, 0) << said;
            EXPECT_TRUE(oneLineStartingWith(run.output, "kvt.sh: " + row.link.string() + " is "))
                << said;
            EXPECT_FALSE(fs::exists(fs::symlink_status(row.home / "PraveltaKVT"))) << said;
        } else {
            EXPECT_EQ(run.exitCode, 0) << said;
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(row.home / "PraveltaKVT"))) << said;
        }
    }
}

// The install needs the build's tools/dbfolder, which makes the lock file: without it, it says so
// in one line and makes nothing.
TEST(KvtScript, AnInstallFromABuildWithoutDbfolderIsRefusedInOneLine) {
    QTemporaryDir temp;
    const fs::path build = fs::path(temp.path().toStdString()) / "build";
    fs::create_directories(build / "db");
    fs::copy_file(PROGRAM_EXE, build / "PraveltaKVT");
    fs::copy_file(fs::path(PROGRAM_DIR) / "db/db.mdb", build / "db/db.mdb");
    const fs::path home = fs::path(temp.path().toStdString()) / "PraveltaKVT";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PRAVELTA_HOME", QString::fromStdString(home.string()));
    env.insert("KVT_BUILD_DIR", QString::fromStdString(build.string()));
    const ScriptRun run = kvt(KVT_SCRIPT, "install", env);
    EXPECT_EQ(run.exitCode, 1) << run.output;
    const std::string refused = "kvt.sh: no built program (PraveltaKVT and tools/dbfolder) in ";
    EXPECT_TRUE(oneLineStartingWith(run.output, refused + build.string())) << run.output;
    EXPECT_FALSE(fs::exists(home));
}

// The lock file an install made has the database's mode, owner, group and ACL.
void expectLockFileLikeTheDatabase(const fs::path& home) {
    const fs::path lockPath = home / "db/PraveltaKVT.lock", dbPath = home / "db/db.mdb";
    struct stat lock {};
    struct stat database {};
    ASSERT_EQ(::lstat(lockPath.c_str(), &lock), 0) << home;
    ASSERT_EQ(::stat(dbPath.c_str(), &database), 0) << home;
    EXPECT_TRUE(S_ISREG(lock.st_mode)) << home;
    EXPECT_EQ(lock.st_mode & 07777, database.st_mode & 07777) << home;
    EXPECT_EQ(lock.st_uid, database.st_uid) << home;
    EXPECT_EQ(lock.st_gid, database.st_gid) << home;
    EXPECT_NE(AccessAclOf(dbPath.string()), "none") << home;
    EXPECT_EQ(AccessAclOf(lockPath.string()), AccessAclOf(dbPath.string())) << home;
}

// The program writes its database only where no one else may add or rename a name in db/ or the
// folders above; elsewhere every start only views it. An install into a db/ that all may write
// (mode 777, or 1777: the sticky bit does not keep others from the journal's fixed name) goes on
// and says in one line which folder and the command that makes it safe; after that command, or
// in a db/ of mode 755, it says no more than where the program folder is. Either way the lock
// file it makes has the database's mode, owner, group and ACL.
TEST(KvtScript, AnInstallNamesADatabaseFolderOthersMayChangeAndGivesTheLockFileTheDatabasesAccess) {
    QTemporaryDir temp;
    struct Row {
        mode_t dbMode;
        bool doubted;
        fs::path home;
        std::unique_ptr<QProcess> install;
        std::string trace() const {
            std::ostringstream trace;
            trace << std::oct << dbMode;
            return trace.str();
        }
    };
    std::vector<Row> rows;
    for (const auto& [dbMode, doubted] : {std::pair{0755, false}, {0777, true}, {01777, true}}) {
        const fs::path dir = fs::path(temp.path().toStdString()) / std::to_string(rows.size());
        const fs::path home = dir / "PraveltaKVT", db = home / "db/db.mdb";
        fs::create_directories(home / "db");
        ASSERT_EQ(::chmod(dir.c_str(), 0755) | ::chmod(home.c_str(), 0755) |
                      ::chmod((home / "db").c_str(), dbMode),
                  0);
        // A database another user owns (where root can give it) and the ACL lets write.
        fs::copy_file(fs::path(PROGRAM_DIR) / "db/db.mdb", db);
        ASSERT_EQ(::chmod(db.c_str(), 0640), 0);
        // The user's own program folder, into which root installs.
        if (::geteuid() == 0) {
            for (const fs::path& path : {home, home / "db", db})
                ASSERT_EQ(::chown(path.c_str(), kAnotherUser, kAnotherUser), 0);
        }
        ASSERT_TRUE(SetAccessAcl(db.string(), AclLetting(kAnotherUser, 6)));
        rows.push_back({static_cast<mode_t>(dbMode), doubted, home, nullptr});
    }
    for (Row& row : rows) row.install = startInstall(row.home);
    for (Row& row : rows) {
        const ScriptRun run = finish(*row.install);
        const std::string said = row.trace() + "\n" + run.output;
        ASSERT_EQ(run.exitCode, 0) << said;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(row.home / "PraveltaKVT"))) << said;
        const std::string installed = installedLine(row.home);
        ASSERT_TRUE(endsWith(run.output, installed)) << said;
        const std::string told = run.output.substr(0, run.output.size() - installed.size());
        const std::string folder = (row.home / "db").string(), fix = "; fix: ";
        if (row.doubted) {
            EXPECT_TRUE(oneLineStartingWith(told, "kvt.sh: " + folder + ": ")) << said;
            const std::size_t at = told.find(" — the program will only view this database" + fix);
            ASSERT_NE(at, told.npos) << said;
            EXPECT_TRUE(endsWith(told, "o-w " + folder + "\n")) << said;
            // The command the line gives, run as it is.
            const std::string command = told.substr(told.find(fix, at) + fix.size());
            EXPECT_EQ(command.rfind("chmod ", 0), 0u) << said;
            EXPECT_EQ(QProcess::execute("sh", {"-c", QString::fromStdString(command)}), 0) << said;
        } else {
            EXPECT_EQ(told, "") << said;
        }
        // Where the program will only view the database, no lock file is made: one made for a
        // file another user put there would be theirs to hold.
        if (row.doubted)
            EXPECT_FALSE(fs::exists(fs::symlink_status(row.home / "db/PraveltaKVT.lock"))) << said;
        else
            expectLockFileLikeTheDatabase(row.home);
    }
    // Installed again, after the fix where a line gave one: nothing more is said.
    for (Row& row : rows) row.install = startInstall(row.home);
    for (Row& row : rows) {
        const ScriptRun run = finish(*row.install);
        EXPECT_EQ(run.exitCode, 0) << row.trace() << "\n" << run.output;
        EXPECT_EQ(run.output, installedLine(row.home)) << row.trace();
        expectLockFileLikeTheDatabase(row.home);
    }
}

// Another user swaps a FIFO in for the lock file after the install checked its name, as it opens
// it: the opening must not wait for a writer for ever. The install stops in one line, replacing
// nothing.
TEST(KvtScript, AnInstallStopsAtAFifoSwappedInForTheLockFileAsItOpensIt) {
    QTemporaryDir temp;
    const fs::path home = fs::path(temp.path().toStdString()) / "PraveltaKVT";
    fs::create_directories(home / "db");
    fs::copy_file(fs::path(PROGRAM_DIR) / "db/db.mdb", home / "db/db.mdb");
    const fs::path lock = home / "db/PraveltaKVT.lock", fifo = home / "fifo";
    std::ofstream(lock).close();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PRAVELTA_HOME", QString::fromStdString(home.string()));
    env.insert("KVT_BUILD_DIR", PROGRAM_DIR);
    preload(env, SWAP_AT_OPEN_LIB);
    env.insert("SWAP_AT_OPEN_NAME", "PraveltaKVT.lock");
    env.insert("SWAP_AT_OPEN_FROM", QString::fromStdString(fifo.string()));
    const ScriptRun run = kvt(KVT_SCRIPT, "install", env);
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(lock))) << "the swap was staged";
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_EQ(run.output,
              "kvt.sh: " + lock.string() + " is not a plain file; remove it and install again\n");
    EXPECT_FALSE(fs::exists(home / "PraveltaKVT"));
}

// An install onto a stick (exFAT, or FAT through fusefat) mounted for all users (umask=000) or for
// its owner (umask=022), where no link can be made, installs. Its private folder replaced as it is
// made (mktemp hands over one another user owns, or all may write) stops it in one line. Neither
// leaves a private folder, its own or one a killed install left two minutes ago.
TEST(KvtScript, AnInstallOntoAStickInstallsAndNoInstallLeavesAPrivateFolder) {
    if (!CanActAsAnotherUser()) GTEST_SKIP() << "mounting and acting as another user need root";
    const std::string mktemp = QStandardPaths::findExecutable("mktemp").toStdString();
    for (const std::string how :
         {"000", "022", "fat 000", "fat 022", "chown 65534:65534", "chmod 777"}) {
        SCOPED_TRACE(how);
        const bool fat = how.starts_with("fat "), stick = fat || how.size() == 3;
        QTemporaryDir temp;
        std::optional<ExfatImage> image;
        if (stick &&
            !image.emplace(QString::fromStdString(how.substr(how.size() - 3)), fat).mounted())
            continue;  // no FUSE, or no fusefat
        const fs::path top = (stick ? image->path() : temp.path()).toStdString();
        const fs::path home = top / "PraveltaKVT", killed = home / "db/.kvt-install.killed";
        fs::create_directories(killed);
        std::ofstream(killed / "db.mdb") << "cut short";
        const timespec then{std::time(nullptr) - 120, 0}, times[2] = {then, then};
        ASSERT_EQ(::utimensat(AT_FDCWD, killed.c_str(), times, 0), 0);
        const fs::path bin = temp.path().toStdString();
        std::ofstream(bin / "mktemp")
            << "#!/bin/sh\nd=$(" << mktemp << " \"$@\") && " << how << " \"$d\" && echo \"$d\"\n";
        fs::permissions(bin / "mktemp", fs::perms::owner_all);
        const ScriptRun run = finish(*startInstall(home, stick ? fs::path() : bin));
        const std::string replaced =
            " in " + (home / "db").string() + " was replaced by another user's; install again\n";
        EXPECT_EQ(run.exitCode, stick ? 0 : 1);
        EXPECT_TRUE(stick ? run.output == installedLine(home)
                          : oneLineStartingWith(run.output, "kvt.sh: ./.kvt-install.") &&
                                endsWith(run.output, replaced))
            << run.output;
        EXPECT_EQ(fs::exists(home / "db/db.mdb"), stick);
        EXPECT_FALSE(std::ranges::any_of(fs::recursive_directory_iterator(home), [](auto& entry) {
            return entry.path().filename().string().starts_with(".kvt-install.");
        }));
    }
}
