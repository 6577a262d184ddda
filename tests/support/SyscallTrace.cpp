#include "tests/support/SyscallTrace.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

namespace {

// Reads strace's messages up to the one that says it attached to `pid`; false at their end.
bool waitForAttach(int messages, pid_t pid) {
    const std::string attachedLine = "Process " + std::to_string(pid) + " attached";
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = ::read(messages, buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.find(attachedLine) != std::string::npos) return true;
    }
    return false;
}

}  // namespace

SyscallTrace::SyscallTrace(const std::string& calls) {
    char name[] = "/tmp/kvt-strace-XXXXXX";
    const int file = ::mkstemp(name);
    int pipeEnds[2];
    if (file < 0 || ::pipe(pipeEnds) != 0) return;
    ::close(file);
    output_ = name;
    // Everything the child needs is made before the fork: it only redirects and runs strace.
    const std::string pid = std::to_string(::gettid());
    const std::string filter = "trace=" + calls;
    const char* argv[] = {"strace", "-y", "-s", "4096",      "-e",   filter.c_str(),
                          "-o",     name, "-p", pid.c_str(), nullptr};
    strace_ = ::fork();
    if (strace_ == 0) {
        ::dup2(pipeEnds[1], STDERR_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        ::execvp("strace", const_cast<char* const*>(argv));
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    messages_ = pipeEnds[0];
    attached_ = strace_ > 0 && waitForAttach(messages_, ::gettid());
}

SyscallTrace::~SyscallTrace() {
    Stop();
    if (!output_.empty()) ::unlink(output_.c_str());
}

std::vector<std::string> SyscallTrace::Stop() {
    if (strace_ > 0) {
        ::kill(strace_, SIGTERM);  // strace detaches and ends
        ::waitpid(strace_, nullptr, 0);
        strace_ = -1;
    }
    if (messages_ >= 0) ::close(messages_);
    messages_ = -1;
    std::vector<std::string> lines;
    std::ifstream in(output_);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}
