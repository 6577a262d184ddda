// Runs a piece of a test in a child process: as another copy of the program meets this one, or,
// as another, unprivileged user (nobody, 65534), the way a second user of a shared program folder
// meets files this user made (that needs root). And the commands a box gives, run as a user pastes
// them into a shell.
#pragma once

#include <grp.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

constexpr uid_t kAnotherUser = 65534;

inline bool CanActAsAnotherUser() {
    return ::geteuid() == 0;
}

// What `body` returned (or the text of what it threw) in a child process; "" when the child
// failed. The child must not use a database handle its parent has open.
inline std::string InAnotherProcess(const std::function<std::string()>& body) {
    int out[2];
    if (::pipe(out) != 0) return "";
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(out[0]);
        ::close(out[1]);
        return "";
    }
    if (child == 0) {
        ::close(out[0]);
        std::string result;
        try {
            result = body();
        } catch (const std::exception& e) {
            result = e.what();
        }
        const bool written =
            ::write(out[1], result.data(), result.size()) == static_cast<ssize_t>(result.size());
        ::_exit(written ? 0 : 3);
    }
    ::close(out[1]);
    std::string result;
    char buffer[512];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) result.append(buffer, n);
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? result : "";
}

// Becomes user `uid` with the group `gid` and the supplementary `groups`; the process ends
// when it cannot.
inline void BecomeUser(uid_t uid, gid_t gid, const std::vector<gid_t>& groups = {}) {
    if (::setgroups(groups.size(), groups.data()) != 0 || ::setresgid(gid, gid, gid) != 0 ||
        ::setresuid(uid, uid, uid) != 0)
        ::_exit(2);
    // A process that gave up root is no longer dumpable, and its /proc/self/fd becomes root's:
    // the program, started anew by exec, can read its own.
    ::prctl(PR_SET_DUMPABLE, 1);
}

// InAnotherProcess as user `uid` with the group `gid` and the supplementary `groups`.
inline std::string AsUser(uid_t uid, gid_t gid, const std::function<std::string()>& body,
                          const std::vector<gid_t>& groups = {}) {
    return InAnotherProcess([&] {
        BecomeUser(uid, gid, groups);
        return body();
    });
}

// The same as user 65534.
inline std::string AsAnotherUser(const std::function<std::string()>& body) {
    return AsUser(kAnotherUser, kAnotherUser, body);
}

// Runs `body` as user `uid` (group `gid`) in a child process that then keeps what it took (a lock,
// an open file) until the object goes. result() is what body returned, "" when the child failed.
class HeldByUser {
  public:
    HeldByUser(uid_t uid, gid_t gid, const std::function<std::string()>& body) {
        int report[2], release[2];
        if (::pipe(report) != 0) return;
        if (::pipe(release) != 0) release[0] = release[1] = -1;
        if (release[0] < 0 || (child_ = ::fork()) < 0) {
            for (const int fd : {report[0], report[1], release[0], release[1]})
                if (fd >= 0) ::close(fd);
            return;
        }
        if (child_ == 0) {
            ::close(report[0]);
            ::close(release[1]);
            BecomeUser(uid, gid);
            const std::string said = body();
            if (::write(report[1], said.data(), said.size()) != ssize_t(said.size())) ::_exit(3);
            ::close(report[1]);
            char end;
            ::_exit(::read(release[0], &end, 1) == 0 ? 0 : 3);  // the parent closed its end
        }
        ::close(report[1]);
        ::close(release[0]);
        release_ = release[1];
        char buffer[256];
        for (ssize_t n; (n = ::read(report[0], buffer, sizeof buffer)) > 0;)
            result_.append(buffer, std::size_t(n));
        ::close(report[0]);
    }
    ~HeldByUser() {
        if (release_ >= 0) ::close(release_);
        if (child_ > 0) ::waitpid(child_, nullptr, 0);
    }
    HeldByUser(const HeldByUser&) = delete;
    HeldByUser& operator=(const HeldByUser&) = delete;

    const std::string& result() const { return result_; }

  private:
    pid_t child_ = -1;
    int release_ = -1;
    std::string result_;
};

// The lines of `box` (as shown, or with "\n" written out as the message log keeps it) that
// start with the name of a program a box gives.
inline std::vector<std::string> CommandsIn(std::string box) {
    for (std::size_t at; (at = box.find("\\n")) != std::string::npos;) box.replace(at, 2, "\n");
    std::vector<std::string> commands;
    std::istringstream lines(box);
    for (std::string line; std::getline(lines, line);)
        for (const char* program : {"chgrp ", "chmod ", "getfacl ", "sqlite3 ", "rm "})
            if (line.rfind(program, 0) == 0) commands.push_back(line);
    return commands;
}

// `script` run by `shell` (sh or bash) as it is: its exit code and what it wrote.
inline std::pair<int, std::string> RunInShell(const std::string& shell, const std::string& script) {
    ::setenv("KVT_SHELL_SCRIPT", script.c_str(), 1);  // expanded once by popen's shell, as it is
    FILE* out = ::popen((shell + " -c \"$KVT_SHELL_SCRIPT\" 2>&1").c_str(), "r");
    std::string said;
    char buffer[256];
    for (std::size_t n; out && (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
        said.append(buffer, n);
    const int status = out ? ::pclose(out) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, said};
}
