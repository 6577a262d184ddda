// Writing files that must reach the disk whole: every byte written, the file and then the
// names in its folder synced. Each returns 0 or the error number of the first failure.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Writes all `size` bytes to the open file, going on after interruptions.
int WriteAll(int fd, const char* data, std::size_t size);

// Makes the names made, renamed or removed in the folder durable.
int SyncFolder(const std::string& folder);

}  // namespace platform
