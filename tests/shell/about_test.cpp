#include <wx/app.h>
#include <wx/button.h>
#include <wx/stattext.h>

#include "logic/sys_info.h"
#include "shell/frm_about.h"
#include "shell/frm_main.h"
#include "support/app_fixture.h"
#include "support/window_access.h"
#include "version.h"

namespace vantle {
namespace {

using test::Find;

frmAbout* FindAbout() { return dynamic_cast<frmAbout*>(wxWindow::FindWindowByName("frmAbout")); }

// What a keyboard's Esc sends first, to the control that has the focus.
void PressEsc(wxWindow& focused) {
    wxKeyEvent key(wxEVT_CHAR_HOOK);
    key.m_keyCode = WXK_ESCAPE;
    key.SetEventObject(&focused);
    focused.ProcessWindowEvent(key);
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
// Info starts what the registry names; when that fails, it says so and the window stays open.
TEST_F(AboutTest, OpensModalOverMainWindowShowingTitleAndVersion) {
    test::FakeRegistry registry;
    registry.keys[std::string(kSysInfoPathKey)] = {std::string(kSysInfoPathValue), REG_SZ,
                                                   std::string("/nowhere/x", 11)};
    services.registry = &registry;
    programs.succeed = false;
    for (const bool first : {true, false}) {
        WhileAboutIsOpen([&](frmAbout& about) {
            EXPECT_TRUE(about.IsModal());
            EXPECT_EQ(about.GetParent(), app().Main());
            EXPECT_EQ(about.GetTitle(), "About Vantle");
            EXPECT_EQ(Find<wxStaticText>(about, "lblTitle")->GetLabel(), "Vantle");
            EXPECT_EQ(Find<wxStaticText>(about, "lblVersion")->GetLabel(),
                      "Version " + std::to_string(version::kMajor) + "." +
                          std::to_string(version::kMinor) + "." +
                          std::to_string(version::kRevision));
            EXPECT_EQ(about.GetDefaultItem(), Find<wxButton>(about, "cmdOK"));
            if (first) {
                wxCommandEvent click(wxEVT_BUTTON, Find<wxButton>(about, "cmdSysInfo")->GetId());
                Find<wxButton>(about, "cmdSysInfo")->ProcessWindowEvent(click);
                EXPECT_EQ(programs.started, std::vector<std::string>{"/nowhere/x"});
                ASSERT_EQ(messages.shown.size(), 1u);
                EXPECT_EQ(messages.shown[0].text, "System Information Is Unavailable At This Time");
                EXPECT_TRUE(about.IsModal());
                PressEsc(*Find<wxButton>(about, "cmdOK"));
            } else {
                about.Close();
            }
            EXPECT_FALSE(about.IsModal());
        });
    }
}

// The About window names the settings file in use, inside the window, says when saves are
// refused, and shows a name that is not UTF-8 with its odd byte escaped rather than as nothing.
TEST_F(AboutTest, NamesTheSettingsFileInUse) {
    services.settings.file = "/usr/share/caf\xe9/vt.ini";
    services.settings.readOnly = true;
    app().CreateMain();
    frmAbout about(app(), app().Main());
    EXPECT_EQ(Find<wxStaticText>(about, "lblSettings")->GetLabel(),
              "Settings: /usr/share/caf\\351/vt.ini (read only)");
    EXPECT_LE(Find<wxStaticText>(about, "lblSettings")->GetRect().GetBottom(),
              about.GetClientSize().y);
}

}  // namespace
}  // namespace vantle
