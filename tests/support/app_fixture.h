#pragma once

#include <gtest/gtest.h>
#include <wx/frame.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "shell/application.h"
#include "support/fakes.h"
#include "support/pump.h"
#include "support/temp_folder.h"

namespace vantle::test {

// A program without its main window: the settings file in a fresh temporary folder, messages
// and program starts recorded, intervals short. Set `services` up before the first app() call.
class AppTest : public testing::Test {
  protected:
    AppTest();
    ~AppTest() override;

    Application& app();
    void WriteIni(const std::string& content);
    std::string ReadIni() const;
    // The settings file's non-blank lines, without their line endings.
    std::vector<std::string> IniLines() const;
    std::filesystem::path IniPath() const { return folder_ / "vt.ini"; }
    // Closes every window and waits until wx has deleted them.
    void CloseAllWindows();

    RecordingMessageBoxes messages;
    RecordingProgramStart programs;
    Services services;

  private:
    TempFolder folder_{"vantle-test"};
    std::unique_ptr<Application> app_;
};

// What GTK delivers when a window becomes, or stops being, the active one: tests send it
// themselves, since activation needs a window manager that a virtual display does not have.
void SendActivation(wxWindow& window, bool active = true);

// Chooses the item captioned `item` (shortcut included) of the menu captioned `menu`, as the user
// would; fails the test when the menu bar has no such item.
void ChooseMenu(wxFrame& frame, const std::string& menu, const std::string& item);

}  // namespace vantle::test
