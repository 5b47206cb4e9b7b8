#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vantle {

// A key handle, 32 bits wide like the root keys it is opened under.
using RegKey = std::uint32_t;
using RegStatus = long;  // 0 on success, otherwise the reason

inline constexpr RegKey HKEY_LOCAL_MACHINE = 0x80000002;

inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_DWORD = 4;

inline constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001;
inline constexpr std::uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr std::uint32_t KEY_NOTIFY = 0x0010;
inline constexpr std::uint32_t READ_CONTROL = 0x20000;
inline constexpr std::uint32_t KEY_READ =
    READ_CONTROL | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY;

inline constexpr RegStatus ERROR_SUCCESS = 0;
inline constexpr RegStatus ERROR_FILE_NOT_FOUND = 2;
inline constexpr RegStatus ERROR_ACCESS_DENIED = 5;
inline constexpr RegStatus ERROR_INVALID_HANDLE = 6;
inline constexpr RegStatus ERROR_MORE_DATA = 234;

// Read-only access to a hierarchical store of typed values, such as the machine's record of
// where its system-information program lives.
class Registry {
  public:
    virtual ~Registry() = default;

    // Opens `subKey` under `root` with the `access` rights asked for; on success `key` receives
    // a handle that must be given back to CloseKey.
    virtual RegStatus OpenKey(RegKey root, const std::string& subKey, std::uint32_t access,
                              RegKey& key) = 0;

    // Copies the data of value `valueName` into `data`, which holds `size` bytes, and sets
    // `type` and `size` to the value's type and the data's length. When the data does not fit,
    // returns ERROR_MORE_DATA with `size` set to the length needed and `data` undefined.
    virtual RegStatus QueryValue(RegKey key, const std::string& valueName, std::uint32_t& type,
                                 std::uint8_t* data, std::uint32_t& size) = 0;

    virtual RegStatus CloseKey(RegKey key) = 0;
};

// Where the machine records its system-information program: the program's full path.
inline constexpr std::string_view kSysInfoPathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr std::string_view kSysInfoPathValue = "PATH";
// The older record: the program's folder.
inline constexpr std::string_view kSysInfoFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr std::string_view kSysInfoFolderValue = "MSINFO";

// System-information tools, most like the one the record was made for first: hardware and
// system profilers before the desktops' own info centres and monitors.
inline constexpr std::array<std::string_view, 4> kSystemInfoPrograms = {
    "hardinfo", "hardinfo2", "kinfocenter", "gnome-system-monitor"};

// Linux keeps no such record; this registry answers the path key with the first program on
// `searchPath` (a PATH-style list of folders) from a list of system-information tools, and has
// no other key. Without `searchPath` it searches the process's own PATH.
std::unique_ptr<Registry> MakeLinuxRegistry(std::string searchPath);
std::unique_ptr<Registry> MakeLinuxRegistry();

}  // namespace vantle
