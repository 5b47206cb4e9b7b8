#pragma once

#include <filesystem>
#include <memory>
#include <string>

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

}  // namespace vantle::test
