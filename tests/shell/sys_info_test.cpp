#include "shell/sys_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

#include "platform/registry.h"
#include "support/fakes.h"

namespace vantle {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const std::string kPathKey(kSysInfoPathKey), kFolderKey(kSysInfoFolderKey);

// Machine-wide keys holding one value each (name, type, data); like the real ones, they refuse
// to open for writing.
struct FakeRegistry final : Registry {
    using Value = std::tuple<std::string, std::uint32_t, std::string>;
    std::map<std::string, Value> keys;
    std::map<RegKey, Value> open;

    RegStatus OpenKey(RegKey root, const std::string& subKey, std::uint32_t access,
                      RegKey& key) override {
        if (root != HKEY_LOCAL_MACHINE || !keys.count(subKey)) return ERROR_FILE_NOT_FOUND;
        if ((access & ~KEY_READ) != 0) return ERROR_ACCESS_DENIED;
        open[key = static_cast<RegKey>(open.size() + 1)] = keys[subKey];
        return ERROR_SUCCESS;
    }
    RegStatus QueryValue(RegKey key, const std::string& name, std::uint32_t& type,
                         std::uint8_t* data, std::uint32_t& size) override {
        const auto& [valueName, valueType, stored] = open.at(key);
        if (name != valueName) return ERROR_FILE_NOT_FOUND;
        const bool fits = stored.size() <= size;
        type = valueType;
        size = static_cast<std::uint32_t>(stored.size());
        if (fits) std::memcpy(data, stored.data(), size);
        return fits ? ERROR_SUCCESS : ERROR_MORE_DATA;
    }
    RegStatus CloseKey(RegKey key) override { return open.erase(key) ? 0 : ERROR_INVALID_HANDLE; }
};

// Each case: the full path's value (no name: no key), the folder, whether starting works, and
// what is started. Values are read into a buffer of 1,024 bytes.
TEST(StartSysInfo, StartsWhatTheRegistryNamesOrShowsTheMessage) {
    const std::string path(kSysInfoPathValue), full(1024, 'a');
    const std::tuple<FakeRegistry::Value, std::string, bool, std::string> cases[] = {
        // A string ends at its first zero byte and is started unchecked, with no fallback.
        {{path, REG_SZ, "/nowhere/x\0old\0"s}, "/good", true, "/nowhere/x"},
        {{path, REG_SZ, "/nowhere/x\0"s}, "/good", false, "/nowhere/x"},
        {{path, REG_SZ, full.substr(1)}, "", true, full.substr(1)},
        {{path, REG_DWORD, "\x01\x02\x00\x80"s}, "", true, "2147484161"},  // unsigned, LSB first
        // Found but unusable, so the folder is not tried: another type leaves the text empty, a
        // full buffer has no end.
        {{path, 7 /* list of strings */, "/usr/bin/x\0"s}, "/good", true, ""},
        {{path, REG_SZ, full}, "/good", true, ""},
        // Missing (another name, or too large for the buffer): the folder's program, if it is an
        // ordinary file.
        {{"Other", REG_SZ, "/nowhere/x\0"s}, "/good", true, "/good/MSINFO32.EXE"},
        {{path, REG_SZ, full + '\0'}, "/good", true, "/good/MSINFO32.EXE"},
        {{}, "/empty", true, ""},
    };
    for (const auto& [location1, location2, startWorks, started] : cases) {
        SCOPED_TRACE(location2 + " " + std::to_string(std::get<2>(location1).size()));
        FakeRegistry registry;
        if (!std::get<0>(location1).empty()) registry.keys[kPathKey] = location1;
        registry.keys[kFolderKey] = {"MSINFO", REG_SZ, location2 + '\0'};
        test::RecordingProgramStart programs;
        programs.succeed = startWorks;
        test::RecordingMessageBoxes messages;
        StartSysInfo(&registry, programs, messages,
                     [](const std::string& file) { return file == "/good/MSINFO32.EXE"; });
        EXPECT_EQ(programs.started.empty() ? "" : programs.started[0], started);
        EXPECT_TRUE(registry.open.empty()) << "a key was left open";
        EXPECT_EQ(messages.shown.size(), startWorks && !started.empty() ? 0u : 1u);
    }
    test::RecordingProgramStart programs;
    test::RecordingMessageBoxes messages;
    StartSysInfo(nullptr, programs, messages);  // a machine without a registry
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text + messages.shown[0].title, kSysInfoUnavailable + "Vantle"s);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
}

// The path key names the first program of the list found on the search path, skipping what is
// not an executable file and entries whose meaning depends on the current folder.
TEST(SysInfoOnLinux, HiddenFilesAreMissingAndThePathKeyNamesTheFirstListedProgramFound) {
    const fs::path dir = mkdtemp((fs::temp_directory_path() / "vantle-XXXXXX").string().data());
    const std::string t = dir.string() + "/";
    for (const char* name : {"a/kinfocenter", "b/hardinfo", "c/hardinfo", ".MSINFO32.EXE"}) {
        fs::create_directories((dir / name).parent_path());
        std::ofstream(dir / name) << "#!/bin/sh\n";
        fs::permissions(dir / name, fs::perms::owner_all);
    }
    fs::permissions(dir / "c/hardinfo", fs::perms::owner_read);
    fs::create_directories(dir / "d/hardinfo");
    EXPECT_TRUE(IsOrdinaryFile(t + "b/hardinfo"));
    for (const char* no : {".MSINFO32.EXE", "d/hardinfo", "missing"})
        EXPECT_FALSE(IsOrdinaryFile(t + no)) << no;

    const auto readPath = [&](const std::string& folders) {
        std::string found;
        GetKeyValue(*MakeLinuxRegistry(folders), HKEY_LOCAL_MACHINE,
                    "software\\microsoft\\shared tools\\msinfo", "path", found);
        return found;
    };
    const fs::path cwd = fs::current_path();
    fs::current_path(dir);  // where "b" would name hardinfo's folder
    EXPECT_EQ(readPath(t + "c:" + t + "d::b:" + t + "a:" + t + "b"), t + "b/hardinfo");
    EXPECT_EQ(readPath(t + "c:" + t + "d"), "");
    fs::current_path(cwd);
    RegKey key = 0;
    EXPECT_EQ(MakeLinuxRegistry(t + "b")->OpenKey(HKEY_LOCAL_MACHINE, kPathKey,
                                                  0xF003F /* all access */, key),
              ERROR_ACCESS_DENIED);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace vantle
