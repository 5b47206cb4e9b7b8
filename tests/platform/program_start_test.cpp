// The real program start, against real programs in a temporary folder.
#include <glib.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <fstream>

#include "platform/web_engine_environment.h"
#include "platform/wx_platform.h"
#include "support/pump.h"
#include "support/temp_folder.h"

namespace vantle::test {

namespace fs = std::filesystem;

// The reason for starting programs the way it is done: a start that cannot run says so, and
// standard error says why.
TEST(ProgramStart, AProgramThatCannotRunIsNotStartedAndSaysWhy) {
    TempFolder folder;
    std::ofstream(folder / "not-executable") << "#!/bin/sh\n";
    const std::pair<fs::path, int> cases[] = {
        {folder / "missing", ENOENT}, {folder / "not-executable", EACCES}, {folder.path(), EACCES}};
    for (const auto& [path, reason] : cases) {
        SCOPED_TRACE(path.filename().string());
        testing::internal::CaptureStderr();
        EXPECT_FALSE(MakeWxProgramStart()->Start(path.string()));
        EXPECT_NE(testing::internal::GetCapturedStderr().find(g_strerror(reason)),
                  std::string::npos);
    }
    // No desktop handles this scheme; what the toolkit says about it follows the address.
    const std::string told = "Vantle: cannot open nosuchscheme://x in the browser: ";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(MakeWxProgramStart()->OpenInBrowser("nosuchscheme://x"));
    const std::string said = testing::internal::GetCapturedStderr();
    const std::size_t at = said.find(told);
    EXPECT_TRUE(at != std::string::npos && said.size() > at + told.size() + 1) << said;
}

// The started program gets the user's environment, without the switches set for the engine.
TEST(ProgramStart, TheStartedProgramDoesNotInheritTheEngineSwitches) {
    const auto& switches = EngineEnvironment();
    if (switches.empty()) GTEST_SKIP() << "the user had set every engine switch already";
    TempFolder folder;
    const fs::path script = folder / "env.sh";
    std::ofstream(script) << "#!/bin/sh\nenv > \"$0.part\" && mv \"$0.part\" \"$0.txt\"\n";
    fs::permissions(script, fs::perms::owner_all);
    ::setenv("VANTLE_INHERITED", "yes", 1);
    const bool started = MakeWxProgramStart()->Start(script.string());
    ::unsetenv("VANTLE_INHERITED");
    ASSERT_TRUE(started);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(folder / "env.sh.txt"); }));
    const std::string environment = "\n" + ReadFile(folder / "env.sh.txt");
    EXPECT_NE(environment.find("\nVANTLE_INHERITED=yes\n"), std::string::npos);
    for (const std::string& name : switches) {
        EXPECT_NE(::getenv(name.c_str()), nullptr) << name << " is set in this process";
        EXPECT_EQ(environment.find("\n" + name + "="), std::string::npos) << name;
    }
}

}  // namespace vantle::test
