// tools/kvt.sh where the environment leaves it no place to work: it says so in one line and stops.
// Nothing here builds or installs packages: every case stops before that.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <string>

namespace {

struct ScriptRun {
    int exitCode;
    std::string output;
};

// `bash <script> <command>` with `env`, as the user `asUser` when one is given.
ScriptRun kvt(const QString& script, const QString& command, const QProcessEnvironment& env,
              const QString& asUser = {}) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (asUser.isEmpty())
        p.start("bash", {script, command});
    else
        p.start("setpriv", {"--reuid=" + asUser, "--regid=" + asUser, "--clear-groups", "bash",
                            script, command});
    if (!p.waitForFinished(60000)) p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAll().toStdString()};
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

bool oneLineStartingWith(const std::string& output, const std::string& start) {
    return output.rfind(start, 0) == 0 && output.find('\n') == output.size() - 1;
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
