#include <wx/app.h>
#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include <functional>
#include <memory>

#include "platform/wx_platform.h"
#include "shell/frm_about.h"
#include "shell/frm_main.h"
#include "support/app_fixture.h"
#include "version.h"

namespace vantle {
namespace {

frmAbout* FindAbout() { return dynamic_cast<frmAbout*>(wxWindow::FindWindowByName("frmAbout")); }

// What a keyboard's Esc sends first, to the control that has the focus.
void PressEsc(wxWindow& focused) {
    wxKeyEvent key(wxEVT_CHAR_HOOK);
    key.m_keyCode = WXK_ESCAPE;
    key.SetEventObject(&focused);
    focused.ProcessWindowEvent(key);
}

void Click(wxButton& button) {
    wxCommandEvent click(wxEVT_BUTTON, button.GetId());
    button.ProcessWindowEvent(click);
}

class AboutTest : public test::AppTest {
  protected:
    // Opens the About window from the main window's menu and runs `inside` while it is up.
    // Returns once the menu command has returned, that is when the window has closed.
    void WhileAboutIsOpen(const std::function<void(frmAbout&)>& inside) {
        if (app().Main() == nullptr) app().CreateMain();
        bool ran = false;
        wxTheApp->CallAfter([&] {
            ran = true;
            frmAbout* about = FindAbout();
            ASSERT_NE(about, nullptr);
            inside(*about);
            if (about->IsModal()) {
                ADD_FAILURE() << "the About window did not close";
                about->EndModal(wxID_CANCEL);
            }
        });
        test::ChooseMenu(*app().Main(), "&Help", "&About ");
        EXPECT_TRUE(ran) << "the menu command returned before the window was up";
        EXPECT_EQ(FindAbout(), nullptr);
    }
};

// Opened twice, closed once by Esc and once by its close box: the same texts each time. System
// Info with no program to start shows its message and leaves the window open.
TEST_F(AboutTest, OpensModalOverMainWindowShowingTitleAndVersion) {
    const std::unique_ptr<Registry> registry = MakeLinuxRegistry("/nonexistent-folder");
    services.registry = registry.get();
    for (const bool first : {true, false}) {
        WhileAboutIsOpen([&](frmAbout& about) {
            EXPECT_TRUE(about.IsModal());
            EXPECT_EQ(about.GetParent(), app().Main());
            EXPECT_EQ(about.GetTitle(), "About Vantle");
            EXPECT_EQ(about.lblTitle()->GetLabel(), "Vantle");
            EXPECT_EQ(about.lblVersion()->GetLabel(), "Version " + std::to_string(version::kMajor) +
                                                          "." + std::to_string(version::kMinor) +
                                                          "." + std::to_string(version::kRevision));
            EXPECT_EQ(about.GetDefaultItem(), about.cmdOK());
            if (first) {
                Click(*about.cmdSysInfo());
                ASSERT_EQ(messages.shown.size(), 1u);
                EXPECT_EQ(messages.shown[0].text, "System Information Is Unavailable At This Time");
                EXPECT_TRUE(about.IsModal());
                PressEsc(*about.cmdOK());
            } else {
                about.Close();
            }
            EXPECT_FALSE(about.IsModal());
        });
    }
}

TEST_F(AboutTest, SysInfoStartsTheInstalledProgram) {
    wxArrayString hardinfo;  // where the shell finds it on the PATH
    wxExecute("sh -c 'command -v hardinfo'", hardinfo, wxEXEC_SYNC | wxEXEC_NODISABLE);
    if (hardinfo.empty()) GTEST_SKIP() << "hardinfo is not installed";
    const std::unique_ptr<Registry> registry = MakeLinuxRegistry();
    services.registry = registry.get();
    frmAbout about(app(), nullptr);
    Click(*about.cmdSysInfo());
    EXPECT_EQ(programs.started, std::vector<std::string>{hardinfo[0].utf8_string()});
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace vantle
