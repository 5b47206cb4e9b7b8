#include "shell/sys_info.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "platform/registry.h"
#include "support/fakes.h"

namespace vantle {
namespace {

namespace fs = std::filesystem;
using test::RecordingMessageBoxes;
using test::RecordingProgramStart;

const std::string kPathKey(kSysInfoPathKey);
const std::string kPathValue(kSysInfoPathValue);
const std::string kFolderKey(kSysInfoFolderKey);
const std::string kFolderValue(kSysInfoFolderValue);

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }
std::vector<std::uint8_t> Text(const std::string& text) {  // stored with its zero byte
    std::vector<std::uint8_t> data = Bytes(text);
    data.push_back(0);
    return data;
}

// Keys of HKEY_LOCAL_MACHINE with typed values. Like the real machine-wide keys, they refuse
// to open for writing, as they do for an ordinary user.
class FakeRegistry final : public Registry {
  public:
    void Set(const std::string& key, const std::string& name, std::uint32_t type,
             std::vector<std::uint8_t> data) {
        keys_[key][name] = {type, std::move(data)};
    }

    RegStatus OpenKey(RegKey root, const std::string& subKey, std::uint32_t access,
                      RegKey& key) override {
        opened.push_back(subKey);
        const auto it = keys_.find(subKey);
        if (root != HKEY_LOCAL_MACHINE || it == keys_.end()) return ERROR_FILE_NOT_FOUND;
        if ((access & ~KEY_READ) != 0) return ERROR_ACCESS_DENIED;
        key = next_++;
        open_[key] = &it->second;
        return ERROR_SUCCESS;
    }

    RegStatus QueryValue(RegKey key, const std::string& name, std::uint32_t& type,
                         std::uint8_t* data, std::uint32_t& size) override {
        const auto values = open_.find(key);
        if (values == open_.end()) return ERROR_INVALID_HANDLE;
        const auto value = values->second->find(name);
        if (value == values->second->end()) return ERROR_FILE_NOT_FOUND;
        const Value& found = value->second;
        const auto needed = static_cast<std::uint32_t>(found.data.size());
        type = found.type;
        if (needed > size) {
            size = needed;
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, found.data.data(), needed);
        size = needed;
        return ERROR_SUCCESS;
    }

    RegStatus CloseKey(RegKey key) override {
        return open_.erase(key) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    }

    std::size_t OpenKeys() const { return open_.size(); }
    std::vector<std::string> opened;

  private:
    struct Value {
        std::uint32_t type;
        std::vector<std::uint8_t> data;
    };
    using Values = std::map<std::string, Value>;
    std::map<std::string, Values> keys_;
    std::map<RegKey, Values*> open_;
    RegKey next_ = 1;
};

class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "vantle-sysinfo-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }
    std::string File(const std::string& relative, fs::perms perms = fs::perms::owner_all) const {
        const fs::path file = path_ / relative;
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "#!/bin/sh\n";
        fs::permissions(file, perms);
        return file.string();
    }

  private:
    fs::path path_;
};

// ---- GetKeyValue ----------------------------------------------------------------------------

TEST(GetKeyValue, ReadsStringUpToFirstZeroByteWithReadRightsAndClosesKey) {
    FakeRegistry registry;  // refuses write rights
    registry.Set(kPathKey, kPathValue, REG_SZ, Text(std::string("C:\\MSINFO32.EXE\0old", 19)));
    std::string value = "stale";
    EXPECT_TRUE(GetKeyValue(registry, HKEY_LOCAL_MACHINE, kPathKey, kPathValue, value));
    EXPECT_EQ(value, "C:\\MSINFO32.EXE");
    EXPECT_EQ(registry.OpenKeys(), 0u);
}

TEST(GetKeyValue, MissingKeyValueOrOversizedDataIsFalseAndEmptiesText) {
    FakeRegistry registry;
    registry.Set(kPathKey, "Other", REG_SZ, Text("x"));
    registry.Set(kFolderKey, kFolderValue, REG_SZ, Text(std::string(1024, 'a')));  // 1,025 bytes

    struct Case {
        std::string key, name;
    };
    for (const Case& c : {Case{"SOFTWARE\\Missing", kPathValue}, Case{kPathKey, kPathValue},
                          Case{kFolderKey, kFolderValue}}) {
        std::string value = "stale";
        EXPECT_FALSE(GetKeyValue(registry, HKEY_LOCAL_MACHINE, c.key, c.name, value)) << c.key;
        EXPECT_EQ(value, "") << c.key;
    }
    EXPECT_EQ(registry.OpenKeys(), 0u);
}

