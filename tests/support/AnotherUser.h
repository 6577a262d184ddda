// Runs a piece of a test in a child process: as another copy of the program meets this one, or,
// as another, unprivileged user (nobody, 65534), the way a second user of a shared program folder
// meets files this user made (that needs root).
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <functional>
#include <string>

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

// InAnotherProcess as user `uid` with the group `gid` and no other.
inline std::string AsUser(uid_t uid, gid_t gid, const std::function<std::string()>& body) {
    return InAnotherProcess([&] {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(gid, gid, gid) != 0 ||
            ::setresuid(uid, uid, uid) != 0)
            ::_exit(2);
        return body();
    });
}

// The same as user 65534.
inline std::string AsAnotherUser(const std::function<std::string()>& body) {
    return AsUser(kAnotherUser, kAnotherUser, body);
}
