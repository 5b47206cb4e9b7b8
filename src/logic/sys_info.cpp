#include "logic/sys_info.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>

#include "seams/message_boxes.h"
#include "seams/program_start.h"
#include "settings/mod_ini.h"

namespace vantle {
namespace {

constexpr std::uint32_t kValueBufferSize = 1024;

// The program's file name in the folder that the older record names.
constexpr const char* kSysInfoFile = "MSINFO32.EXE";

// Closes the key on every way out, a throw included.
class OpenedKey {
  public:
    OpenedKey(Registry& registry, RegKey key) : registry_(registry), key_(key) {}
    ~OpenedKey() { registry_.CloseKey(key_); }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;

  private:
    Registry& registry_;
    RegKey key_;
};

// A number is stored least significant byte first.
std::uint32_t LittleEndian(const std::uint8_t* data, std::uint32_t size) {
    std::uint32_t value = 0;
    for (std::uint32_t i = std::min<std::uint32_t>(size, 4); i-- > 0;) value = value << 8 | data[i];
    return value;
}

// The program the registry names, or the empty text when it names none.
std::string FindSysInfo(Registry* registry, const FileTest& isOrdinaryFile) {
    if (registry == nullptr) return {};
    std::string SysInfoPath;
    // The full path is taken as it is, unchecked: a start that fails reports itself.
    if (GetKeyValue(*registry, HKEY_LOCAL_MACHINE, std::string(kSysInfoPathKey),
                    std::string(kSysInfoPathValue), SysInfoPath)) {
        return SysInfoPath;
    }
    if (!GetKeyValue(*registry, HKEY_LOCAL_MACHINE, std::string(kSysInfoFolderKey),
                     std::string(kSysInfoFolderValue), SysInfoPath)) {
        return {};
    }
    SysInfoPath += '/';
    SysInfoPath += kSysInfoFile;
    return isOrdinaryFile(SysInfoPath) ? SysInfoPath : std::string();
}

}  // namespace

bool GetKeyValue(Registry& registry, RegKey KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal) {
    RegKey hKey = 0;
    // Read rights only: ordinary users may not open this machine-wide key for writing.
    if (registry.OpenKey(KeyRoot, KeyName, KEY_READ, hKey) != ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }
    const OpenedKey closer(registry, hKey);

    std::array<std::uint8_t, kValueBufferSize> buffer{};
    std::uint32_t size = kValueBufferSize;
    std::uint32_t type = 0;
    if (registry.QueryValue(hKey, SubKeyRef, type, buffer.data(), size) != ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }

    const auto end = std::find(buffer.begin(), buffer.end(), std::uint8_t{0});
    if (end == buffer.end()) throw UnterminatedValue("registry value " + SubKeyRef + " has no end");
    const std::string text(buffer.begin(), end);

    switch (type) {
        case REG_SZ:
            KeyVal = text;
            break;
        case REG_DWORD:
            KeyVal = std::to_string(LittleEndian(buffer.data(), size));
            break;
        default:
            break;
    }
    return true;
}

bool IsOrdinaryFile(const std::string& path) {
    const std::filesystem::path file(path);
    std::error_code ec;
    return std::filesystem::is_regular_file(file, ec) && !file.filename().string().starts_with('.');
}

void StartSysInfo(Registry* registry, ProgramStart& programs, MessageBoxes& messages,
                  const FileTest& isOrdinaryFile) {
    bool started = false;
    try {
        const std::string path = FindSysInfo(registry, isOrdinaryFile);
        started = !path.empty() && programs.Start(path);
    } catch (const UnterminatedValue& error) {
        // Unreadable data ends in the same message as missing data; standard error says which.
        std::fprintf(stderr, "Vantle: system information: %s\n", error.what());
    }
    if (!started) messages.Show(kSysInfoUnavailable, modIni::kAppTitle, MessageIcon::None);
}

}  // namespace vantle
