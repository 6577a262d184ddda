// A writer for the crash tests.
//   interrupted_writer <database file>
//     commits one year of amounts, then changes them and adds months in one transaction with a
//     one-page cache, so that changed pages reach the database file before the commit. Then it
//     prints "ready" and waits, in the middle of its transaction, to be killed.
//   interrupted_writer <database file> save
//     commits one save that changes every amount and adds a year of months: run under
//     `strace -e inject=unlink:signal=SIGKILL`, it dies after the commit wrote the file, before
//     its journal is removed.
//   interrupted_writer <database file> commit-after <ms>
//     the same, but commits its transaction `ms` milliseconds after "ready": a long save.
//   interrupted_writer <database file> probe <stop file>
//     another program that writes while the start recovers: tries every 10 ms, without waiting
//     for locks, to commit a row into the table probe(x), printing each x it was told was
//     committed, until the stop file exists.
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int probe(sqlite3* db, const char* stopFile) {
    sqlite3_stmt* insert = nullptr;
    for (long x = 1; ::access(stopFile, F_OK) != 0; ++x) {
        if (!insert && sqlite3_prepare_v2(db, "insert into probe values (?)", -1, &insert,
                                          nullptr) != SQLITE_OK)
            continue;  // the schema cannot be read while the start holds its lock
        sqlite3_bind_int64(insert, 1, x);
        if (sqlite3_step(insert) == SQLITE_DONE) std::printf("%ld\n", x);
        std::fflush(stdout);
        sqlite3_reset(insert);
        ::usleep(10000);
    }
    sqlite3_finalize(insert);
    return sqlite3_close(db) == SQLITE_OK ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) return 2;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return 1;
    if (argc == 4 && std::strcmp(argv[2], "probe") == 0) return probe(db, argv[3]);
    const bool save = argc == 3 && std::strcmp(argv[2], "save") == 0;
    const char* committed = save ? ""
                                 : "insert into baseData(ItemID, PeriodType, Year, Period, Data)"
                                   " select ItemId, 1, 2001, 1, ItemId from baseItem";
    const char* months =
        "with recursive month(n) as (select 0 union all select n + 1 from month where n < 599)"
        " insert into baseData(ItemID, PeriodType, Year, Period, Data)"
        " select ItemId, 4, 1980 + n / 12, n % 12 + 1, n from baseItem, month;";
    const char* saved =
        "begin;"
        "update baseData set Data = -1;"
        "insert into baseData(ItemID, PeriodType, Year, Period, Data)"
        " select ItemId, 1, 2002, 1, ItemId from baseItem;"
        "commit;";
    const char* cutShort = "pragma cache_size = 1; begin; update baseData set Data = -1;";
    if (sqlite3_exec(db, committed, nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, save ? saved : cutShort, nullptr, nullptr, nullptr) != SQLITE_OK ||
        (!save && sqlite3_exec(db, months, nullptr, nullptr, nullptr) != SQLITE_OK)) {
        std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        return 1;
    }
    if (save) return 0;
    std::puts("ready");
    std::fflush(stdout);
    if (argc == 4 && std::strcmp(argv[2], "commit-after") == 0) {
        ::usleep(useconds_t(std::atoi(argv[3])) * 1000);
        sqlite3_busy_timeout(db, 10000);  // a reader may hold the file for a moment
        const bool committed = sqlite3_exec(db, "commit", nullptr, nullptr, nullptr) == SQLITE_OK;
        if (!committed) std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        return sqlite3_close(db) == SQLITE_OK && committed ? 0 : 1;
    }
    for (;;) ::pause();
}
