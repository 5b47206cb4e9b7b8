#include "logic/restore_token.h"

#include <algorithm>

#include "settings/settings_io.h"

namespace vantle {
namespace {

bool LooksLikeToken(const std::string& text) {
    return !text.empty() && text.size() <= kMaxRestoreToken &&
           std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 127; });
}

}  // namespace

std::filesystem::path RestoreTokenFile(const std::filesystem::path& userConfigHome) {
    return userConfigHome / "vantle" / "remote-desktop-token";
}

std::optional<std::string> ReadRestoreToken(const std::filesystem::path& file) {
    settings_io::FileContent content = settings_io::ReadFileBytes(file);
    if (content.state != settings_io::FileState::Read) return std::nullopt;
    std::string& text = content.bytes;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (!LooksLikeToken(text)) return std::nullopt;
    return text;
}

bool WriteRestoreToken(const std::filesystem::path& file, const std::string& token) {
    std::error_code error;
    if (token.empty()) return std::filesystem::remove(file, error) || !error;
    if (!LooksLikeToken(token)) return false;
    std::filesystem::create_directories(file.parent_path(), error);
    return settings_io::ReplaceFile(file, token + "\n");
}

}  // namespace vantle
