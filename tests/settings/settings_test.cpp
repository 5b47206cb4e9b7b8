#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "settings/mod_ini.h"
#include "settings/settings_io.h"
#include "support/fakes.h"

namespace vantle {
namespace {

namespace fs = std::filesystem;
using test::RecordingMessageBoxes;
using namespace std::string_literals;

class SettingsFileTest : public testing::Test {
  protected:
    SettingsFileTest() {
        std::string pattern = (fs::temp_directory_path() / "vantle-settings-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
        settings_.file = dir_ / "vt.ini";
        settings_.messages = &messages_;
    }
    ~SettingsFileTest() override { fs::remove_all(dir_); }

    void WriteFile(const std::string& bytes) const {
        std::ofstream(settings_.file, std::ios::binary) << bytes;
    }
    std::string ReadFile() const {
        std::ifstream in(settings_.file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::string Get(const std::string& section, const std::string& key) {
        return ReadSetting(fields_, settings_, section, key);
    }
    void Set(const std::string& section, const std::string& key, const std::string& value) {
        WriteSetting(fields_, settings_, section, key, value);
    }
    std::vector<fs::path> FolderListing() const {
        return {fs::directory_iterator(dir_), fs::directory_iterator()};
    }
    void ExpectOneMessage(const char* text) {
        ASSERT_EQ(messages_.shown.size(), 1u);
        EXPECT_EQ(messages_.shown[0].text, text);
        EXPECT_EQ(messages_.shown[0].title, "Vantle");
        EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Exclamation);
        messages_.shown.clear();
    }

    fs::path dir_;
    RecordingMessageBoxes messages_;
    SettingsContext settings_;
    IniFields fields_;
};

TEST_F(SettingsFileTest, AbsentFileSectionKeyAndEmptyValueReadEmptyWithoutMessage) {
    fields_.INIValue = "from an earlier read";
    EXPECT_EQ(Get("Links", "Link1"), "");
    WriteFile("[Links]\nLink1=a\nLink2=\n");
    EXPECT_EQ(Get("Links", "Link1"), "a");
    EXPECT_EQ(Get("Links", "Link2"), "");
    EXPECT_EQ(Get("Links", "Link1"), "a");
    EXPECT_EQ(Get("Links", "Link3"), "");
    EXPECT_EQ(Get("Links", "Link1"), "a");
    EXPECT_EQ(Get("Popups", "Allow"), "");
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(SettingsFileTest, UnreadableFileShowsReadFailureAndReadsEmpty) {
    fs::create_directory(settings_.file);
    fields_.INIValue = "stale";
    EXPECT_EQ(Get("Links", "Link1"), "");
    ExpectOneMessage(modIni::kReadFailure);

    fs::remove(settings_.file);
    ASSERT_EQ(::mkfifo(settings_.file.c_str(), 0600), 0);
    EXPECT_EQ(Get("Links", "Link1"), "");  // must not wait for a writer
    ExpectOneMessage(modIni::kReadFailure);
}

TEST_F(SettingsFileTest, MissingFolderReadsAsAbsentFile) {
    settings_.file = dir_ / "gone" / "vt.ini";
    EXPECT_EQ(Get("Links", "Link1"), "");
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(SettingsFileTest, WritesCreateTheFileAndEveryReadSeesTheLatestWrite) {
    Set("Links", "Link1", "http://one");
    EXPECT_EQ(ReadFile(), "[Links]\nLink1=http://one\n");
    Set("AI_Links", "Link1", "http://rotator");
    Set("Links", "Link1Interval", "1500.5");
    Set("Links", "Link1", "http://two");
    EXPECT_EQ(
        ReadFile(),
        "[Links]\nLink1=http://two\nLink1Interval=1500.5\n[AI_Links]\nLink1=http://rotator\n");

    IniFields otherWindow;
    EXPECT_EQ(ReadSetting(otherWindow, settings_, "Links", "Link1"), "http://two");
    EXPECT_EQ(ReadSetting(otherWindow, settings_, "AI_Links", "Link1"), "http://rotator");
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(SettingsFileTest, LongValuesAndSurroundingSpaces) {
    const std::string url = "http://example.com/" + std::string(41, 'p');
    Set("Links", "Link1", url);
    Set("Links", "Link2", "  http://spaced  ");
    EXPECT_EQ(Get("Links", "Link1"), url);
    EXPECT_EQ(Get("Links", "Link2"), "http://spaced");
    EXPECT_NE(ReadFile().find("Link2=  http://spaced  \n"), std::string::npos);
}

TEST_F(SettingsFileTest, WriteKeepsEveryOtherByte) {
    const std::string before =
        "\xEF\xBB\xBF; written by hand\r\n[links]\r\nLINK1 = http://old "
        "\r\nCustom=1\n\n[Popups]\rAllow=1";
    WriteFile(before);
    Set("Links", "Link1", "http://new");
    Set("Popups", "Allow", "0");
    EXPECT_EQ(ReadFile(),
              "\xEF\xBB\xBF; written by hand\r\n[links]\r\nLINK1 = http://new\r\nCustom=1\n\n"
              "[Popups]\rAllow=0");
}

TEST_F(SettingsFileTest, WriteIntoFolderPathFailsAndLeavesItAlone) {
    fs::create_directory(settings_.file);
    std::ofstream(settings_.file / "inside") << "x";
    Set("Links", "Link1", "a");
    ExpectOneMessage(modIni::kWriteFailure);
    EXPECT_TRUE(fs::is_directory(settings_.file));
    EXPECT_TRUE(fs::exists(settings_.file / "inside"));
    EXPECT_EQ(FolderListing().size(), 1u);
}

TEST_F(SettingsFileTest, FileThatCannotBeReadIsNeverReplaced) {
    if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
    WriteFile("[Links]\nLink1=keep\n");
    ASSERT_EQ(::chmod(settings_.file.c_str(), 0200), 0);
    EXPECT_EQ(Get("Links", "Link1"), "");
    ExpectOneMessage(modIni::kReadFailure);
    Set("Links", "Link2", "b");
    ExpectOneMessage(modIni::kWriteFailure);
    ASSERT_EQ(::chmod(settings_.file.c_str(), 0600), 0);
    EXPECT_EQ(ReadFile(), "[Links]\nLink1=keep\n");
}

TEST_F(SettingsFileTest, WriteIntoMissingFolderFails) {
    settings_.file = dir_ / "gone" / "vt.ini";
    Set("Links", "Link1", "a");
    ExpectOneMessage(modIni::kWriteFailure);
    EXPECT_FALSE(fs::exists(dir_ / "gone"));
}

TEST_F(SettingsFileTest, WriteOfUnstorableKeyFailsWithMessage) {
    WriteFile("[S]\nk=1\n");
    Set("S", ";k", "v");
    ExpectOneMessage(modIni::kWriteFailure);
    EXPECT_EQ(ReadFile(), "[S]\nk=1\n");
}

TEST_F(SettingsFileTest, WriteReplacesTheFileWholeKeepingPermissionsAndLeavesNoTemporary) {
    WriteFile("[Links]\nLink1=a\n");
    ASSERT_EQ(::chmod(settings_.file.c_str(), 0640), 0);
    struct stat before {};
    ASSERT_EQ(::stat(settings_.file.c_str(), &before), 0);

    Set("Links", "Link1", "b");
    struct stat after {};
    ASSERT_EQ(::stat(settings_.file.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_NE(after.st_ino, before.st_ino) << "expected a new file renamed into place";
    EXPECT_EQ(ReadFile(), "[Links]\nLink1=b\n");
    EXPECT_EQ(FolderListing(), std::vector<fs::path>{settings_.file});
}

TEST_F(SettingsFileTest, NewFileTakesTheUsualPermissions) {
    const mode_t mask = ::umask(022);
    Set("Links", "Link1", "a");
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::stat(settings_.file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
}

TEST_F(SettingsFileTest, UnchangedValueLeavesTheFileUntouched) {
    WriteFile("[Links]\nLink1=a\n");
    struct stat before {};
    ASSERT_EQ(::stat(settings_.file.c_str(), &before), 0);
    Set("Links", "Link1", "a");
    struct stat after {};
    ASSERT_EQ(::stat(settings_.file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST_F(SettingsFileTest, SymbolicLinkStaysALink) {
    const fs::path real = dir_ / "real.ini";
    std::ofstream(real) << "[Links]\nLink1=a\n";
    fs::create_symlink("real.ini", settings_.file);
    Set("Links", "Link1", "b");
    EXPECT_TRUE(fs::is_symlink(settings_.file));
    EXPECT_EQ(ReadFile(), "[Links]\nLink1=b\n");
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(SettingsFileTest, RewriteInPlaceKeepsTheFileAndCutsItToSize) {
    WriteFile("[Links]\nLink1=a much longer value than the next\n");
    struct stat before {};
    ASSERT_EQ(::stat(settings_.file.c_str(), &before), 0);
    ASSERT_TRUE(settings_io::RewriteInPlace(settings_.file, "[Links]\nLink1=b\n"));
    struct stat after {};
    ASSERT_EQ(::stat(settings_.file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(ReadFile(), "[Links]\nLink1=b\n");
    EXPECT_FALSE(settings_io::RewriteInPlace(dir_ / "absent.ini", "x"));
    EXPECT_FALSE(fs::exists(dir_ / "absent.ini"));
}

TEST_F(SettingsFileTest, Windows1252FileRoundTrip) {
    WriteFile("[AI_Links]\r\nLink1=http://caf\xE9.example/\r\nLink2=\x93quoted\x94\r\n");
    EXPECT_EQ(Get("AI_Links", "Link1"), "http://caf\u00e9.example/");
    EXPECT_EQ(Get("AI_Links", "Link2"), "\u201cquoted\u201d");

    Set("AI_Links", "Link1", "http://na\u00efve.example/");
    EXPECT_EQ(ReadFile(),
              "[AI_Links]\r\nLink1=http://na\xEFve.example/\r\nLink2=\x93quoted\x94\r\n");
    EXPECT_EQ(Get("AI_Links", "Link1"), "http://na\u00efve.example/");

    Set("AI_Links", "Link3", "http://\u4f8b.example/");
    EXPECT_EQ(ReadFile(),
              "[AI_Links]\r\nLink1=http://na\u00efve.example/\r\nLink2=\u201cquoted\u201d\r\n"
              "Link3=http://\u4f8b.example/\r\n");
    EXPECT_EQ(Get("AI_Links", "Link2"), "\u201cquoted\u201d");
    EXPECT_EQ(Get("AI_Links", "Link3"), "http://\u4f8b.example/");
}

TEST_F(SettingsFileTest, BadFilesReadSafelyAndWritesKeepTheirOtherBytes) {
    std::string garbage;
    for (int i = 0; i < 100000; ++i) garbage += static_cast<char>((i * 7919) % 251);
    const std::string before = garbage + "\n[Links]\r\nLink1=x\0y\n"s + std::string(1 << 20, 'z');
    WriteFile(before);
    EXPECT_EQ(Get("Links", "Link1"), "x");
    Set("Links", "Link1", "ok");
    std::string expected = before;
    expected.replace(before.find("x\0y"s), 3, "ok");
    EXPECT_EQ(ReadFile(), expected);
    EXPECT_TRUE(messages_.shown.empty());
}

}  // namespace
}  // namespace vantle
