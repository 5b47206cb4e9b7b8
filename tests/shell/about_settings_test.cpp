#include <gtest/gtest.h>
#include <wx/stattext.h>

#include "shell/frm_about.h"
#include "shell/frm_main.h"
#include "support/app_fixture.h"

namespace vantle::test {
namespace {

using AboutSettingsTest = AppTest;

// The About window names the settings file in use, inside the window, says when saves are
// refused, and shows a name that is not UTF-8 with its odd byte escaped rather than as nothing.
TEST_F(AboutSettingsTest, NamesTheSettingsFileInUse) {
    services.settings.file = "/usr/share/caf\xe9/vt.ini";
    services.settings.readOnly = true;
    app().CreateMain();
    frmAbout about(app(), app().Main());
    EXPECT_EQ(about.lblSettings()->GetLabel(), "Settings: /usr/share/caf\\351/vt.ini (read only)");
    EXPECT_LE(about.lblSettings()->GetRect().GetBottom(), about.GetClientSize().y);
}

}  // namespace
}  // namespace vantle::test
