#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vantle::settings_io {

enum class FileState {
    Read,        // the bytes are the file's content
    Absent,      // there is no such file (or no such folder)
    Unreadable,  // something is there but its content cannot be had: a folder, a device, an error
};

struct FileContent {
    FileState state = FileState::Absent;
    std::string bytes;
};

FileContent ReadFileBytes(const std::filesystem::path& file);

// Replaces the file's content with `bytes`, whole or not at all: the bytes go to a temporary file
// in the same folder, reach the disk, and are then renamed over the file, which keeps its
// permissions (and, where allowed, its owner). A symbolic link is followed, so the link stays. A
// folder that takes no new file makes an existing file be rewritten in place instead. False when
// the content could not be stored; the file is then as it was.
bool ReplaceFile(const std::filesystem::path& file, std::string_view bytes);

// Rewrites an existing file where it stands; the fallback of ReplaceFile, exposed for testing.
bool RewriteInPlace(const std::filesystem::path& file, std::string_view bytes);

}  // namespace vantle::settings_io
