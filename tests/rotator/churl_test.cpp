#include "rotator/churl.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/listbox.h>
#include <wx/textctrl.h>

#include <filesystem>
#include <string>
#include <vector>

#include "rotator/aidle.h"
#include "shell/frm_main.h"
#include "support/app_fixture.h"

namespace vantle::test {
namespace {

constexpr const char* kStored =
    "[AI_Links]\n"
    "Link1=http://one.example/\n"
    "Link2=http://two.example/\n"
    "Link3=\n"
    "Link5=http://five.example/\n"
    "FSEnabled=1\n"
    "MMEnabled=2\n"
    "OTEnabled=yes\n";

class ChurlTest : public AppTest {
  protected:
    churl& ShowDialog() {
        churl& dialog = app().RotatorConfig();
        app().ShowModeless(dialog);
        return dialog;
    }
};

TEST_F(ChurlTest, FillsEveryFieldFromTheFileAndNeverAnotherKeysValue) {
    WriteIni(kStored);
    churl& dialog = ShowDialog();
    EXPECT_EQ(dialog.GetTitle(), "Change Rotation Url:s");
    EXPECT_EQ(dialog.Text1->GetValue(), "http://one.example/");
    EXPECT_EQ(dialog.Text2->GetValue(), "http://two.example/");
    EXPECT_EQ(dialog.Text3->GetValue(), "");  // stored empty
    EXPECT_EQ(dialog.Text4->GetValue(), "");  // absent
    EXPECT_EQ(dialog.Text5->GetValue(), "http://five.example/");
    EXPECT_EQ(dialog.Check1->Get3StateValue(), wxCHK_CHECKED);
    EXPECT_EQ(dialog.Check2->Get3StateValue(), wxCHK_UNDETERMINED);
    EXPECT_EQ(dialog.Check3->Get3StateValue(), wxCHK_UNCHECKED);
    EXPECT_TRUE(messages.shown.empty());
    // Greyed only when loaded so: the user's clicks go between ticked and clear.
    EXPECT_TRUE(dialog.Check2->Is3State());
    EXPECT_FALSE(dialog.Check2->Is3rdStateAllowedForUser());
}

TEST_F(ChurlTest, TabOrderRunsThroughTheBoxesSaveThenTheSwitches) {
    churl& dialog = ShowDialog();
    std::vector<std::string> order;
    for (wxWindow* child : dialog.Text1->GetParent()->GetChildren()) {
        if (child->CanAcceptFocus()) order.push_back(child->GetName().utf8_string());
    }
    EXPECT_EQ(order, (std::vector<std::string>{"Text1", "Text2", "Text3", "Text4", "Text5",
                                               "Command1", "Check2", "Check1", "Check3"}));
}

TEST_F(ChurlTest, SaveWritesAllEightKeysInOrderAndLoadsTheRotatorHidden) {
    churl& dialog = ShowDialog();
    ASSERT_FALSE(app().IsRotatorLoaded());
    dialog.Text1->SetValue("http://a.example/");
    dialog.Text2->SetValue("http://b.example/");
    dialog.Text4->SetValue("http://d.example/");
    dialog.Text5->SetValue("http://e.example/");
    dialog.Check1->Set3StateValue(wxCHK_UNDETERMINED);
    dialog.Check2->Set3StateValue(wxCHK_CHECKED);
    dialog.Check3->Set3StateValue(wxCHK_UNCHECKED);

    dialog.Command1_Click();
    EXPECT_EQ(IniLines(),
              (std::vector<std::string>{
                  "[AI_Links]", "Link1=http://a.example/", "Link2=http://b.example/",
                  "Link3=", "Link4=http://d.example/", "Link5=http://e.example/", "FSEnabled=2",
                  "MMEnabled=1", "OTEnabled=0"}));
    EXPECT_FALSE(dialog.IsShown());
    ASSERT_TRUE(app().IsRotatorLoaded());
    aidle& rotator = app().Rotator();
    EXPECT_FALSE(rotator.IsShown());
    EXPECT_EQ(rotator.FSenabled, "2");
    EXPECT_EQ(rotator.MMEnabled, "1");
    // Its load read what had just been written.
    EXPECT_EQ(rotator.List1->GetString(3), "http://d.example/");

    // The menu then shows that same instance without loading it again.
    const std::size_t loaded = app().LoadedWindows().size();
    app().ShowModeless(app().Rotator());
    EXPECT_EQ(&app().Rotator(), &rotator);
    EXPECT_EQ(app().LoadedWindows().size(), loaded);
}

TEST_F(ChurlTest, SaveWithOnTopTickedShowsTheHiddenLoadOfTheRotator) {
    churl& dialog = ShowDialog();
    dialog.Check3->Set3StateValue(wxCHK_CHECKED);
    dialog.Command1_Click();
    EXPECT_TRUE(app().Rotator().IsShown());
    EXPECT_TRUE(app().Rotator().HasFlag(wxSTAY_ON_TOP));
}

TEST_F(ChurlTest, SaveIntoALoadedRotatorChangesOnlyItsTwoActivitySwitches) {
    WriteIni(kStored);
    aidle& rotator = app().Rotator();
    app().ShowModeless(rotator);
    churl& dialog = ShowDialog();
    dialog.Text3->SetValue("http://three.example/");
    dialog.Check1->Set3StateValue(wxCHK_UNCHECKED);
    dialog.Check2->Set3StateValue(wxCHK_CHECKED);
    dialog.Check3->Set3StateValue(wxCHK_CHECKED);

    dialog.Command1_Click();
    EXPECT_EQ(&app().Rotator(), &rotator);
    EXPECT_EQ(rotator.FSenabled, "0");
    EXPECT_EQ(rotator.MMEnabled, "1");
    EXPECT_EQ(rotator.OTEnabled, "yes");
    EXPECT_EQ(rotator.List1->GetString(2), "");
    EXPECT_FALSE(rotator.HasFlag(wxSTAY_ON_TOP));
}

// The refill follows the user into the dialog from another window of the program, and from
// an opener, but never from the dialog's own message box: a read failure shown by the refill
// would otherwise bring the next refill, for ever.
TEST_F(ChurlTest, RefillsWhenComingFromAnotherWindowButNotBackFromItsOwnMessageBox) {
    // A folder where the file should be: every read shows the read failure message.
    std::filesystem::create_directory(IniPath());
    churl* dialog = nullptr;
    int activationsDuringBoxes = 0;
    messages.onShow = [&](const RecordingMessageBoxes::Message&) {
        // GTK activates the dialog again when its box closes, while the fill goes on.
        if (dialog != nullptr && activationsDuringBoxes++ < 3) SendActivation(*dialog);
    };
    dialog = &app().RotatorConfig();
    EXPECT_EQ(messages.shown.size(), 8u);  // the fill at load
    app().ShowModeless(*dialog);
    EXPECT_EQ(messages.shown.size(), 16u);  // the opener's showing fills again, once

    dialog->Text2->SetValue("typed");
    SendActivation(*dialog);  // the last box has closed
    EXPECT_EQ(messages.shown.size(), 16u);
    EXPECT_EQ(dialog->Text2->GetValue(), "typed");

    aidle& rotator = app().Rotator();
    messages.shown.clear();
    SendActivation(rotator);
    SendActivation(*dialog);
    EXPECT_EQ(messages.shown.size(), 8u);
    EXPECT_EQ(dialog->Text2->GetValue(), "");
}

TEST_F(ChurlTest, BothOpenersReachOneInstanceAndEachShowingRefills) {
    WriteIni(kStored);
    frmMain& main = app().CreateMain();
    main.ghs_Click();
    churl* dialog = &app().RotatorConfig();
    EXPECT_TRUE(dialog->IsShown());
    dialog->Text2->SetValue("typed");

    aidle& rotator = app().Rotator();
    rotator.Command4_Click();
    EXPECT_EQ(&app().RotatorConfig(), dialog);
    EXPECT_EQ(dialog->Text2->GetValue(), "http://two.example/");

    dialog->Command1_Click();
    EXPECT_FALSE(dialog->IsShown());
    dialog->Text2->SetValue("stale");
    main.ghs_Click();
    EXPECT_EQ(&app().RotatorConfig(), dialog);
    EXPECT_TRUE(dialog->IsShown());
    EXPECT_EQ(dialog->Text2->GetValue(), "http://two.example/");
}

TEST_F(ChurlTest, CloseBoxUnloadsWithoutWriting) {
    WriteIni(kStored);
    churl* dialog = &ShowDialog();
    dialog->Text1->SetValue("http://changed.example/");
    dialog->Close();
    ASSERT_TRUE(PumpUntil([&] { return app().LoadedWindows().empty(); }));
    EXPECT_EQ(ReadIni(), kStored);

    EXPECT_EQ(ShowDialog().Text1->GetValue(), "http://one.example/");
}

}  // namespace
}  // namespace vantle::test
