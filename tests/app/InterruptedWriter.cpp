// A writer for the crash tests.
//   interrupted_writer <database file>
//     commits one year of amounts, then changes them and adds months in one transaction with a
//     one-page cache, so that changed pages reach the database file before the commit. Then it
//     prints "ready" and waits, in the middle of its transaction, to be killed.
//   interrupted_writer <database file> save
//     commits one save that changes every amount and adds a year of months: run under
//     `strace -e inject=unlink:signal=SIGKILL`, it dies after the commit wrote the file, before
//     its journal is removed.
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) return 2;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return 1;
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
    for (;;) ::pause();
}
