#pragma once

#include <unistd.h>

#include <filesystem>

namespace vantle {

// A regular file, links followed, that this process may run.
inline bool IsExecutableFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace vantle
