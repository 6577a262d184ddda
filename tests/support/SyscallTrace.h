// Records this process's main thread's system calls of some kinds with strace while it lives,
// to see in which order the program asks the kernel for things (a sync after a rename). strace
// attaches to the running process, so the test needs no child program of its own.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class SyscallTrace {
  public:
    // Starts strace on the calling thread for the calls named (strace's "trace=" list) and waits
    // until it is attached. File descriptors are shown with their paths, strings whole.
    explicit SyscallTrace(const std::string& calls);
    ~SyscallTrace();
    SyscallTrace(const SyscallTrace&) = delete;
    SyscallTrace& operator=(const SyscallTrace&) = delete;

    // False when strace is missing or may not attach to this process.
    bool attached() const { return attached_; }
    // Detaches strace and returns the calls it saw, one line each, in order.
    std::vector<std::string> Stop();

  private:
    pid_t strace_ = -1;
    int messages_ = -1;  // strace's own messages
    std::string output_;
    bool attached_ = false;
};
