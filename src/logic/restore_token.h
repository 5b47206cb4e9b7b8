#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace vantle {

// The remote-desktop portal's restore token: handed back after an approved session, it lets the
// next session start without asking the user again. Each token works once, so the newest one
// replaces the file's after every start. The file holds the token alone, on one line.

// The token file's place: `vantle/remote-desktop-token` in the user's configuration folder.
std::filesystem::path RestoreTokenFile(const std::filesystem::path& userConfigHome);

// The stored token; nothing when there is no file, or when what is there is not a token (empty,
// longer than kMaxRestoreToken, or holding anything but printable ASCII), which is then ignored:
// the portal asks the user, and the next start replaces the file.
inline constexpr std::size_t kMaxRestoreToken = 512;
std::optional<std::string> ReadRestoreToken(const std::filesystem::path& file);

// Stores a new token, whole or not at all (the folder made when missing). An empty token removes
// the file. False when it could not be stored; the old file is then as it was.
bool WriteRestoreToken(const std::filesystem::path& file, const std::string& token);

}  // namespace vantle
