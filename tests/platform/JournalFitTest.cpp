// Journals built byte by byte as SQLite writes them: a header per segment, then records of a page
// number, the page as it was and a checksum.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/storage/JournalFit.h"

using platform::JournalFit;
using platform::JudgeJournal;

namespace {

constexpr std::uint32_t kPage = 512, kSector = 512, kInit = 0x1234567;

void put32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = char(v >> (24 - 8 * i));
}

// The first 100 bytes of a database file with this change counter.
std::string database(std::uint32_t counter, std::uint32_t pageSize = kPage) {
    std::string header(100, '\0');
    header[16] = char(pageSize >> 8);
    header[17] = char(pageSize & 0xff);
    put32(header, 24, counter);
    return header;
}

struct Record {
    std::uint32_t page;
    std::uint32_t counter = 0;  // page 1's change counter
    bool badChecksum = false;
};

std::string segment(const std::vector<Record>& records, std::uint32_t count, bool first = true,
                    std::uint32_t pageSize = kPage) {
    std::string s(kSector, '\0');
    const unsigned char magic[] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};
    s.replace(0, 8, reinterpret_cast<const char*>(magic), 8);
    put32(s, 8, count);
    put32(s, 12, kInit);
    put32(s, 16, 100);  // pages before the transaction
    if (first) {
        put32(s, 20, kSector);
        put32(s, 24, pageSize);
    }
    for (const Record& r : records) {
        std::string page(pageSize, char(r.page));
        if (r.page == 1) page.replace(0, 100, database(r.counter, pageSize));
        std::uint32_t sum = kInit;
        for (int i = int(pageSize) - 200; i > 0; i -= 200) sum += std::uint8_t(page[i]);
        std::string record(8, '\0');
        put32(record, 0, r.page);
        record.insert(4, page);
        put32(record, 4 + pageSize, sum + (r.badChecksum ? 1 : 0));
        s += record;
    }
    return s;
}

std::string journal(const std::vector<Record>& records) {
    return segment(records, std::uint32_t(records.size()));
}

}  // namespace

TEST(JudgeJournal, TellsWhetherTheJournalBelongsToTheFile) {
    const std::string twoSegments = [] {
        std::string s = journal({{3}, {2}});
        s.resize((s.size() + kSector - 1) / kSector * kSector, '\0');
        return s + segment({{1, 7}}, 1, false);
    }();
    // A VACUUM that changed the page size, cut short: the journal keeps the old size.
    const std::string otherPageSize = segment({{1, 7}}, 1, true, 2 * kPage);
    std::string unsynced = journal({{2}, {1, 7}});
    put32(unsynced, 8, 0xffffffff);  // no count written: the records run to the end
    std::string badMagic = journal({{1, 7}});
    badMagic[3] = 'x';
    const struct {
        const char* what;
        std::string journal;
        std::uint32_t counter;
        JournalFit fit;
    } cases[] = {
        {"empty", "", 7, JournalFit::NotHot},
        {"zeroed header", std::string(kSector, '\0') + "x", 7, JournalFit::NotHot},
        {"crash before the commit reached the file", journal({{2}, {1, 7}}), 7,
         JournalFit::Belongs},
        {"crash after the commit wrote page 1", journal({{2}, {1, 7}}), 8, JournalFit::Belongs},
        {"an older backup", journal({{2}, {1, 7}}), 5, JournalFit::Foreign},
        {"a later state", journal({{2}, {1, 7}}), 9, JournalFit::Foreign},
        {"page 1 in a later segment", twoSegments, 9, JournalFit::Foreign},
        {"page 1 in a later segment, fitting", twoSegments, 8, JournalFit::Belongs},
        {"no page 1", journal({{2}, {3}}), 5, JournalFit::Unknown},
        {"page 1 behind a damaged record", journal({{2, 0, true}, {1, 7}}), 5, JournalFit::Unknown},
        {"page 1 cut short", journal({{1, 7}}).substr(0, kSector + 100), 5, JournalFit::Unknown},
        {"records counted by the file size", unsynced, 5, JournalFit::Foreign},
        {"another page size", otherPageSize, 8, JournalFit::Belongs},
        {"not a journal", badMagic, 7, JournalFit::Foreign},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JudgeJournal(c.journal, database(c.counter)), c.fit) << c.what;
    // SQLite would delete the journal of an emptied file unread.
    EXPECT_EQ(JudgeJournal(journal({{1, 7}}), ""), JournalFit::Foreign);
}

// The pages a playback would restore, within SQLite's limits, and whether the journal names a
// super-journal at its end (the record SQLite reads before the playback: name, length, the sum of
// the name's bytes, the magic).
TEST(JudgeJournal, ListsThePagesPlayedBackAndFindsASuperJournalRecord) {
    const auto superRecord = [](const std::string& name, int sumOffBy) {
        std::string record(4, '\0');
        put32(record, 0, 0x40000000 / kPage + 1);
        record += name;
        std::string tail(16, '\0');
        std::uint32_t sum = 0;
        for (char c : name) sum += std::uint8_t(c);
        put32(tail, 0, std::uint32_t(name.size()));
        put32(tail, 4, sum + std::uint32_t(sumOffBy));
        const unsigned char magic[] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};
        tail.replace(8, 8, reinterpret_cast<const char*>(magic), 8);
        return record + tail;
    };
    const std::string plain = journal({{2}, {1, 7}, {200}});  // page 200 lay past the file's end
    const struct {
        const char* what;
        std::string journal;
        std::vector<std::uint32_t> pages;
        bool namesSuper;
    } cases[] = {
        {"a plain journal", plain, {2, 1}, false},
        {"one naming a super-journal", plain + superRecord("/etc/victim", 0), {2, 1}, true},
        {"a record whose sum does not fit", plain + superRecord("/etc/victim", 1), {2, 1}, false},
        {"playback stops at a damaged record", journal({{3}, {2, 0, true}, {1, 7}}), {3}, false},
        {"not a journal", "nothing", {}, false},
    };
    for (const auto& c : cases) {
        std::uint32_t pageSize = 0;
        EXPECT_EQ(platform::JournaledPages(c.journal, pageSize), c.pages) << c.what;
        EXPECT_EQ(platform::NamesSuperJournal(c.journal), c.namesSuper) << c.what;
    }
}
