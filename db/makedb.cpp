// Build tool: creates a database file from SQL scripts.
//   makedb [--if-missing] <database file> <script.sql>...
// With --if-missing an existing file is left exactly as it is, so rebuilding never wipes the
// user's data. The file is written under a temporary name, brought to the current schema
// version and renamed when complete.
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "db/DatabaseSchema.h"

namespace fs = std::filesystem;

static int fail(const std::string& msg) {
    std::fprintf(stderr, "makedb: %s\n", msg.c_str());
    return 1;
}

int main(int argc, char** argv) {
    int arg = 1;
    bool ifMissing = false;
    if (arg < argc && std::strcmp(argv[arg], "--if-missing") == 0) {
        ifMissing = true;
        ++arg;
    }
    if (argc - arg < 2) return fail("usage: makedb [--if-missing] <db file> <script.sql>...");
    const fs::path target = argv[arg++];
    if (ifMissing && fs::exists(target)) return 0;

    fs::create_directories(target.parent_path());
    const fs::path temp = target.string() + ".new";
    fs::remove(temp);
    sqlite3* db = nullptr;
    if (sqlite3_open(temp.c_str(), &db) != SQLITE_OK) return fail("cannot create " + temp.string());
    std::string script = "BEGIN;\n";
    for (; arg < argc; ++arg) {
        std::ifstream in(argv[arg], std::ios::binary);
        if (!in) {
            sqlite3_close(db);
            return fail(std::string("cannot read ") + argv[arg]);
        }
        std::ostringstream text;
        text << in.rdbuf();
        script += text.str() + "\n";
    }
    script += "COMMIT;\n";
    char* err = nullptr;
    if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "unknown error";
        sqlite3_free(err);
        sqlite3_close(db);
        fs::remove(temp);
        return fail(msg);
    }
    sqlite3_close(db);
    try {
        platform::Connection conn;
        conn.Open(temp.string());
        DatabaseSchema::Upgrade(conn);
    } catch (const std::exception& e) {
        fs::remove(temp);
        return fail(e.what());
    }
    fs::rename(temp, target);
    return 0;
}
