#pragma once

#include <memory>

#include <wx/app.h>

#include "shell/application.h"

namespace vantle {

// The running program: the real seams, the settings file beside the executable, and the
// windows. Its start-up creates the main window and returns; everything after that happens in
// window events, and the program ends when its last window has closed.
class Module1 : public wxApp {
public:
    Module1();
    ~Module1() override;
    bool OnInit() override;

private:
    struct Platform;
    std::unique_ptr<Platform> platform_;
    std::unique_ptr<Application> app_;
};

}  // namespace vantle
