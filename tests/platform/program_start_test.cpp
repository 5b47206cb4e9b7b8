// The real program start, against real programs in a temporary folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "platform/web_engine_environment.h"
#include "platform/wx_platform.h"
#include "support/pump.h"
#include "support/temp_folder.h"

namespace vantle::test {

namespace fs = std::filesystem;

// The reason for starting programs the way it is done: a start that cannot run says so.
TEST(ProgramStart, AProgramThatCannotRunIsNotStarted) {
    TempFolder folder;
    std::ofstream(folder / "not-executable") << "#!/bin/sh\n";
    for (const fs::path& path : {folder / "missing", folder / "not-executable", folder.path()}) {
        SCOPED_TRACE(path.filename().string());
        EXPECT_FALSE(MakeWxProgramStart()->Start(path.string()));
    }
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
