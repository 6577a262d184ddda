// The program's folder: every file the program uses (db/db.mdb, Skinz/, hlp/) is found
// relative to it.
#pragma once

#include <string>

namespace platform {

// The folder of the running executable, unless SetAppPath chose another (tests do).
std::string AppPath();
void SetAppPath(const std::string& folder);

// <program folder>/db/db.mdb
std::string DatabasePath();

// The path with "." and ".." taken out and every symbolic link followed, as SQLite opens it;
// "" when it names nothing.
std::string ResolvedPath(const std::string& path);

}  // namespace platform
