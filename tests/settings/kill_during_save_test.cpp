// The program killed outright while a configuration dialog saves must never leave a torn or
// empty settings file: after every kill the file is exactly one of the states that a whole
// number of completed writes gives.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/checkbox.h>
#include <wx/textctrl.h>

#include <array>
#include <cstdlib>
#include <random>
#include <set>
#include <string>

#include "rotator/churl.h"
#include "support/app_fixture.h"
#include "support/window_access.h"

namespace vantle::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kLoopDirVariable = "VANTLE_SAVE_LOOP_DIR";

// Two sets of dialog values that differ in every key but the last two.
std::array<std::string, 9> Values(int set) {
    const std::string host = set == 0 ? "http://alpha.example/" : "http://bravo.example/page/";
    return {host + "1",           host + "2",           host + "3", host + "4", host + "5",
            set == 0 ? "1" : "0", set == 0 ? "0" : "1", "0",        "30"};
}

// The file after the first `written` keys of a save of `next` over a file holding `previous`.
std::string FileState(int previous, int next, std::size_t written) {
    constexpr const char* keys[] = {"Link1",     "Link2",     "Link3",     "Link4",    "Link5",
                                    "FSEnabled", "MMEnabled", "OTEnabled", "PauseTime"};
    std::string text = "[AI_Links]\n";
    for (std::size_t i = 0; i < 9; ++i)
        text += std::string(keys[i]) + "=" + Values(i < written ? next : previous)[i] + "\n";
    return text;
}

// Runs in the child process: saves the Rotator dialog again and again, alternating the two value
// sets, until it is killed. Disabled, so it runs only when the test below starts it; not an
// AppTest, whose temporary folder would outlive the kill.
TEST(SaveLoop, DISABLED_SaveUntilKilled) {
    const char* dir = std::getenv(kLoopDirVariable);
    if (dir == nullptr) GTEST_SKIP() << "started by KillDuringSave only";
    RecordingMessageBoxes messages;
    Services services;
    services.settings = {fs::path(dir) / "vt.ini", &messages};
    services.messages = &messages;
    Application app(services);
    churl& dialog = app.RotatorConfig();
    const auto boxes = FindAll<wxTextCtrl>(dialog, {"Text1", "Text2", "Text3", "Text4", "Text5"});
    const auto checks = FindAll<wxCheckBox>(dialog, {"Check1", "Check2", "Check3"});
    for (int set = 1;; set ^= 1) {
        for (int i = 0; i < 5; ++i) boxes[i]->ChangeValue(Values(set)[i]);
        for (int i = 0; i < 3; ++i) checks[i]->SetValue(Values(set)[5 + i] == "1");
        Find<wxTextCtrl>(dialog, "txtPauseTime")->ChangeValue(Values(set)[8]);
        dialog.Command1_Click();
    }
}

using KillDuringSave = AppTest;
TEST_F(KillDuringSave, TheSettingsFileIsAlwaysWholeOldOrNew) {
    const std::string dir = IniPath().parent_path();
    ::setenv(kLoopDirVariable, dir.c_str(), 1);
    std::set<std::string> valid, seen;
    for (int previous : {0, 1})
        for (std::size_t written = 0; written <= 9; ++written)
            valid.insert(FileState(previous, previous ^ 1, written));

    std::mt19937 random(std::random_device{}());
    for (int round = 0; round < 25; ++round) {
        WriteIni(FileState(0, 0, 0));
        // Kill on a random file-system event of the save loop: the creation, a write, the close
        // or the rename of a temporary file, so every moment of a write gets its turn.
        const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        inotify_add_watch(watch, dir.c_str(), IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO);
        const int killAt = std::uniform_int_distribution<int>(1, 120)(random);
        const pid_t child = fork();
        if (child == 0) {  // this test program again, running only the save loop, quietly
            dup2(open("/dev/null", O_WRONLY), 1);
            dup2(1, 2);
            execl("/proc/self/exe", "gui_tests", "--gtest_filter=SaveLoop.*",
                  "--gtest_also_run_disabled_tests", nullptr);
            _exit(127);
        }
        ASSERT_GT(child, 0);
        int events = 0;
        alignas(inotify_event) char buffer[4096];
        pollfd ready{watch, POLLIN, 0};
        while (events < killAt && poll(&ready, 1, 20'000) > 0) {
            for (ssize_t n = read(watch, buffer, sizeof buffer), at = 0; at < n; ++events)
                at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(buffer + at)->len;
        }
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(watch);
        ASSERT_GE(events, killAt) << "the save loop made no progress in round " << round;

        const std::string content = ReadIni();
        ASSERT_TRUE(valid.count(content)) << "killed at event " << killAt << ":\n" << content;
        seen.insert(content);
    }
    // The kills landed at different moments, not always between two saves.
    EXPECT_GT(seen.size(), 3u);
    ::unsetenv(kLoopDirVariable);
    // Saves killed between making their temporary file and renaming it left it behind; the next
    // save clears them all away, since none of their processes runs any more.
    const std::size_t left = Entries(dir) - 1;
    IniFields fields;
    EXPECT_TRUE(WriteSetting(fields, services.settings, "AI_Links", "Link1", "x"));
    EXPECT_EQ(Entries(dir), 1u) << left << " were left";
}

}  // namespace
}  // namespace vantle::test
