// The program killed outright while a configuration dialog saves must never leave a torn or
// empty settings file: after every kill the file is exactly one of the states that a whole
// number of completed writes gives.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/checkbox.h>
#include <wx/textctrl.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "rotator/churl.h"
#include "support/app_fixture.h"

extern char** environ;

namespace vantle::test {
namespace {

constexpr const char* kLoopDirVariable = "VANTLE_SAVE_LOOP_DIR";
constexpr std::array<const char*, 8> kKeys = {"Link1", "Link2", "Link3", "Link4",
                                              "Link5", "FSEnabled", "MMEnabled", "OTEnabled"};

// Two sets of dialog values that differ in every key but the last.
std::array<std::string, 8> Values(int set) {
    const std::string host = set == 0 ? "http://alpha.example/" : "http://bravo.example/page/";
    return {host + "1", host + "2", host + "3", host + "4", host + "5", set == 0 ? "1" : "0",
            set == 0 ? "0" : "1", "0"};
}

// The file after the first `written` keys of a save of `next` over a file holding `previous`.
std::string FileState(int previous, int next, std::size_t written) {
    std::string text = "[AI_Links]\n";
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        text += std::string(kKeys[i]) + "=" + Values(i < written ? next : previous)[i] + "\n";
    }
    return text;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Runs in the child process: saves the Rotator dialog again and again, alternating the two value
// sets, until it is killed. Disabled, so it runs only when the test below starts it.
TEST(SaveLoop, DISABLED_SaveUntilKilled) {
    const char* dir = std::getenv(kLoopDirVariable);
    if (dir == nullptr) GTEST_SKIP() << "started by KillDuringSave only";
    RecordingMessageBoxes messages;
    Services services;
    services.settings = {std::filesystem::path(dir) / "vt.ini", &messages};
    services.messages = &messages;
    Application app(services);
    churl& dialog = app.RotatorConfig();
    for (int set = 1;; set ^= 1) {
        const std::array<std::string, 8> values = Values(set);
        wxTextCtrl* boxes[] = {dialog.Text1, dialog.Text2, dialog.Text3, dialog.Text4, dialog.Text5};
        for (int i = 0; i < 5; ++i) boxes[i]->ChangeValue(values[i]);
        dialog.Check1->SetValue(values[5] == "1");
        dialog.Check2->SetValue(values[6] == "1");
        dialog.Check3->SetValue(false);
        dialog.Command1_Click();
    }
}

TEST(KillDuringSave, TheSettingsFileIsAlwaysWholeOldOrNew) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantle-kill-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::filesystem::path dir = pattern;
    const std::filesystem::path ini = dir / "vt.ini";
    {
        std::ofstream(ini, std::ios::binary) << FileState(0, 0, 0);
    }

    std::set<std::string> valid;
    for (int previous : {0, 1}) {
        for (std::size_t written = 0; written <= kKeys.size(); ++written) {
            valid.insert(FileState(previous, previous ^ 1, written));
        }
    }

    std::mt19937 random(std::random_device{}());
    const std::string filter = "--gtest_filter=SaveLoop.DISABLED_SaveUntilKilled";
    const std::string setting = std::string(kLoopDirVariable) + "=" + dir.string();
    std::set<std::string> seen;
    for (int round = 0; round < 25; ++round) {
        // Kill on a random file-system event of the save loop: the creation, a write, the close
        // or the rename of a temporary file, so every moment of a write gets its turn.
        const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        inotify_add_watch(watch, dir.c_str(), IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO);
        const int killAt = std::uniform_int_distribution<int>(1, 120)(random);

        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
        env.push_back(setting);
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string self = "/proc/self/exe";
        std::string all = "--gtest_also_run_disabled_tests";
        std::string filterArg = filter;
        char* argv[] = {self.data(), filterArg.data(), all.data(), nullptr};
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        pid_t child = 0;
        ASSERT_EQ(posix_spawn(&child, "/proc/self/exe", &quiet, nullptr, argv, envp.data()), 0);
        posix_spawn_file_actions_destroy(&quiet);

        int events = 0;
        alignas(inotify_event) char buffer[4096];
        bool timedOut = false;
        while (events < killAt) {
            pollfd ready{watch, POLLIN, 0};
            if (poll(&ready, 1, 20'000) <= 0) {
                timedOut = true;
                break;
            }
            for (ssize_t n = read(watch, buffer, sizeof buffer), at = 0; n > 0 && at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                ++events;
            }
        }
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(watch);
        ASSERT_FALSE(timedOut) << "the save loop made no progress in round " << round;

        const std::string content = ReadFile(ini);
        ASSERT_TRUE(valid.count(content)) << "round " << round << ", killed at event " << killAt
                                          << ", file:\n" << content;
        seen.insert(content);
        // The next round starts from whatever the kill left, as a restarted program would.
        {
            std::ofstream(ini, std::ios::binary | std::ios::trunc) << FileState(0, 0, 0);
        }
    }
    // The kills landed at different moments, not always between two saves.
    EXPECT_GT(seen.size(), 3u);

    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

}  // namespace
}  // namespace vantle::test
