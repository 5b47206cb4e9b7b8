#include "platform/wx_platform.h"

#include <glib.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

namespace vantle {
namespace {

class WxMessageBoxes final : public MessageBoxes {
public:
    void Show(const std::string& text, const std::string& title, MessageIcon icon) override {
        long style = wxOK;
        switch (icon) {
            case MessageIcon::None: style |= wxICON_NONE; break;
            case MessageIcon::Information: style |= wxICON_INFORMATION; break;
            case MessageIcon::Exclamation: style |= wxICON_EXCLAMATION; break;
        }
        wxMessageBox(wxString::FromUTF8(text), wxString::FromUTF8(title), style);
    }
};

class WxProgramStart final : public ProgramStart {
public:
    bool Start(const std::string& path) override {
        // Not wxExecute: it forks first and reports success even when the program cannot run.
        // GLib reports a failed exec back to us, and reaps the child itself. An argument
        // vector, not a command line: the path is never split or interpreted.
        std::string program = path;
        char* argv[] = {program.data(), nullptr};
        GError* error = nullptr;
        const bool started = g_spawn_async(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr,
                                           nullptr, nullptr, &error);
        if (error != nullptr) g_error_free(error);
        return started;
    }
    bool OpenInBrowser(const std::string& url) override {
        return wxLaunchDefaultBrowser(wxString::FromUTF8(url));
    }
};

}  // namespace

std::unique_ptr<MessageBoxes> MakeWxMessageBoxes() { return std::make_unique<WxMessageBoxes>(); }
std::unique_ptr<ProgramStart> MakeWxProgramStart() { return std::make_unique<WxProgramStart>(); }

}  // namespace vantle
