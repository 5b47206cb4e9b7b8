#include "shell/module1.h"

#include <filesystem>

#include <wx/stdpaths.h>

#include "platform/display_backend.h"
#include "platform/web_pane.h"
#include "platform/wx_platform.h"
#include "shell/frm_main.h"

namespace vantle {

struct Module1::Platform {
    std::unique_ptr<MessageBoxes> messages = MakeWxMessageBoxes();
    std::unique_ptr<ProgramStart> programs = MakeWxProgramStart();
    std::unique_ptr<MouseInput> mouse = MakeWxMouseInput();
    std::unique_ptr<Registry> registry = MakeLinuxRegistry();
};

// wx makes the application object before it starts the toolkit.
Module1::Module1() {
    PreferX11Backend();
    PrepareWebEngine();
}
Module1::~Module1() = default;

bool Module1::OnInit() {
    // The program takes no command line: wxApp::OnInit would parse and reject one.
    SetAppName("Vantle");
    SetAppDisplayName("Vantle");
    platform_ = std::make_unique<Platform>();

    const std::filesystem::path exe =
        wxStandardPaths::Get().GetExecutablePath().utf8_string();
    Services services;
    services.settings.file = exe.parent_path() / "vt.ini";
    services.settings.messages = platform_->messages.get();
    services.messages = platform_->messages.get();
    services.programs = platform_->programs.get();
    services.mouse = platform_->mouse.get();
    services.registry = platform_->registry.get();

    app_ = std::make_unique<Application>(std::move(services));
    app_->CreateMain();
    return true;
}

}  // namespace vantle
