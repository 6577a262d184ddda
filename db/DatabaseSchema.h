// The program's database beyond the tables the file is made with: the check at start that a
// file is this program's database, and the upgrades that bring a file made by an earlier build
// up to date. The version reached is kept in PRAGMA user_version.
#pragma once

#include <string>

#include "platform/storage/Database.h"

namespace platform {
class DatabasePlace;
}

class DatabaseSchema {
  public:
    // The version Upgrade brings a database to.
    static const int kVersion;

    // Empty when the file `place` holds is an SQLite database holding this program's tables,
    // whole: every page, and every index against its table; otherwise what is wrong (SQLite's
    // text or the missing table or column), for the developer. Rolls back a transaction a crashed
    // writer left unfinished, and otherwise writes nothing. A file that cannot be read or
    // recovered now (locked by another program, no permission) raises DbError.
    static std::string Problem(const platform::DatabasePlace& place);

    // Creates what is missing up to kVersion and records it, in one transaction: entered data
    // and settings are not touched, only catalogue units an earlier build wrote. A database at
    // kVersion or newer is left as it is.
    static void Upgrade(platform::Connection& conn);
};
