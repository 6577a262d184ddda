// The benchmark programs' data: a program folder of their own and months of base data.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/AppPath.h"
#include "platform/Database.h"

// A program folder in the temporary directory with a fresh copy of the empty database; while it
// lives, the program folder (platform::AppPath) points at it.
class BenchFolder {
  public:
    BenchFolder() {
        namespace fs = std::filesystem;
        std::string pattern = (fs::temp_directory_path() / "kvt-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        folder_ = pattern;
        fs::create_directories(fs::path(folder_) / "db");
        fs::copy_file(TEMPLATE_DB, fs::path(folder_) / "db" / "db.mdb");
        platform::SetAppPath(folder_);
    }
    ~BenchFolder() {
        platform::SetAppPath("");
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    const std::string& path() const { return folder_; }

  private:
    std::string folder_;
};

// Stores every month of `years` years from `firstYear` for every catalogue item, in one
// transaction; amount(item, month) gives each figure.
inline void SeedMonths(int firstYear, int years,
                       const std::function<double(std::int64_t item, int month)>& amount) {
    platform::Connection conn;
    platform::OpenProgramDatabase(conn);
    std::vector<std::int64_t> items;
    {
        platform::Recordset rs;
        rs.Open("select ItemId from baseItem order by ItemId", conn);
        for (; !rs.Eof(); rs.MoveNext()) items.push_back(rs.Fields(0).AsInt());
    }
    platform::Transaction transaction(conn);
    for (int y = firstYear; y < firstYear + years; ++y)
        for (int m = 1; m <= 12; ++m)
            for (std::int64_t item : items)
                conn.Execute(
                    "insert into baseData(ItemID,PeriodType,Year,Period,Data) values(?,4,?,?,?)",
                    {item, std::int64_t(y), std::int64_t(m), amount(item, m)});
    transaction.Commit();
}
