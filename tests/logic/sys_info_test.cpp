#include "logic/sys_info.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/fakes.h"
#include "support/temp_folder.h"

namespace vantle::test {

using namespace std::string_literals;

// Each row: its name, the full path's value (no name: no key), the folder, whether starting
// works, and what is started. Values are read into a buffer of 1,024 bytes.
TEST(StartSysInfo, StartsWhatTheRegistryNamesOrShowsTheMessage) {
    const std::string path(kSysInfoPathValue), full(1024, 'a');
    const std::tuple<const char*, FakeRegistry::Value, std::string, bool, std::string> rows[] = {
        // A string ends at its first zero byte and is started unchecked, with no fallback.
        {"string", {path, REG_SZ, "/nowhere/x\0old\0"s}, "/good", true, "/nowhere/x"},
        {"start fails", {path, REG_SZ, "/nowhere/x\0"s}, "/good", false, "/nowhere/x"},
        {"longest string", {path, REG_SZ, full.substr(1)}, "", true, full.substr(1)},
        {"number", {path, REG_DWORD, "\x01\x02\x00\x80"s}, "", true, "2147484161"},
        // Found but unusable, so the folder is not tried: another type leaves the text empty, a
        // full buffer has no end.
        {"list of strings", {path, 7, "/usr/bin/x\0"s}, "/good", true, ""},
        {"unterminated", {path, REG_SZ, full}, "/good", true, ""},
        // Missing (another name, or too large for the buffer): the folder's program, if it is an
        // ordinary file.
        {"other name", {"Other", REG_SZ, "/nowhere/x\0"s}, "/good", true, "/good/MSINFO32.EXE"},
        {"too large", {path, REG_SZ, full + '\0'}, "/good", true, "/good/MSINFO32.EXE"},
        {"no key, no program in the folder", {}, "/empty", true, ""},
    };
    for (const auto& [name, location1, location2, startWorks, started] : rows) {
        SCOPED_TRACE(name);
        FakeRegistry registry;
        if (!std::get<0>(location1).empty())
            registry.keys[std::string(kSysInfoPathKey)] = location1;
        registry.keys[std::string(kSysInfoFolderKey)] = {"MSINFO", REG_SZ, location2 + '\0'};
        RecordingProgramStart programs;
        programs.succeed = startWorks;
        RecordingMessageBoxes messages;
        testing::internal::CaptureStderr();
        StartSysInfo(&registry, programs, messages,
                     [](const std::string& file) { return file == "/good/MSINFO32.EXE"; });
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.find(path + " has no end") != std::string::npos, name == "unterminated"s);
        EXPECT_EQ(programs.started.empty() ? "" : programs.started[0], started);
        EXPECT_TRUE(registry.open.empty()) << "a key was left open";
        EXPECT_EQ(messages.shown.size(), startWorks && !started.empty() ? 0u : 1u);
    }
    RecordingProgramStart programs;
    RecordingMessageBoxes messages;
    StartSysInfo(nullptr, programs, messages);  // a machine without a registry
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text + messages.shown[0].title, kSysInfoUnavailable + "Vantle"s);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
}

TEST(IsOrdinaryFile, OnlyAVisibleRegularFile) {
    TempFolder folder;
    for (const char* name : {"MSINFO32.EXE", ".MSINFO32.EXE"}) std::ofstream(folder / name) << "x";
    std::filesystem::create_directory(folder / "folder");
    EXPECT_TRUE(IsOrdinaryFile(folder / "MSINFO32.EXE"));
    for (const char* no : {".MSINFO32.EXE", "folder", "missing"})
        EXPECT_FALSE(IsOrdinaryFile(folder / no)) << no;
}

}  // namespace vantle::test
