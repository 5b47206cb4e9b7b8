#include "rotator/churl.h"

#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/listbox.h>
#include <wx/textctrl.h>
#include <wx/weakref.h>

#include <filesystem>
#include <string>
#include <vector>

#include "rotator/aidle.h"
#include "shell/frm_main.h"
#include "support/app_fixture.h"

namespace vantle::test {
namespace {

constexpr const char* kStored =
    "[AI_Links]\nLink1=http://one.example/\nLink2=http://two.example/\nLink3=\n"
    "Link5=http://five.example/\nFSEnabled=1\nMMEnabled=2\nOTEnabled=yes\n";

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
    EXPECT_EQ(dialog.Check3->Get3StateValue(), wxCHK_UNCHECKED);  // not 0, 1 or 2
    EXPECT_TRUE(messages.shown.empty());
    // Greyed only when loaded so: the user's clicks go between ticked and clear.
    EXPECT_FALSE(dialog.Check2->Is3rdStateAllowedForUser());

    std::vector<std::string> tabOrder;
    for (wxWindow* child : dialog.Text1->GetParent()->GetChildren()) {
        if (child->CanAcceptFocus()) tabOrder.push_back(child->GetName().utf8_string());
    }
    EXPECT_EQ(tabOrder, (std::vector<std::string>{"Text1", "Text2", "Text3", "Text4", "Text5",
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
    dialog.Command1_Click();

    EXPECT_EQ(IniLines(), (std::vector<std::string>{
                              "[AI_Links]", "Link1=http://a.example/", "Link2=http://b.example/",
                              "Link3=", "Link4=http://d.example/", "Link5=http://e.example/",
                              "FSEnabled=2", "MMEnabled=1", "OTEnabled=0"}));
    EXPECT_FALSE(dialog.IsShown());
    ASSERT_TRUE(app().IsRotatorLoaded());
    aidle& rotator = app().Rotator();
    EXPECT_FALSE(rotator.IsShown());
    EXPECT_EQ(rotator.FSenabled, "2");
    EXPECT_EQ(rotator.MMEnabled, "1");
    EXPECT_EQ(rotator.List1->GetString(3), "http://d.example/");  // its load read the new file
}

TEST_F(ChurlTest, SaveWithOnTopTickedShowsTheHiddenLoadOfTheRotator) {
    ShowDialog().Check3->Set3StateValue(wxCHK_CHECKED);
    app().RotatorConfig().Command1_Click();
    EXPECT_TRUE(app().Rotator().IsShown());
    EXPECT_TRUE(app().Rotator().HasFlag(wxSTAY_ON_TOP));
}

TEST_F(ChurlTest, SaveIntoALoadedRotatorChangesOnlyItsTwoActivitySwitches) {
    WriteIni(kStored);
    aidle& rotator = app().Rotator();
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

// A read failure shown by the refill must not bring the next refill when its box closes and
// GTK activates the dialog again, or the boxes would never end.
TEST_F(ChurlTest, RefillsWhenComingFromAnotherWindowButNotBackFromItsOwnMessageBox) {
    std::filesystem::create_directory(IniPath());  // every read fails
    churl* dialog = nullptr;
    int activationsDuringBoxes = 0;
    messages.onShow = [&](const RecordingMessageBoxes::Message&) {
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

    aidle& rotator = app().Rotator();  // its load reads, and fails, too
    messages.shown.clear();
    SendActivation(rotator);
    SendActivation(*dialog);
    EXPECT_EQ(messages.shown.size(), 8u);
    EXPECT_EQ(dialog->Text2->GetValue(), "");
}

TEST_F(ChurlTest, BothOpenersReachOneInstanceAndTheCloseBoxUnloadsWithoutWriting) {
    WriteIni(kStored);
    frmMain& main = app().CreateMain();
    main.ghs_Click();
    churl& dialog = app().RotatorConfig();
    EXPECT_TRUE(dialog.IsShown());
    dialog.Text2->SetValue("typed");
    app().Rotator().Command4_Click();
    EXPECT_EQ(&app().RotatorConfig(), &dialog);
    EXPECT_EQ(dialog.Text2->GetValue(), "http://two.example/");  // that showing filled it afresh

    wxWeakRef<churl> alive(&dialog);
    dialog.Text1->SetValue("http://changed.example/");
    dialog.Close();
    ASSERT_TRUE(PumpUntil([&] { return !alive; }));
    EXPECT_EQ(app().LoadedWindows().size(), 2u);  // the main window and the Rotator
    EXPECT_EQ(ReadIni(), kStored);
}

}  // namespace
}  // namespace vantle::test
