#include "platform/storage/PathWalk.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <deque>

#include "platform/storage/FileHelpers.h"

namespace platform {
namespace {

constexpr int kMostLinks = 40;  // as the kernel allows

struct Component {
    std::string name;
    bool givenLast = false;
    bool given = false;  // of the path as given, not of a link's target
};

std::deque<Component> split(const std::string& path, bool given) {
    std::deque<Component> parts;
    std::size_t at = 0;
    while (at <= path.size()) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        if (end > at) parts.push_back({path.substr(at, end - at), false, given});
        at = end + 1;
    }
    if (given && !parts.empty()) parts.back().givenLast = true;
    return parts;
}

std::string readLink(int dirFd, const std::string& name, const struct stat& st) {
    std::string target(std::size_t(st.st_size > 0 ? st.st_size : PATH_MAX), '\0');
    const ssize_t n = ::readlinkat(dirFd, name.c_str(), target.data(), target.size());
    if (n < 0) return std::string();
    target.resize(std::size_t(n));
    return target;
}

}  // namespace

PathWalk::~PathWalk() {
    for (const Folder& folder : folders_) ::close(folder.fd);
}

std::string PathWalk::PathIn(std::size_t folder, const std::string& name) const {
    const std::string& base = folders_.at(folder).path;
    return base == "/" ? "/" + name : base + "/" + name;
}

int PathWalk::fail(int error, const std::string& path) {
    errorPath_ = path;
    return error;
}

std::size_t PathWalk::hold(int fd, const std::string& path, const struct stat& st) {
    folders_.push_back({fd, path, st});
    return folders_.size() - 1;
}

int PathWalk::Walk(const std::string& path) {
    std::string full = path;
    if (path.empty() || path[0] != '/') {
        char cwd[PATH_MAX];
        if (!::getcwd(cwd, sizeof cwd)) return fail(errno, path);
        full = std::string(cwd) + "/" + path;
    }
    const int rootFd = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat rootSt {};
    if (rootFd < 0 || ::fstat(rootFd, &rootSt) != 0) return fail(errno, "/");
    std::vector<std::size_t> stack{hold(rootFd, "/", rootSt)};
    walked_ = full;
    holder_ = named_ = 0;
    finalName_.clear();
    std::deque<Component> todo = split(full, true);
    if (todo.empty()) {  // "/" itself
        finalFolder_ = 0;
        finalName_ = "/";
        final_ = rootSt;
    }
    int links = 0;
    while (!todo.empty()) {
        const Component part = todo.front();
        todo.pop_front();
        const std::size_t here = stack.back();
        if (part.given) before_.push_back(here);
        if (part.givenLast) named_ = here;
        if (part.name == "." || part.name == "..") {
            if (part.name == ".." && stack.size() > 1) stack.pop_back();
            if (todo.empty()) {  // ends on a folder: hold it as the final one
                holder_ = stack.size() > 1 ? stack[stack.size() - 2] : stack.back();
                finalFolder_ = long(stack.back());
                finalName_ = folders_[stack.back()].path;
                final_ = folders_[stack.back()].st;
            }
            continue;
        }
        const std::string at = PathIn(here, part.name);
        holder_ = here;
        finalName_ = part.name;
        Step step{here, part.name, {}, false, todo.empty(), part.givenLast};
        if (::fstatat(folders_[here].fd, part.name.c_str(), &step.entry, AT_SYMLINK_NOFOLLOW) != 0)
            return fail(errno, at);
        if (S_ISLNK(step.entry.st_mode)) {
            step.link = true;
            step.final = false;
            steps_.push_back(step);
            const std::string target = readLink(folders_[here].fd, part.name, step.entry);
            if (++links > kMostLinks) return fail(ELOOP, at);
            if (target.empty()) return fail(errno ? errno : ENOENT, at);
            std::deque<Component> more = split(target, false);
            todo.insert(todo.begin(), more.begin(), more.end());
            if (target[0] == '/') stack.resize(1);
            if (todo.empty()) todo.push_back({".", false, false});  // a link to "/"
            continue;
        }
        steps_.push_back(step);
        final_ = step.entry;
        if (!S_ISDIR(step.entry.st_mode)) {
            if (!todo.empty()) return fail(ENOTDIR, at);
            return 0;
        }
        const int fd = ::openat(folders_[here].fd, part.name.c_str(),
                                O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0) {
            if (fd >= 0) ::close(fd);
            return fail(errno, at);
        }
        const std::size_t held = hold(fd, at, st);
        // Swapped between the look-up and the open: judged was another folder.
        if (!SameFile(st, step.entry)) return fail(EAGAIN, at);
        stack.push_back(held);
        if (todo.empty()) finalFolder_ = long(held);
    }
    return 0;
}

}  // namespace platform
