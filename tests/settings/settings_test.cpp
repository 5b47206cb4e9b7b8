#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "settings/mod_ini.h"
#include "settings/settings_io.h"
#include "support/fakes.h"

namespace vantle {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class SettingsFileTest : public testing::Test {
  protected:
    SettingsFileTest()
        : dir_(::mkdtemp((fs::temp_directory_path() / "vantle-settings-XXXXXX").string().data())) {}
    ~SettingsFileTest() override { fs::remove_all(dir_); }

    void WriteFile(const std::string& bytes) const {
        std::ofstream(settings_.file, std::ios::binary) << bytes;
    }
    std::string ReadFile() const {
        std::ifstream in(settings_.file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    struct stat Stat() const {
        struct stat info {};
        EXPECT_EQ(::stat(settings_.file.c_str(), &info), 0);
        return info;
    }
    long Entries() const { return std::distance(fs::directory_iterator(dir_), {}); }
    std::string Get(const std::string& section, const std::string& key) {
        return ReadSetting(fields_, settings_, section, key);
    }
    void Set(const std::string& section, const std::string& key, const std::string& value) {
        WriteSetting(fields_, settings_, section, key, value);
    }
    void ExpectOneMessage(const char* text) {
        ASSERT_EQ(messages_.shown.size(), 1u);
        EXPECT_EQ(messages_.shown[0].text, text);
        EXPECT_EQ(messages_.shown[0].title, "Vantle");
        EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Exclamation);
        messages_.shown.clear();
    }

    fs::path dir_;
    test::RecordingMessageBoxes messages_;
    SettingsContext settings_{dir_ / "vt.ini", &messages_};
    IniFields fields_;
};

// No earlier read's value may show through: it would be written back on the next save.
TEST_F(SettingsFileTest, AbsentAndEmptyReadEmptyWithoutMessage) {
    fields_.INIValue = "from an earlier read";
    EXPECT_EQ(Get("Links", "Link1"), "");
    WriteFile("[Links]\nLink1=a\nLink2=\n");
    for (const auto& [key, expected] :
         {std::pair{"Link1", "a"}, {"Link2", ""}, {"Link1", "a"}, {"Link3", ""}})
        EXPECT_EQ(Get("Links", key), expected) << key;
    EXPECT_TRUE(messages_.shown.empty());
}

// A folder, a FIFO (a read must not wait for a writer) and a file without read permission, which
// a write must not replace: that would throw away every other setting in it.
TEST_F(SettingsFileTest, WhatCannotBeReadOrWrittenFailsWithAMessageAndIsLeftAlone) {
    fs::create_directory(dir_ / "folder");
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    std::ofstream(dir_ / "locked") << "[Links]\nLink1=keep\n";
    fs::permissions(dir_ / "locked", fs::perms::owner_write);
    for (const char* name : {"folder", "fifo", "locked"}) {
        settings_.file = dir_ / name;
        if (::access(settings_.file.c_str(), R_OK) == 0 && fs::is_regular_file(settings_.file))
            continue;  // root reads anything
        fields_.INIValue = "stale";
        EXPECT_EQ(Get("Links", "Link1"), "") << name;
        ExpectOneMessage(modIni::kReadFailure);
        Set("Links", "Link2", "b");
        ExpectOneMessage(modIni::kWriteFailure);
    }
    fs::permissions(dir_ / "locked", fs::perms::owner_read, fs::perm_options::add);
    Set("Links", ";k", "v");  // would read back as a comment
    ExpectOneMessage(modIni::kWriteFailure);
    EXPECT_EQ(ReadFile(), "[Links]\nLink1=keep\n");
    settings_.file = dir_ / "gone" / "vt.ini";
    Set("Links", "Link1", "a");
    ExpectOneMessage(modIni::kWriteFailure);
    EXPECT_TRUE(fs::is_empty(dir_ / "folder"));
    EXPECT_TRUE(fs::is_fifo(dir_ / "fifo"));
    EXPECT_EQ(Entries(), 3);
}

// Through a symbolic link, as a user may keep the file elsewhere: the link stays a link.
TEST_F(SettingsFileTest, WritesReplaceTheFileWholeKeepingItsPermissionsOrRewriteItInPlace) {
    const std::string url = "http://example.com/" + std::string(41, 'p');  // beyond a short buffer
    settings_.file = dir_ / "real.ini";
    const mode_t mask = ::umask(022);
    Set("Links", "Link1", "a");
    ::umask(mask);
    EXPECT_EQ(Stat().st_mode & 07777, 0644u);
    ASSERT_EQ(::chmod(settings_.file.c_str(), 0640), 0);
    fs::create_symlink("real.ini", settings_.file = dir_ / "vt.ini");
    const struct stat before = Stat();
    Set("Links", "Link1", "a");
    EXPECT_EQ(Stat().st_ino, before.st_ino) << "an unchanged value must not touch the file";

    Set("Links", "Link1", "b");
    EXPECT_EQ(Stat().st_mode & 07777, 0640u);
    EXPECT_NE(Stat().st_ino, before.st_ino) << "expected a new file renamed into place";
    Set("AI_Links", "Link1", url);
    EXPECT_TRUE(fs::is_symlink(settings_.file));
    EXPECT_EQ(ReadFile(), "[Links]\nLink1=b\n[AI_Links]\nLink1=" + url + "\n");
    EXPECT_EQ(Get("AI_Links", "Link1"), url);
    EXPECT_EQ(Entries(), 2) << "a temporary file was left";
    // The fallback where no new file can be made: the same file, cut to size.
    const ino_t kept = Stat().st_ino;
    EXPECT_TRUE(settings_io::RewriteInPlace(settings_.file, "[Links]\nLink1=b\n") &&
                Stat().st_ino == kept);
    EXPECT_EQ(ReadFile(), "[Links]\nLink1=b\n");
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
}

}  // namespace
}  // namespace vantle