TEST(GetKeyValue, DataFillingTheWholeBufferWithoutZeroByteFailsAndClosesKey) {
    FakeRegistry registry;
    registry.Set(kPathKey, kPathValue, REG_SZ, Bytes(std::string(1024, 'a')));
    std::string value;
    EXPECT_THROW(GetKeyValue(registry, HKEY_LOCAL_MACHINE, kPathKey, kPathValue, value),
                 UnterminatedValue);
    EXPECT_EQ(registry.OpenKeys(), 0u);

    // One byte less leaves a zero byte of the buffer to end the text at.
    registry.Set(kPathKey, kPathValue, REG_SZ, Bytes(std::string(1023, 'a')));
    EXPECT_TRUE(GetKeyValue(registry, HKEY_LOCAL_MACHINE, kPathKey, kPathValue, value));
    EXPECT_EQ(value, std::string(1023, 'a'));
}

TEST(GetKeyValue, NumberIsItsDecimalDigitsOtherTypesKeepTheText) {
    FakeRegistry registry;
    const std::pair<std::vector<std::uint8_t>, std::string> numbers[] = {
        {{0x00, 0x01, 0x00, 0x00}, "256"},  // a zero low byte cuts the text, not the number
        {{0x2A, 0x00, 0x00, 0x00}, "42"},
        {{0x00, 0x00, 0x00, 0x00}, "0"},
        {{0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
    };
    for (const auto& [data, digits] : numbers) {
        registry.Set(kPathKey, kPathValue, REG_DWORD, data);
        std::string value = "stale";
        EXPECT_TRUE(GetKeyValue(registry, HKEY_LOCAL_MACHINE, kPathKey, kPathValue, value));
        EXPECT_EQ(value, digits);
    }

    registry.Set(kPathKey, kPathValue, 3 /* binary */, Text("C:\\MSINFO32.EXE"));
    std::string value = "kept";
    EXPECT_TRUE(GetKeyValue(registry, HKEY_LOCAL_MACHINE, kPathKey, kPathValue, value));
    EXPECT_EQ(value, "kept");
}

// ---- StartSysInfo ---------------------------------------------------------------------------

class StartSysInfoTest : public testing::Test {
  protected:
    void Start() { StartSysInfo(&registry, programs, messages); }
    void ExpectUnavailable() const {
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, "System Information Is Unavailable At This Time");
        EXPECT_EQ(messages.shown[0].title, "Vantle");
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
    }
    // Location 2 names a folder that holds the program.
    void SetGoodFolder() {
        folder.File("MSINFO32.EXE");
        registry.Set(kFolderKey, kFolderValue, REG_SZ, Text(folder.path().string()));
    }

    FakeRegistry registry;
    RecordingProgramStart programs;
    RecordingMessageBoxes messages;
    TempFolder folder;
};

TEST_F(StartSysInfoTest, FullPathIsStartedUncheckedBeforeTheFolder) {
    SetGoodFolder();
    registry.Set(kPathKey, kPathValue, REG_SZ, Text("/nowhere/msinfo32"));
    Start();
    EXPECT_EQ(programs.started, std::vector<std::string>{"/nowhere/msinfo32"});
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(registry.opened, std::vector<std::string>{kPathKey});
}

TEST_F(StartSysInfoTest, FailedStartShowsTheMessage) {
    registry.Set(kPathKey, kPathValue, REG_SZ, Text("/nowhere/msinfo32"));
    programs.succeed = false;
    Start();
    EXPECT_EQ(programs.started, std::vector<std::string>{"/nowhere/msinfo32"});
    ExpectUnavailable();
}

TEST_F(StartSysInfoTest, FolderHoldingTheProgramStartsItFromThere) {
    SetGoodFolder();
    Start();
    EXPECT_EQ(programs.started,
              std::vector<std::string>{(folder.path() / "MSINFO32.EXE").string()});
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(StartSysInfoTest, FolderWithoutOrdinaryProgramFileShowsTheMessage) {
    fs::create_directories(folder.path() / "dir" / "MSINFO32.EXE");  // a folder, not a file
    for (const fs::path& place : {folder.path() / "empty", folder.path() / "dir"}) {
        registry.Set(kFolderKey, kFolderValue, REG_SZ, Text(place.string()));
        messages.shown.clear();
        Start();
        EXPECT_TRUE(programs.started.empty()) << place;
        ExpectUnavailable();
    }

    // The program's own file test decides: one that reports it hidden stops the start.
    SetGoodFolder();
    std::vector<std::string> asked;
    messages.shown.clear();
    StartSysInfo(&registry, programs, messages, [&](const std::string& path) {
        asked.push_back(path);
        return false;
    });
    EXPECT_EQ(asked, std::vector<std::string>{(folder.path() / "MSINFO32.EXE").string()});
    EXPECT_TRUE(programs.started.empty());
    ExpectUnavailable();
}

// A path value of another type counts as found but empty; one that fills the whole buffer
// cannot be read. Either way the folder is not tried.
TEST_F(StartSysInfoTest, UnusablePathShowsTheMessageWithoutTryingTheFolder) {
    SetGoodFolder();
    const std::pair<std::uint32_t, std::vector<std::uint8_t>> values[] = {
        {7 /* list of strings */, Text("/usr/bin/x")},
        {REG_SZ, Bytes(std::string(1024, 'a'))},
    };
    for (const auto& [type, data] : values) {
        registry.Set(kPathKey, kPathValue, type, data);
        registry.opened.clear();
        messages.shown.clear();
        Start();
        EXPECT_TRUE(programs.started.empty()) << type;
        ExpectUnavailable();
        EXPECT_EQ(registry.opened, std::vector<std::string>{kPathKey});
    }
}

TEST_F(StartSysInfoTest, NeitherLocationOrNoRegistryShowsTheMessage) {
    Start();
    ExpectUnavailable();
    EXPECT_EQ(registry.opened, (std::vector<std::string>{kPathKey, kFolderKey}));

    messages.shown.clear();
    StartSysInfo(nullptr, programs, messages);
    ExpectUnavailable();
    EXPECT_TRUE(programs.started.empty());
}

TEST(IsOrdinaryFile, OnlyRegularFilesThatAreNotHidden) {
    TempFolder folder;
    EXPECT_TRUE(IsOrdinaryFile(folder.File("MSINFO32.EXE")));
    EXPECT_FALSE(IsOrdinaryFile(folder.File(".MSINFO32.EXE")));
    EXPECT_FALSE(IsOrdinaryFile(folder.path().string()));
    EXPECT_FALSE(IsOrdinaryFile((folder.path() / "missing").string()));
    EXPECT_FALSE(IsOrdinaryFile(""));
}

// ---- The Linux registry ---------------------------------------------------------------------

std::string ReadPath(Registry& registry) {
    std::string path;
    GetKeyValue(registry, HKEY_LOCAL_MACHINE, kPathKey, kPathValue, path);
    return path;
}

TEST(LinuxRegistry, AnswersTheFirstListedProgramFoundOnThePath) {
    TempFolder tools;
    const std::string hardinfo = tools.File("b/hardinfo");
    const std::string kinfocenter = tools.File("a/kinfocenter");
    tools.File("c/hardinfo", fs::perms::owner_read | fs::perms::owner_write);  // not executable
    fs::create_directories(tools.path() / "d" / "hardinfo");                   // a folder
    const std::string a = tools.path() / "a", b = tools.path() / "b", c = tools.path() / "c",
                      d = tools.path() / "d";

    // The list's order wins over the search path's; relative and empty entries are skipped.
    EXPECT_EQ(ReadPath(*MakeLinuxRegistry(c + ":" + d + "::b:" + a + ":" + b)), hardinfo);
    EXPECT_EQ(ReadPath(*MakeLinuxRegistry(a + ":" + c)), kinfocenter);
    EXPECT_EQ(ReadPath(*MakeLinuxRegistry(b + "/:")), hardinfo);  // normalised
    EXPECT_EQ(ReadPath(*MakeLinuxRegistry(c + ":" + d)), "");
    EXPECT_EQ(ReadPath(*MakeLinuxRegistry("")), "");
}

TEST(LinuxRegistry, HasOnlyThePathKeyAndOnlyForReading) {
    TempFolder tools;
    const std::string hardinfo = tools.File("hardinfo");
    auto registry = MakeLinuxRegistry(tools.path().string());

    RegKey key = 0;
    EXPECT_EQ(registry->OpenKey(HKEY_LOCAL_MACHINE, kFolderKey, KEY_READ, key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry->OpenKey(0x80000001, kPathKey, KEY_READ, key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry->OpenKey(HKEY_LOCAL_MACHINE, kPathKey, 0x2003F, key), ERROR_ACCESS_DENIED);

    ASSERT_EQ(registry->OpenKey(HKEY_LOCAL_MACHINE, "software\\microsoft\\shared tools\\msinfo",
                                KEY_READ, key),
              ERROR_SUCCESS);
    std::uint8_t small[4];
    std::uint32_t type = 0;
    std::uint32_t size = sizeof small;
    EXPECT_EQ(registry->QueryValue(key, "path", type, small, size), ERROR_MORE_DATA);
    EXPECT_EQ(size, hardinfo.size() + 1);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(registry->CloseKey(key), ERROR_SUCCESS);
}

}  // namespace
}  // namespace vantle
