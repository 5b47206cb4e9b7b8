#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>

#include "base/ascii_text.h"
#include "seams/executable_file.h"
#include "seams/registry.h"

namespace vantle {
namespace {

namespace fs = std::filesystem;

// Relative and empty entries of the search path are skipped: they would name a different
// program depending on the folder the program happens to run in.
std::optional<std::string> FindSystemInfoProgram(std::string_view searchPath) {
    for (std::string_view program : kSystemInfoPrograms) {
        std::string_view rest = searchPath;
        while (!rest.empty()) {
            const std::size_t colon = rest.find(':');
            const fs::path folder(rest.substr(0, colon));
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
            if (!folder.is_absolute()) continue;
            const fs::path candidate = (folder / program).lexically_normal();
            if (IsExecutableFile(candidate)) return candidate.string();
        }
    }
    return std::nullopt;
}

class LinuxRegistry final : public Registry {
  public:
    explicit LinuxRegistry(std::string searchPath) : searchPath_(std::move(searchPath)) {}

    RegStatus OpenKey(RegKey root, const std::string& subKey, std::uint32_t access,
                      RegKey& key) override {
        // Key and value names are matched without regard to case, as the registry does.
        if (root != HKEY_LOCAL_MACHINE || !EqualIgnoringCase(subKey, kSysInfoPathKey)) {
            return ERROR_FILE_NOT_FOUND;
        }
        // Nothing here can be written, so a request for more than reading is refused.
        if ((access & ~KEY_READ) != 0) return ERROR_ACCESS_DENIED;
        // Searched at every opening, so a tool installed while the program runs is found.
        std::optional<std::string> program = FindSystemInfoProgram(searchPath_);
        if (!program) return ERROR_FILE_NOT_FOUND;
        key = next_++;
        open_[key] = std::move(*program);
        return ERROR_SUCCESS;
    }

    RegStatus QueryValue(RegKey key, const std::string& valueName, std::uint32_t& type,
                         std::uint8_t* data, std::uint32_t& size) override {
        const auto it = open_.find(key);
        if (it == open_.end()) return ERROR_INVALID_HANDLE;
        if (!EqualIgnoringCase(valueName, kSysInfoPathValue)) return ERROR_FILE_NOT_FOUND;
        const std::string& path = it->second;
        const auto needed = static_cast<std::uint32_t>(path.size() + 1);  // with its zero byte
        type = REG_SZ;
        if (needed > size) {
            size = needed;
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, path.c_str(), needed);
        size = needed;
        return ERROR_SUCCESS;
    }

    RegStatus CloseKey(RegKey key) override {
        return open_.erase(key) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    }

  private:
    std::string searchPath_;
    std::map<RegKey, std::string> open_;
    RegKey next_ = 1;
};

}  // namespace

std::unique_ptr<Registry> MakeLinuxRegistry(std::string searchPath) {
    return std::make_unique<LinuxRegistry>(std::move(searchPath));
}

std::unique_ptr<Registry> MakeLinuxRegistry() {
    const char* path = std::getenv("PATH");
    return MakeLinuxRegistry(path != nullptr ? path : "");
}

}  // namespace vantle
