// A large period conversion killed anywhere in its transaction, on the real program. The program
// writes the database file only at the commit, after page 1 is in the journal, so the next start
// finds either no journal to roll back (its header is still zero before the commit's sync) or one
// it matches to the file and rolls back; never one it cannot place.
#include <gtest/gtest.h>

#include <QtGlobal>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/ProgramFolder.h"
#include "tests/support/TestDb.h"

namespace {

const char* const kConvert =
    "expect login_form\n"
    "set txtUserPwd 123456\n"
    "click Command1\n"
    "expect frmMainCode\n"
    "menu BaseData 3\n"
    "expect form_base_interface\n"
    "answer Yes\n"
    "click cmdMonthToQuartor\n"
    "menu BaseData 5\n";
const char* const kStart = "answer OK\nexpect login_form\nclick Command2\n";

// Twenty years of months of every item, with a page cache of ten pages suggested in the file to
// every connection: the conversion to quarters outgrows the cache many times over.
std::string monthsWithASmallCache(const std::string& db) {
    QueryFile(db, "pragma default_cache_size = 10");
    QueryFile(db,
              "with recursive m(n) as (select 0 union all select n + 1 from m where n < 239)"
              " insert into baseData(ItemID, PeriodType, Year, Period, Data)"
              " select ItemId, 4, 1900 + n / 12, n % 12 + 1, n from baseItem, m");
    return bytesOf(db);
}

// The number of pwrite calls of the whole conversion.
int writesOfTheConversion(ProgramFolder& program) {
    program.killAtWrite();
    program.setEnv("KVT_WRITES_FILE", QString::fromStdString(program.path("writes")));
    const ProgramRun run = program.run(kConvert);
    EXPECT_EQ(run.exitCode, 0) << run.log.toStdString();
    const std::vector<std::string> told = program.lines("writes");
    return told.empty() ? 0 : std::stoi(told[0]);
}

}  // namespace

TEST(ConversionCrash, AConversionKilledAnywhereLeavesNoJournalTheNextStartCannotPlace) {
    ProgramFolder counted;
    const std::string seeded = monthsWithASmallCache(counted.path("db/db.mdb"));
    // The program's connections take the suggested cache size.
    ASSERT_EQ(QueryFile(counted.path("db/db.mdb"), "pragma cache_size"), "10");
    const int writes = writesOfTheConversion(counted);
    ASSERT_GT(writes, 100);
    // The journal is written whole before the file is touched. Killed halfway through the journal's
    // writes, the journal's header is still zero: the next start has nothing to roll back and
    // says nothing. Killed in the commit's writes to the file, the journal is matched to the file
    // and rolled back, which one box tells.
    struct Case {
        int at;
        bool rolledBack;
    };
    for (const Case c : {Case{writes / 2, false}, Case{writes - 5, true}}) {
        SCOPED_TRACE("killed at write " + std::to_string(c.at) + " of " + std::to_string(writes));
        ProgramFolder program;
        const std::string db = program.path("db/db.mdb");
        std::ofstream(db, std::ios::binary | std::ios::trunc) << seeded;
        program.killAtWrite();
        program.setEnv("KVT_KILL_AT_WRITE", QString::number(c.at));
        const ProgramRun killed = program.run(kConvert);
        ASSERT_EQ(killed.exitCode, -1) << killed.log.toStdString();
        ASSERT_TRUE(std::filesystem::exists(db + "-journal"));
        std::filesystem::remove(program.path("messages.log"));

        program.setEnv("KVT_KILL_AT_WRITE", "0");
        const ProgramRun next = program.run(kStart);
        EXPECT_EQ(next.exitCode, 0) << next.log.toStdString();
        const std::vector<std::string> boxes = program.lines("messages.log");
        ASSERT_EQ(boxes.size(), c.rolledBack ? 1u : 0u);
        if (c.rolledBack) {
            EXPECT_NE(boxes[0].find("已按日志文件撤销未完成的保存，数据库文件检查无误"),
                      std::string::npos)
                << boxes[0];
        }
        EXPECT_EQ(QueryFile(db, "select count(*) from baseData where PeriodType = 3"), "0");
        EXPECT_EQ(QueryFile(db, "pragma integrity_check"), "ok");
    }
}
