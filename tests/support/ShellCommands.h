// The commands a box gives, taken from its text, and their runs as a user pastes them into a
// shell.
#pragma once

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

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
