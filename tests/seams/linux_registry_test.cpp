#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "logic/sys_info.h"
#include "seams/registry.h"
#include "support/temp_folder.h"

namespace vantle::test {

namespace fs = std::filesystem;

// The path key names the first program of the list found on the search path, skipping what is
// not an executable file and entries whose meaning depends on the current folder; with no list
// given, the search path is the process's own.
TEST(LinuxRegistry, ThePathKeyNamesTheFirstListedProgramOnTheSearchPath) {
    TempFolder folder;
    const std::string t = folder.path().string() + "/";
    for (const char* name : {"a/kinfocenter", "b/hardinfo", "c/hardinfo"}) {
        fs::create_directories((folder / name).parent_path());
        std::ofstream(folder / name) << "#!/bin/sh\n";
        fs::permissions(folder / name, fs::perms::owner_all);
    }
    fs::permissions(folder / "c/hardinfo", fs::perms::owner_read);
    fs::create_directories(folder / "d/hardinfo");
    const auto readPath = [](const std::unique_ptr<Registry>& registry) {
        std::string found;
        GetKeyValue(*registry, HKEY_LOCAL_MACHINE, "software\\microsoft\\shared tools\\msinfo",
                    "path", found);
        return found;
    };
    // From the current folder, this relative entry leads to b's hardinfo too.
    const std::string relative = fs::relative(folder / "b", fs::current_path()).string();
    ASSERT_TRUE(fs::exists(relative + "/hardinfo"));
    EXPECT_EQ(
        readPath(MakeLinuxRegistry(t + "c:" + t + "d::" + relative + ":" + t + "a:" + t + "b")),
        t + "b/hardinfo");
    EXPECT_EQ(readPath(MakeLinuxRegistry(t + "c:" + t + "d")), "");
    const std::string searchPath = ::getenv("PATH");
    ::setenv("PATH", (t + "a").c_str(), 1);
    const std::unique_ptr<Registry> fromPath = MakeLinuxRegistry();
    ::setenv("PATH", searchPath.c_str(), 1);
    EXPECT_EQ(readPath(fromPath), t + "a/kinfocenter");
    RegKey key = 0;
    EXPECT_EQ(fromPath->OpenKey(HKEY_LOCAL_MACHINE, std::string(kSysInfoPathKey),
                                0xF003F /* all access */, key),
              ERROR_ACCESS_DENIED);
}

}  // namespace vantle::test
