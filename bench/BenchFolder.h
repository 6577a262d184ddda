// A program folder for the benchmark programs: a temporary directory holding a fresh copy of
// the empty database (TEMPLATE_DB). While it lives, the program folder points at it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/AppPath.h"

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

  private:
    std::string folder_;
};
