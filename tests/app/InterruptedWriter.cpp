// A writer for the crash test: commits one year of amounts, then changes them and adds months
// in one transaction with a one-page cache, so that changed pages reach the database file before
// the commit. Then it prints "ready" and waits to be killed.
//   interrupted_writer <database file>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return 1;
    const char* committed =
        "insert into baseData(ItemID, PeriodType, Year, Period, Data)"
        " select ItemId, 1, 2001, 1, ItemId from baseItem";
    const char* cutShort =
        "pragma cache_size = 1;"
        "begin;"
        "update baseData set Data = -1;"
        "with recursive month(n) as (select 0 union all select n + 1 from month where n < 599)"
        " insert into baseData(ItemID, PeriodType, Year, Period, Data)"
        " select ItemId, 4, 1980 + n / 12, n % 12 + 1, n from baseItem, month;";
    if (sqlite3_exec(db, committed, nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, cutShort, nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    for (;;) ::pause();
}
