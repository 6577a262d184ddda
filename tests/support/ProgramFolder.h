// A temporary program folder with the built program, its skins, help pages and an empty
// database, and runs of the real program binary there, headless, driven by its automation script.
#pragma once

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/TestDb.h"

inline std::string bytesOf(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct ProgramRun {
    int exitCode;
    QString log;
};

// Preloads `library` into the processes started with `env`. Under the sanitizers the preloaded
// library comes before their runtime, which they allow so.
inline void preload(QProcessEnvironment& env, const QString& library) {
    env.insert("LD_PRELOAD", library);
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
}

// Makes flock behave as on NFS in the processes started with `env` (see NfsFlock.cpp).
inline void flockAsOnNfs(QProcessEnvironment& env) {
    preload(env, NFS_FLOCK_LIB);
}

// Makes the file calls in the processes started with `env` behave as on exFAT, FAT or an SMB
// share (see NfsFlock.cpp); a sync of a file whose path holds `killAt` (if given) kills them.
inline void callsAsOnExfat(QProcessEnvironment& env, const QString& killAt = {}) {
    preload(env, EXFAT_CALLS_LIB);
    env.insert("KVT_KILL_AT_FSYNC_OF", killAt);
}

// setpriv's words that run what follows as user `uid`, group `gid`, also in `group`.
inline QStringList Setpriv(int uid, int gid, int group) {
    return {"setpriv", "--reuid=" + QString::number(uid), "--regid=" + QString::number(gid),
            "--groups=" + QString::number(group)};
}

class ProgramFolder {
  public:
    // In a new folder of the system's temporary folder, or of `under`.
    explicit ProgramFolder(const QString& under = {})
        : folder_((under.isEmpty() ? QDir::tempPath() : under) + "/kvt-program-XXXXXX") {
        const std::filesystem::path dir = folder_.path().toStdString();
        std::filesystem::copy_file(PROGRAM_EXE, dir / "PraveltaKVT");
        std::filesystem::create_directories(dir / "db");
        std::filesystem::copy_file(TEMPLATE_DB, dir / "db" / "db.mdb");
        std::filesystem::copy(std::filesystem::path(PROGRAM_DIR) / "Skinz", dir / "Skinz",
                              std::filesystem::copy_options::recursive);
        std::filesystem::copy(std::filesystem::path(PROGRAM_DIR) / "hlp", dir / "hlp",
                              std::filesystem::copy_options::recursive);
        // The user's runtime folder, where a recovery makes its private folder.
        std::filesystem::create_directory(dir / "run");
        std::filesystem::permissions(dir / "run", std::filesystem::perms::owner_all);
        extraEnvironment_.insert("XDG_RUNTIME_DIR", QString::fromStdString(path("run")));
    }
    // Leaves the folder where it is (on a file system that goes with it).
    void keep() { folder_.setAutoRemove(false); }
    std::string path(const char* name) const { return folder_.filePath(name).toStdString(); }
    std::string folder() const { return folder_.path().toStdString(); }
    // Lets copies that other users start log their boxes, with no folder on the database's path
    // that others may write (a start would only view the database then).
    void letOtherUsersRun() const {
        std::filesystem::permissions(folder(), std::filesystem::perms(0755));
        std::ofstream(path("messages.log"), std::ios::app);
        std::filesystem::permissions(path("messages.log"), std::filesystem::perms(0666));
    }
    // The copies started from now on lock, rename and make files as on NFS.
    void onNfs() { flockAsOnNfs(extraEnvironment_); }
    // ... make files as on exFAT, and are killed as they sync a file whose path holds `killAt`.
    void onExfat(const QString& killAt = {}) { callsAsOnExfat(extraEnvironment_, killAt); }
    // ... count their writes or are killed at one, as KillAtWrite.cpp is told by the environment.
    void killAtWrite() { preload(extraEnvironment_, KILL_AT_WRITE_LIB); }
    // The copies started from now on have `name` set to `value`.
    void setEnv(const QString& name, const QString& value) {
        extraEnvironment_.insert(name, value);
    }

    // Starts the program with the script (in the file `scriptName`); `asUser` (a user id) runs
    // it as that user.
    std::unique_ptr<QProcess> start(const std::string& script, const QString& asUser = {},
                                    const char* scriptName = "script.txt") const {
        QStringList wrapper;
        if (!asUser.isEmpty())
            wrapper = {"setpriv", "--reuid=" + asUser, "--regid=" + asUser, "--clear-groups"};
        return startUnder(wrapper, script, scriptName);
    }

    // The same with the program's command put after `wrapper` (setpriv, strace).
    std::unique_ptr<QProcess> startUnder(QStringList wrapper, const std::string& script,
                                         const char* scriptName = "script.txt") const {
        std::ofstream(path(scriptName)) << script;
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("PRAVELTA_AUTOMATION", QString::fromStdString(path(scriptName)));
        env.insert("PRAVELTA_MSGLOG", QString::fromStdString(path("messages.log")));
        for (const QString& name : extraEnvironment_.keys())
            env.insert(name, extraEnvironment_.value(name));
        // LeakSanitizer cannot work under ptrace: a program strace runs to its end would fail.
        if (!wrapper.isEmpty() && wrapper.front() == "strace")
            env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":detect_leaks=0");
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::MergedChannels);
        wrapper << QString::fromStdString(path("PraveltaKVT"));
        const QString command = wrapper.takeFirst();
        p->start(command, wrapper);
        return p;
    }

    // Runs the program with the script to its end.
    ProgramRun run(const std::string& script, const QString& asUser = {}) const {
        return finish(start(script, asUser));
    }
    ProgramRun runUnder(const QStringList& wrapper, const std::string& script) const {
        return finish(startUnder(wrapper, script));
    }

    std::string setting(const char* key) const {
        return QueryFile(path("db/db.mdb"),
                         "select valueFrom from defaultParameter where paramCd = ?",
                         {std::string(key)});
    }

    // A text file of the folder, line by line.
    std::vector<std::string> lines(const char* name) const {
        std::ifstream in(path(name));
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }

  private:
    static ProgramRun finish(const std::unique_ptr<QProcess>& p) {
        if (!p->waitForFinished(120000)) p->kill();
        return {p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1,
                QString::fromUtf8(p->readAll())};
    }

    QTemporaryDir folder_;
    QProcessEnvironment extraEnvironment_;
};
