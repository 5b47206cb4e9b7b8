#include "logic/settings_location.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "settings/mod_ini.h"
#include "support/fakes.h"
#include "support/temp_folder.h"
#include "support/unprivileged.h"

namespace vantle {
namespace {

namespace fs = std::filesystem;
using std::nullopt;
using Text = std::optional<std::string>;

TEST(SettingsLocationTest, UserConfigHomeFollowsTheXdgRules) {
    struct Row {
        Text xdg, home;
        std::optional<fs::path> expected;
    };
    const Row rows[] = {
        {"/xdg", "/home/u", "/xdg"},        {nullopt, "/home/u", "/home/u/.config"},
        {"", "/home/u", "/home/u/.config"}, {"relative/xdg", "/home/u", "/home/u/.config"},
        {nullopt, nullopt, nullopt},        {"relative", "relative-home", nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.xdg.value_or("(unset)") + " / " + row.home.value_or("(unset)"));
        EXPECT_EQ(UserConfigHome(row.xdg, row.home), row.expected);
    }
}

TEST(SettingsLocationTest, ChoosesTheFirstPlaceThatApplies) {
    using enum SettingsSource;
    const fs::path beside = "/opt/v/bin/vt.ini", tree = "/opt/v/share/vantle/vt.ini",
                   usr = "/usr/share/vantle/vt.ini", user = "/h/.config/vantle/vt.ini";
    struct Row {
        const char* name;
        std::set<fs::path> present;
        Text home;
        SettingsSource source;
        fs::path file;
        std::optional<fs::path> installedDefault;
        fs::path executableFolder = "/opt/v/bin";
    };
    const Row rows[] = {
        {"a file beside the executable", {beside, usr}, "/h", BesideExecutable, beside, nullopt},
        {"per user, default beside the tree", {tree, usr}, "/h", PerUser, user, tree},
        {"per user, default of the configured prefix", {usr}, "/h", PerUser, user, usr},
        {"per user, no default anywhere", {}, "/h", PerUser, user, nullopt},
        {"no home: the default, read only", {tree}, nullopt, InstalledDefault, tree, nullopt},
        {"no home and no default", {}, nullopt, InstalledDefault, usr, nullopt},
        // An unknown executable folder: nothing is looked for relative to the current one.
        {"no folder", {"vt.ini", "../share/vantle/vt.ini", usr}, "/h", PerUser, user, usr, ""},
    };
    SettingsSearch search;
    search.relativeDataFolder = "../share/vantle";
    search.configuredDataFolder = "/usr/share/vantle";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        search.executableFolder = row.executableFolder;
        search.home = row.home;
        const SettingsChoice choice = ChooseSettingsFile(
            search, [&row](const fs::path& path) { return row.present.contains(path); });
        EXPECT_EQ(choice.source, row.source);
        EXPECT_EQ(choice.file, row.file);
        EXPECT_EQ(choice.installedDefault, row.installedDefault);
    }
    search.commandLine = "/tmp/mine.ini";  // wins over everything
    const SettingsChoice chosen = ChooseSettingsFile(search, [](const fs::path&) { return true; });
    EXPECT_EQ(chosen.source, SettingsSource::CommandLine);
    EXPECT_EQ(chosen.file, "/tmp/mine.ini");
}

// A first run makes the folders and the file from the installed default; a later run, or a
// changed file, is left alone; without a default the folder is made ready for the first save.
// An XDG folder that cannot take the file, or cannot be made: the default is read, and a save is
// refused with the usual message, leaving the default as it was, even for root.
TEST(PrepareSettingsTest, MakesThePerUserFileOrFallsBackToTheDefaultReadOnly) {
    const test::TempFolder folder;
    const fs::path installed = folder / "vt.ini";
    const std::string kDefault = "[AI_Links]\nLink1=file:///usr/share/vantle/demo/rotate1.html\n";
    std::ofstream(installed) << kDefault;
    const auto perUser = [&](const fs::path& file) {
        return SettingsChoice{SettingsSource::PerUser, file, installed};
    };
    const fs::path file = folder / "xdg" / "deep" / "vantle" / "vt.ini";
    EXPECT_TRUE(!PrepareSettingsFile(perUser(file)).readOnly && test::ReadFile(file) == kDefault);
    std::ofstream(file) << "mine";
    EXPECT_EQ(PrepareSettingsFile(perUser(file)).file, file);
    EXPECT_EQ(test::ReadFile(file), "mine");

    const fs::path bare = folder / "xdg" / "vantle" / "vt.ini";
    const SettingsLocation location = PrepareSettingsFile({SettingsSource::PerUser, bare, nullopt});
    EXPECT_TRUE(location.file == bare && !location.readOnly);
    EXPECT_TRUE(fs::is_directory(bare.parent_path()) && !fs::exists(bare));

    test::RecordingMessageBoxes messages;
    const SettingsContext settings{installed, &messages, true};
    IniFields fields;
    EXPECT_EQ(ReadSetting(fields, settings, "AI_Links", "Link1"),
              "file:///usr/share/vantle/demo/rotate1.html");
    EXPECT_FALSE(WriteSetting(fields, settings, "AI_Links", "Link1", "changed"));
    EXPECT_TRUE(messages.shown.size() == 1 && messages.shown[0].text == modIni::kWriteFailure);
    EXPECT_EQ(test::ReadFile(installed), kDefault);

    folder.OpenToEveryone();
    fs::create_directory(folder / "locked");
    fs::permissions(folder / "locked", fs::perms(0555));
    std::ofstream(folder / "not-a-folder") << "";
    for (const char* name : {"locked", "not-a-folder"}) {
        SCOPED_TRACE(name);
        const fs::path unusable = folder / name / "vantle" / "vt.ini";
        EXPECT_UNPRIVILEGED([&] {
            const SettingsLocation location = PrepareSettingsFile(perUser(unusable));
            return location.readOnly && location.file == installed &&
                   !fs::exists(unusable.parent_path());
        });
    }
}

}  // namespace
}  // namespace vantle
