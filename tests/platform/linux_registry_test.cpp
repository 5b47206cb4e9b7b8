#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/registry.h"
#include "shell/sys_info.h"
#include "support/temp_folder.h"

namespace vantle::test {
namespace {

namespace fs = std::filesystem;

// The path key names the first program of the list found on the search path, skipping what is
// not an executable file and entries whose meaning depends on the current folder.
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
    const auto readPath = [](const std::string& folders) {
        std::string found;
        GetKeyValue(*MakeLinuxRegistry(folders), HKEY_LOCAL_MACHINE,
                    "software\\microsoft\\shared tools\\msinfo", "path", found);
        return found;
    };
    // From the current folder, this relative entry leads to b's hardinfo too.
    const std::string relative = fs::relative(folder / "b", fs::current_path()).string();
    ASSERT_TRUE(fs::exists(relative + "/hardinfo"));
    EXPECT_EQ(readPath(t + "c:" + t + "d::" + relative + ":" + t + "a:" + t + "b"),
              t + "b/hardinfo");
    EXPECT_EQ(readPath(t + "c:" + t + "d"), "");
    RegKey key = 0;
    EXPECT_EQ(MakeLinuxRegistry(t + "b")->OpenKey(HKEY_LOCAL_MACHINE, std::string(kSysInfoPathKey),
                                                  0xF003F /* all access */, key),
              ERROR_ACCESS_DENIED);
}

}  // namespace
}  // namespace vantle::test
