#include "shell/sys_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <tuple>

#include "platform/registry.h"
#include "support/fakes.h"

namespace vantle {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const std::string kPathKey(kSysInfoPathKey), kFolderKey(kSysInfoFolderKey);
const std::string kUnavailable = "System Information Is Unavailable At This Time";

// Machine-wide keys holding one typed value each; like the real ones, they refuse to open for
// writing.
struct FakeRegistry final : Registry {
    struct Value {
        std::string name;
        std::uint32_t type;
        std::string data;
    };
    std::map<std::string, Value> keys;
    std::vector<std::string> opened;
    std::set<RegKey> open;

    RegStatus OpenKey(RegKey root, const std::string& subKey, std::uint32_t access,
                      RegKey& key) override {
        opened.push_back(subKey);
        if (root != HKEY_LOCAL_MACHINE || !keys.count(subKey)) return ERROR_FILE_NOT_FOUND;
        if ((access & ~KEY_READ) != 0) return ERROR_ACCESS_DENIED;
        open.insert(key = static_cast<RegKey>(opened.size()));
        return ERROR_SUCCESS;
    }
    RegStatus QueryValue(RegKey key, const std::string& name, std::uint32_t& type,
                         std::uint8_t* data, std::uint32_t& size) override {
        const Value& value = keys.at(opened.at(key - 1));
        if (!open.count(key) || name != value.name) return ERROR_FILE_NOT_FOUND;
        type = value.type;
        const bool fits = value.data.size() <= size;
        size = static_cast<std::uint32_t>(value.data.size());
        if (fits) std::memcpy(data, value.data.data(), size);
        return fits ? ERROR_SUCCESS : ERROR_MORE_DATA;
    }
    RegStatus CloseKey(RegKey key) override {
        return open.erase(key) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    }
};

struct TempFolder {
    fs::path path = mkdtemp((fs::temp_directory_path() / "vantle-sysinfo-XXXXXX").string().data());
    ~TempFolder() { fs::remove_all(path); }
    std::string File(const std::string& name, fs::perms perms = fs::perms::owner_all) const {
        fs::create_directories((path / name).parent_path());
        std::ofstream(path / name) << "#!/bin/sh\n";
        fs::permissions(path / name, perms);
        return (path / name).string();
    }
};

// Each case: location 1 (the full path; no data: absent), location 2 (the folder; empty:
// absent), whether starting works, and what is started.
TEST(StartSysInfo, StartsWhatTheRegistryNamesOrShowsTheMessage) {
    const std::string path(kSysInfoPathValue);
    const std::tuple<FakeRegistry::Value, std::string, bool, std::string> cases[] = {
        // A string is cut at its first zero byte and started as it is, file or no file.
        {{path, REG_SZ, "/nowhere/x\0old\0"s}, "/good", true, "/nowhere/x"},
        {{path, REG_SZ, "/nowhere/x\0"s}, "", false, "/nowhere/x"},
        {{path, REG_SZ, std::string(1023, 'a')}, "", true, std::string(1023, 'a')},
        {{path, REG_DWORD, "\x00\x01\x00\x00"s}, "", true, "256"},
        {{path, REG_DWORD, "\xFF\xFF\xFF\xFF"s}, "", true, "4294967295"},
        // Found but unusable, so the folder is not tried: another type leaves the text empty, a
        // full buffer has no end.
        {{path, 7 /* list of strings */, "/usr/bin/x\0"s}, "/good", true, ""},
        {{path, REG_SZ, std::string(1024, 'a')}, "/good", true, ""},
        // Missing: another value name, or data larger than the buffer.
        {{"Other", REG_SZ, "/nowhere/x\0"s}, "/good", true, "/good/MSINFO32.EXE"},
        {{path, REG_SZ, std::string(1024, 'a') + '\0'}, "/good", true, "/good/MSINFO32.EXE"},
        {{}, "/good", true, "/good/MSINFO32.EXE"},
        {{}, "/empty", true, ""},
        {{}, "", true, ""},
    };
    const FileTest isFile = [](const std::string& file) { return file == "/good/MSINFO32.EXE"; };
    for (const auto& [location1, location2, startWorks, started] : cases) {
        SCOPED_TRACE(location2 + " " + std::to_string(location1.data.size()));
        FakeRegistry registry;  // write rights would be refused
        if (!location1.data.empty()) registry.keys[kPathKey] = location1;
        if (!location2.empty()) registry.keys[kFolderKey] = {"MSINFO", REG_SZ, location2 + '\0'};
        test::RecordingProgramStart programs;
        programs.succeed = startWorks;
        test::RecordingMessageBoxes messages;
        StartSysInfo(&registry, programs, messages, isFile);
        EXPECT_EQ(programs.started.empty() ? "" : programs.started[0], started);
        EXPECT_TRUE(registry.open.empty()) << "a key was left open";
        ASSERT_EQ(messages.shown.size(), startWorks && !started.empty() ? 0u : 1u);
        for (const auto& shown : messages.shown) EXPECT_EQ(shown.text, kUnavailable);
    }
    test::RecordingProgramStart programs;
    test::RecordingMessageBoxes messages;
    StartSysInfo(nullptr, programs, messages);  // a machine without a registry
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text + messages.shown[0].title, kUnavailable + "Vantle");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
}

std::string ReadPath(const std::string& searchPath) {
    std::string path;
    GetKeyValue(*MakeLinuxRegistry(searchPath), HKEY_LOCAL_MACHINE,
                "software\\microsoft\\shared tools\\msinfo", "path", path);
    return path;
}

TEST(SysInfoOnLinux, HiddenFilesAreMissingAndThePathKeyNamesTheFirstListedProgramFound) {
    TempFolder tools;
    const std::string hardinfo = tools.File("b/hardinfo"), kinfo = tools.File("a/kinfocenter");
    tools.File("c/hardinfo", fs::perms::owner_read);        // not executable
    fs::create_directories(tools.path / "d" / "hardinfo");  // a folder
    const std::string a = tools.path / "a", b = tools.path / "b", c = tools.path / "c",
                      d = tools.path / "d";
    EXPECT_TRUE(IsOrdinaryFile(hardinfo));
    for (const std::string& notOrdinary :
         {tools.File(".MSINFO32.EXE"), d + "/hardinfo", a + "/missing"})
        EXPECT_FALSE(IsOrdinaryFile(notOrdinary)) << notOrdinary;
    // The list's order wins over the search path's; what is not an executable file is skipped.
    EXPECT_EQ(ReadPath(c + ":" + d + ":" + a + ":" + b), hardinfo);
    EXPECT_EQ(ReadPath(c + ":" + d), "");
    // So are empty and relative entries, though here "b" would name hardinfo's folder.
    const fs::path cwd = fs::current_path();
    fs::current_path(tools.path);
    EXPECT_EQ(ReadPath(a + "::b"), kinfo);
    fs::current_path(cwd);

    const auto registry = MakeLinuxRegistry(b);
    std::string value;
    EXPECT_FALSE(GetKeyValue(*registry, HKEY_LOCAL_MACHINE, kFolderKey, "MSINFO", value));
    RegKey key = 0;
    EXPECT_EQ(registry->OpenKey(HKEY_LOCAL_MACHINE, kPathKey, 0xF003F /* all access */, key),
              ERROR_ACCESS_DENIED);
}

}  // namespace
}  // namespace vantle
