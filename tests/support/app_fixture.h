#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell/application.h"
#include "support/fakes.h"
#include "support/pump.h"

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
    std::filesystem::path IniPath() const { return dir_ / "vt.ini"; }
    // Closes every window and waits until wx has deleted them.
    void CloseAllWindows();

    RecordingMessageBoxes messages;
    RecordingProgramStart programs;
    Services services;

private:
    std::filesystem::path dir_;
    std::unique_ptr<Application> app_;
};

// What GTK delivers when a window becomes, or stops being, the active one: tests send it
// themselves, since activation needs a window manager that a virtual display does not have.
void SendActivation(wxWindow& window, bool active = true);

}  // namespace vantle::test
