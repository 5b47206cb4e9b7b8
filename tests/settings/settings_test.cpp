#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "settings/mod_ini.h"
#include "support/fakes.h"
#include "support/temp_folder.h"
#include "support/unprivileged.h"

namespace vantle {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// For checks in a child process, where assertions do not reach the test: says what went wrong.
bool Holds(bool condition, const char* what) {
    if (!condition) std::fprintf(stderr, "not so: %s\n", what);
    return condition;
}

class SettingsFileTest : public testing::Test {
  protected:
    std::string Get(const char* key) { return ReadSetting(fields_, settings_, "Links", key); }
    bool Set(const char* key, const char* value) {
        return WriteSetting(fields_, settings_, "Links", key, value);
    }
    // Whether exactly one message was shown since the last call, with this text, and clears them.
    bool OneMessage(const char* text) {
        const bool one = messages_.shown.size() == 1 && messages_.shown[0].text == text &&
                         messages_.shown[0].title == "Vantle" &&
                         messages_.shown[0].icon == MessageIcon::Exclamation;
        messages_.shown.clear();
        return one;
    }

    test::TempFolder dir_{"vantle-ini"};
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
    EXPECT_TRUE(Set("Link1", "ok"));
    EXPECT_EQ(test::ReadFile(settings_.file), before.replace(before.find("x\0y"s), 3, "ok"));
    EXPECT_TRUE(messages_.shown.empty());
}

// A folder, a FIFO (a read must not wait for a writer), a file without any write permission bit
// (read-only to root too, even for a value it already holds), a key name that would read back
// as a comment, a missing folder, a path through a file: each write fails with its message and
// leaves everything alone; only what is there but cannot be read makes a read fail.
TEST_F(SettingsFileTest, WhatCannotBeReadOrWrittenFailsWithAMessageAndIsLeftAlone) {
    fs::create_directory(dir_ / "folder");
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    const std::string kept = "[Links]\nLink1=keep\n";
    std::ofstream(dir_ / "read-only") << kept;
    fs::permissions(dir_ / "read-only", fs::perms(0444));
    struct Row {
        const char *name, *file, *key, *value, *read;
        bool readFails;
    };
    const Row rows[] = {
        {"a folder", "folder", "Link2", "b", "", true},
        {"a FIFO", "fifo", "Link2", "b", "", true},
        {"read only", "read-only", "Link1", "new", "keep", false},
        {"read only, the value it holds", "read-only", "Link1", "keep", "keep", false},
        {"a key read back as a comment", "vt.ini", ";k", "v", "", false},
        {"a missing folder", "gone/vt.ini", "Link1", "a", "", false},
        {"a path through a file", "read-only/vt.ini", "Link1", "a", "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        settings_.file = dir_ / row.file;
        fields_.INIValue = "stale";
        EXPECT_EQ(Get("Link1"), row.read);
        EXPECT_TRUE(row.readFails ? OneMessage(modIni::kReadFailure) : messages_.shown.empty());
        EXPECT_FALSE(Set(row.key, row.value));
        EXPECT_TRUE(OneMessage(modIni::kWriteFailure));
    }
    EXPECT_EQ(test::ReadFile(dir_ / "read-only"), kept);
    EXPECT_TRUE(fs::is_empty(dir_ / "folder"));
    EXPECT_TRUE(fs::is_fifo(dir_ / "fifo"));
    EXPECT_EQ(test::Entries(dir_.path()), 3u);
}

// Root may read and write any file, so these run as an ordinary user. A file the user may not
// read must not be replaced (that would throw away every other setting in it), nor one the user
// may not write although the folder would take a new file.
TEST_F(SettingsFileTest, AnOrdinaryUserLeavesAFileAloneThatItMayNotReadOrWrite) {
    dir_.OpenToEveryone();
    const std::string kept = "[Links]\nLink1=keep\n";
    // Write permission for the group alone: the write bits do not refuse it, the user's do.
    // The unreadable one last, for the read that follows.
    const std::pair<const char*, fs::perms> files[] = {{"unwritable", fs::perms(0464)},
                                                       {"unreadable", fs::perms(0222)}};
    for (const auto& [name, perms] : files) {
        std::ofstream(dir_ / name) << kept;
        fs::permissions(dir_ / name, perms);
    }
    EXPECT_UNPRIVILEGED(([&] {
        bool right = true;
        for (const auto& [name, perms] : files) {
            settings_.file = dir_ / name;
            right &= Holds(!Set("Link2", "b") && OneMessage(modIni::kWriteFailure), name);
        }
        return right && Holds(Get("Link1").empty() && OneMessage(modIni::kReadFailure), "read");
    }));
    for (const auto& [name, perms] : files) {
        fs::permissions(dir_ / name, fs::perms(0644));
        EXPECT_EQ(test::ReadFile(dir_ / name), kept) << name;
    }
    EXPECT_EQ(test::Entries(dir_.path()), 2u);
}

// Through a symbolic link, as a user may keep the file elsewhere. A second name for the file
// tells a new file renamed into place from the old one changed.
TEST_F(SettingsFileTest, WritesReplaceTheFileWholeKeepingItsPermissions) {
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
    EXPECT_EQ(test::ReadFile(old), "[Links]\nLink1=a\n")
        << "expected a new file renamed into place";
    EXPECT_EQ(test::ReadFile(real), "[Links]\nLink1=a\nLink2=b\n");
    EXPECT_EQ(fs::status(real).permissions(), fs::perms(0640));
    EXPECT_TRUE(fs::is_symlink(settings_.file));
    EXPECT_EQ(test::Entries(dir_.path()), 3u) << "a temporary file was left";
}

// A folder the user may not write takes no temporary file, so the file is rewritten where it
// stands (root may write any folder, hence the ordinary user). A write that fails part-way, here
// at a file size limit, puts the old bytes back.
TEST_F(SettingsFileTest, AFolderThatTakesNoNewFileGetsItsFileRewrittenInPlace) {
    dir_.OpenToEveryone();
    const fs::path closed = dir_ / "closed";
    fs::create_directory(closed);
    settings_.file = closed / "vt.ini";
    const std::string before = "[Links]\r\nLink1=old\r\nLink2=x\r\n";
    std::ofstream(settings_.file, std::ios::binary) << before;
    fs::permissions(settings_.file, fs::perms(0666));
    fs::permissions(closed, fs::perms(0555));
    EXPECT_UNPRIVILEGED(([&] {
        bool right = Holds(Set("Link1", "newer") && messages_.shown.empty(), "stored");
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{before.size() + 4, RLIM_INFINITY};
        right &= Holds(::setrlimit(RLIMIT_FSIZE, &limit) == 0, "limit set");
        right &= Holds(!Set("Link1", "far too long for the limit"), "refused at the limit");
        return right && Holds(OneMessage(modIni::kWriteFailure), "message");
    }));
    EXPECT_EQ(test::ReadFile(settings_.file), "[Links]\r\nLink1=newer\r\nLink2=x\r\n");
}

// Each save reads the file, changes a line and writes it all back: without a lock between
// processes, a save that interleaves with another throws that one's change away.
TEST_F(SettingsFileTest, TwoProcessesSavingAtOnceLoseNoKey) {
    constexpr int kKeys = 300;
    const auto key = [](int n) { return "K" + std::to_string(n); };
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    pid_t children[2];
    for (int process = 0; process < 2; ++process) {
        children[process] = ::fork();
        ASSERT_GE(children[process], 0);
        if (children[process] == 0) {
            ::close(start[1]);
            char ignored;
            [[maybe_unused]] const auto got = ::read(start[0], &ignored, 1);  // until both exist
            bool saved = true;
            for (int i = 0; i < kKeys; ++i)
                saved &= WriteSetting(fields_, settings_, "S", key(process * kKeys + i), "v");
            ::_exit(saved ? 0 : 1);
        }
    }
    ::close(start[0]);
    ::close(start[1]);  // both start now
    for (int status = 0; const pid_t child : children) {
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a save failed";
    }
    int missing = 0;
    for (int i = 0; i < 2 * kKeys; ++i)
        missing += ReadSetting(fields_, settings_, "S", key(i)) != "v";
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(test::Entries(dir_.path()), 1u);
}

// A save that holds the lock and never ends (a stopped process) must not hang this one: after a
// short wait the write fails, and the file is left for the save that holds it. A killed save
// leaves its temporary file behind; the next save removes it, but never one whose process still
// runs, nor another file's.
TEST_F(SettingsFileTest, AStuckSaveFailsTheWriteAndOnlyLeftoversOfEndedSavesGo) {
    const int folder = ::open(dir_.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(folder, LOCK_EX), 0);
    EXPECT_FALSE(Set("Link1", "a"));
    EXPECT_TRUE(OneMessage(modIni::kWriteFailure));
    ::close(folder);
    EXPECT_FALSE(fs::exists(settings_.file));

    const pid_t ended = ::fork();
    if (ended == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
    const std::string killed = ".vt.ini." + std::to_string(ended) + ".3.tmp",
                      running = ".vt.ini." + std::to_string(::getpid()) + ".3.tmp",
                      other = ".other.ini." + std::to_string(ended) + ".3.tmp";
    for (const auto& name : {killed, running, other}) std::ofstream(dir_ / name) << "partial";
    EXPECT_TRUE(Set("Link1", "a"));
    EXPECT_FALSE(fs::exists(dir_ / killed));
    EXPECT_TRUE(fs::exists(dir_ / running) && fs::exists(dir_ / other));
}

}  // namespace
}  // namespace vantle
