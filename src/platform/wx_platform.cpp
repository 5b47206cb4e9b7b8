#include "platform/wx_platform.h"

#include <wx/msgdlg.h>
#include <wx/uri.h>
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
        // An argument vector, not a command line: the path is never split or interpreted.
        const wxString program = wxString::FromUTF8(path);
        const wchar_t* argv[] = {program.wc_str(), nullptr};
        return wxExecute(argv, wxEXEC_ASYNC) > 0;
    }
    bool OpenInBrowser(const std::string& url) override {
        return wxLaunchDefaultBrowser(wxString::FromUTF8(url));
    }
};

}  // namespace

std::unique_ptr<MessageBoxes> MakeWxMessageBoxes() { return std::make_unique<WxMessageBoxes>(); }
std::unique_ptr<ProgramStart> MakeWxProgramStart() { return std::make_unique<WxProgramStart>(); }

}  // namespace vantle
