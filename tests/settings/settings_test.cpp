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
    ~SettingsFileTest() override { fs::remove_all(dir_); }
    std::string Get(const char* key) { return ReadSetting(fields_, settings_, "Links", key); }
    void Set(const char* key, const char* value) {
        WriteSetting(fields_, settings_, "Links", key, value);
    }
    std::string File(const fs::path& file) const {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void ExpectOneMessage(const char* text) {
        ASSERT_EQ(messages_.shown.size(), 1u);
        EXPECT_EQ(messages_.shown[0].text + messages_.shown[0].title, text + "Vantle"s);
        EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Exclamation);
        messages_.shown.clear();
    }

    fs::path dir_ = ::mkdtemp((fs::temp_directory_path() / "vantle-ini-XXXXXX").string().data());
    test::RecordingMessageBoxes messages_;
    SettingsContext settings_{dir_ / "vt.ini", &messages_};
    IniFields fields_;
};

// No earlier read's value may show through, as it would be written back on the next save; a
// write keeps every other byte, however odd the file.
TEST_F(SettingsFileTest, ReadsClearTheOldValueAndWritesKeepEverythingElse) {
    fields_.INIValue = "from an earlier read";
    EXPECT_EQ(Get("Link1"), "");  // no file yet
    std::string before;
    for (int i = 0; i < 100000; ++i) before += static_cast<char>((i * 7919) % 251);
    before += "\n[Links]\r\nLink1=x\0y\nLink2=\n"s + std::string(1 << 20, 'z');
    std::ofstream(settings_.file, std::ios::binary) << before;
    for (const auto& [key, expected] : {std::pair{"Link1", "x"}, {"Link2", ""}, {"Link3", ""}})
        EXPECT_EQ(Get(key), expected) << key;
    Set("Link1", "ok");
    EXPECT_EQ(File(settings_.file), before.replace(before.find("x\0y"s), 3, "ok"));
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
        EXPECT_EQ(Get("Link1"), "") << name;
        ExpectOneMessage(modIni::kReadFailure);
        Set("Link2", "b");
        ExpectOneMessage(modIni::kWriteFailure);
    }
    fs::permissions(dir_ / "locked", fs::perms::owner_read, fs::perm_options::add);
    Set(";k", "v");  // would read back as a comment
    ExpectOneMessage(modIni::kWriteFailure);
    settings_.file = dir_ / "gone" / "vt.ini";
    Set("Link1", "a");
    ExpectOneMessage(modIni::kWriteFailure);
    EXPECT_EQ(File(dir_ / "locked"), "[Links]\nLink1=keep\n");
    EXPECT_TRUE(fs::is_empty(dir_ / "folder"));
    EXPECT_TRUE(fs::is_fifo(dir_ / "fifo"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 3);
}

// Through a symbolic link, as a user may keep the file elsewhere. A second name for the file
// tells a new file renamed into place from the old one changed.
TEST_F(SettingsFileTest, WritesReplaceTheFileWholeKeepingItsPermissionsOrRewriteItInPlace) {
    const fs::path real = dir_ / "real.ini", old = dir_ / "old.ini";
    settings_.file = real;
    const mode_t mask = ::umask(022);
    Set("Link1", "a");
    ::umask(mask);
    EXPECT_EQ(fs::status(real).permissions(), fs::perms(0644));
    fs::permissions(real, fs::perms(0640));
    fs::create_symlink("real.ini", settings_.file = dir_ / "vt.ini");
    fs::create_hard_link(real, old);
    Set("Link1", "a");
    EXPECT_EQ(fs::hard_link_count(real), 2u) << "an unchanged value must not touch the file";
    Set("Link2", "b");
    EXPECT_EQ(File(old), "[Links]\nLink1=a\n") << "expected a new file renamed into place";
    EXPECT_EQ(File(real), "[Links]\nLink1=a\nLink2=b\n");
    EXPECT_EQ(fs::status(real).permissions(), fs::perms(0640));
    EXPECT_TRUE(fs::is_symlink(settings_.file));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 3) << "a temporary file was left";
    // The fallback where no new file can be made: the same file, cut to size.
    fs::create_hard_link(old, dir_ / "same.ini");
    EXPECT_TRUE(settings_io::RewriteInPlace(old, "[Links]\n"));
    EXPECT_EQ(File(dir_ / "same.ini"), "[Links]\n");
}

}  // namespace
}  // namespace vantle
