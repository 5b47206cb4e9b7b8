#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "settings/mod_ini.h"

namespace vantle {

class MessageBoxes;
class ProgramStart;
class MouseInput;
class DesktopIdle;
class IdleInhibit;
class Registry;

// The program's fixed intervals in one place; tests construct windows with shorter ones.
struct Timings {
    std::chrono::milliseconds paneFirstTick1{10'800};
    std::chrono::milliseconds paneFirstTick2{9'500};
    std::chrono::milliseconds rotation{20'000};
    std::chrono::milliseconds activity{1'000};
    std::chrono::milliseconds paneWait{10'000};
};

// Everything a window needs from outside itself. The pointers are not owned.
struct Services {
    SettingsContext settings;
    MessageBoxes* messages = nullptr;
    ProgramStart* programs = nullptr;
    MouseInput* mouse = nullptr;
    DesktopIdle* idle = nullptr;
    IdleInhibit* inhibit = nullptr;
    Registry* registry = nullptr;
    Timings timings;
    // The Rotator's first page at every Start; empty for its own, the search portal.
    std::string firstPage;

    // Told when a tool window has opened, started, stopped or closed: the main window's status
    // panel listens. Nobody listens when it is empty.
    std::function<void()> toolStateChanged;
    void ToolStateChanged() const {
        if (toolStateChanged) toolStateChanged();
    }
};

}  // namespace vantle
