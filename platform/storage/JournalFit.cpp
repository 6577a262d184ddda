#include "platform/storage/JournalFit.h"

#include <cstdint>
#include <cstring>
#include <optional>

#include "platform/storage/LockBytes.h"

namespace platform {
namespace {

constexpr unsigned char kMagic[8] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};
constexpr std::size_t kDefaultSector = 512;

std::uint32_t be32(std::string_view bytes, std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

bool powerOfTwoWithin(std::uint32_t n, std::uint32_t low, std::uint32_t high) {
    return n >= low && n <= high && (n & (n - 1)) == 0;
}

// The journal's records in the order and within the limits of SQLite's playback of a hot
// journal. Finds the first record of page 1, if the playback would reach it.
class JournalReader {
  public:
    explicit JournalReader(std::string_view journal) : journal_(journal) {}

    // False when SQLite could not use the journal at all (no first header, or one it refuses).
    bool readFirstHeader() {
        if (journal_.size() < kDefaultSector || std::memcmp(journal_.data(), kMagic, 8) != 0)
            return false;
        sector_ = be32(journal_, 20);
        pageSize_ = be32(journal_, 24);
        originalPages_ = be32(journal_, 16);
        return powerOfTwoWithin(pageSize_, 512, 65536) && powerOfTwoWithin(sector_, 32, 65536);
    }

    // Page 1 as it was before the transaction, if the playback would restore it.
    std::optional<std::string_view> pageOne() {
        std::optional<std::string_view> one;
        records([&](std::uint32_t page, std::string_view data) {
            if (page == 1) one = data;
            return page != 1;
        });
        return one;
    }

    std::uint32_t pageSize() const { return pageSize_; }

    // Calls `each(page, data)` for every record the playback would restore, in order, until it
    // returns false.
    template <typename Each>
    void records(Each each) {
        std::size_t header = 0;
        while (header + sector_ <= journal_.size() &&
               std::memcmp(journal_.data() + header, kMagic, 8) == 0) {
            std::uint32_t records = be32(journal_, header + 8);
            cksumInit_ = be32(journal_, header + 12);
            std::size_t at = header + sector_;
            if (records == 0xffffffff)
                records = std::uint32_t((journal_.size() - at) / recordSize());
            for (std::uint32_t r = 0; r < records; ++r, at += recordSize()) {
                if (at + recordSize() > journal_.size()) return;  // cut short
                const std::uint32_t page = be32(journal_, at);
                if (page == 0 || page == std::uint64_t(kPendingByte) / pageSize_ + 1)
                    return;                           // SQLite stops at the lock page too
                if (page > originalPages_) continue;  // not played back, not checked
                const std::string_view data = journal_.substr(at + 4, pageSize_);
                if (checksum(data) != be32(journal_, at + 4 + pageSize_)) return;
                if (!each(page, data)) return;
            }
            header = ((at - 1) / sector_ + 1) * sector_;  // the next sector boundary
        }
    }

  private:
    std::size_t recordSize() const { return std::size_t(pageSize_) + 8; }
    std::uint32_t checksum(std::string_view page) const {
        std::uint32_t sum = cksumInit_;
        for (int i = int(pageSize_) - 200; i > 0; i -= 200)
            sum += std::uint8_t(page[std::size_t(i)]);
        return sum;
    }

    std::string_view journal_;
    std::uint32_t sector_ = 0;
    std::uint32_t pageSize_ = 0;
    std::uint32_t originalPages_ = 0;
    std::uint32_t cksumInit_ = 0;
};

}  // namespace

JournalFit JudgeJournal(std::string_view journal, std::string_view database) {
    if (!SqliteWouldPlayBack(journal)) return JournalFit::NotHot;
    // SQLite deletes a hot journal beside an empty file unread: a file emptied after the crash
    // (a copy cut short on a full disk) is no state of the file the journal belongs to.
    if (database.size() < 100) return JournalFit::Foreign;
    JournalReader reader(journal);
    if (!reader.readFirstHeader()) return JournalFit::Foreign;  // SQLite cannot use it
    // Page 1 is read at the journal's page size, as SQLite plays it back: a transaction that
    // changed the page size (VACUUM) journals the pages at the size they had before it.
    const std::optional<std::string_view> pageOne = reader.pageOne();
    if (!pageOne) return JournalFit::Unknown;
    const std::uint32_t before = be32(*pageOne, 24), now = be32(database, 24);
    return now == before || now == before + 1 ? JournalFit::Belongs : JournalFit::Foreign;
}

bool NamesSuperJournal(std::string_view journal) {
    // At the end: the name, its length, the sum of its bytes and the journal's magic.
    if (journal.size() < 16 || std::memcmp(journal.data() + journal.size() - 8, kMagic, 8) != 0)
        return false;
    const std::uint32_t length = be32(journal, journal.size() - 16);
    const std::uint32_t sum = be32(journal, journal.size() - 12);
    if (length == 0 || length > journal.size() - 16) return false;
    const std::string_view name = journal.substr(journal.size() - 16 - length, length);
    std::uint32_t bytes = 0;
    for (char c : name) bytes += std::uint8_t(c);
    return bytes == sum && name[0] != 0;
}

std::vector<std::uint32_t> JournaledPages(std::string_view journal, std::uint32_t& pageSize) {
    std::vector<std::uint32_t> pages;
    JournalReader reader(journal);
    pageSize = 0;
    if (!reader.readFirstHeader()) return pages;
    pageSize = reader.pageSize();
    reader.records([&](std::uint32_t page, std::string_view) {
        pages.push_back(page);
        return true;
    });
    return pages;
}

}  // namespace platform
