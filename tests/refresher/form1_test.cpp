// The Refresher configuration dialog. Activation is driven by sending the events GTK would send,
// since the virtual display has no window manager to send them.
#include "refresher/form1.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>
#include <wx/weakref.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "shell/frm_main.h"
#include "support/app_fixture.h"

namespace vantle::test {
namespace {

constexpr const char* kStored =
    "[Links]\nLink1=http://first.test/a\nLink1Interval=1500.5\nLink1Active=2\n"
    "Link2=http://second.test/b\nLink2Interval=10\nLink2Active=1\n[Popups]\nAllow=1\n";

class ConfigDialogTest : public AppTest {
  protected:
    Form1& Open() {
        Form1& dialog = app().RefresherConfig();
        app().ShowModeless(dialog);
        return dialog;
    }
};

TEST_F(ConfigDialogTest, FillsEveryFieldWhenShown) {
    WriteIni(kStored);
    Form1& dialog = Open();
    EXPECT_EQ(dialog.GetTitle(), "Configuration");
    EXPECT_EQ(dialog.Text1->GetValue(), "http://first.test/a");
    EXPECT_EQ(dialog.Text3->GetValue(), "1500.5");
    EXPECT_EQ(dialog.Check1->Get3StateValue(), wxCHK_UNDETERMINED);
    EXPECT_EQ(dialog.Text2->GetValue(), "http://second.test/b");
    EXPECT_EQ(dialog.Text4->GetValue(), "10");
    EXPECT_EQ(dialog.Check2->Get3StateValue(), wxCHK_CHECKED);
    EXPECT_TRUE(dialog.Option1->GetValue());
    EXPECT_FALSE(dialog.Option2->GetValue());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ConfigDialogTest, OddStoredValuesFillAsClearAndLeaveTheOptionsAlone) {
    WriteIni("[Links]\nLink1Active=abc\nLink2Active=7\n[Popups]\nAllow=2\n");
    Form1& dialog = Open();
    EXPECT_EQ(dialog.Check1->Get3StateValue(), wxCHK_UNCHECKED);
    EXPECT_EQ(dialog.Check2->Get3StateValue(), wxCHK_UNCHECKED);
    EXPECT_FALSE(dialog.Option1->GetValue() || dialog.Option2->GetValue());
    // Only a stored number 1 or 0 selects an option; anything else leaves the choice as it was.
    for (const auto& [allow, first] : {std::pair{"1.0", true}, std::pair{"yes", true},
                                       std::pair{"0", false}, std::pair{"", false}}) {
        WriteIni(std::string("[Popups]\nAllow=") + allow + "\n");
        dialog.Form_Activate();
        EXPECT_EQ(dialog.Option1->GetValue(), first) << allow;
        EXPECT_EQ(dialog.Option2->GetValue(), !first) << allow;
    }
}

TEST_F(ConfigDialogTest, SaveWritesTheSevenKeysInOrderAsTypedAndCloses) {
    Form1& dialog = Open();
    wxWeakRef<Form1> alive(&dialog);
    dialog.Text1->ChangeValue("http://first.test/a");
    dialog.Text3->ChangeValue("1500.5");
    dialog.Check1->Set3StateValue(wxCHK_UNDETERMINED);
    dialog.Text4->ChangeValue(" 10 ");
    dialog.Check2->Set3StateValue(wxCHK_CHECKED);
    dialog.Command1_Click();  // with neither option selected, and 10 the least accepted

    EXPECT_EQ(IniLines(),
              (std::vector<std::string>{
                  "[Links]", "Link1=http://first.test/a", "Link1Interval=1500.5", "Link1Active=2",
                  "Link2=", "Link2Interval= 10 ", "Link2Active=1", "[Popups]", "Allow=0"}));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(PumpUntil([&] { return !alive; }));
}

TEST_F(ConfigDialogTest, SaveRefusesAnIntervalOutOfRangeOrNotANumberAndWritesNothing) {
    WriteIni(kStored);
    Form1& dialog = Open();
    const char* low = "Values lower than 10ms is NOT allowed!";
    const char* high = "Values higher than 2147483647ms is NOT allowed!";
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"9.99", "1000", low},        {"0", "1000", low},
        {"-5", "1000", low},          {"", "1000", low},
        {"abc", "1000", low},         {"1000", "5", low},
        {"2147483648", "1000", high}, {"1000", "1e10", high}};
    for (const auto& [first, second, message] : cases) {
        messages.shown.clear();
        dialog.Text3->ChangeValue(first);
        dialog.Text4->ChangeValue(second);
        dialog.Command1_Click();
        ASSERT_EQ(messages.shown.size(), 1u) << first << " / " << second;
        EXPECT_EQ(messages.shown[0].text, message);
        EXPECT_EQ(messages.shown[0].title, "Error");
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
        EXPECT_EQ(ReadIni(), kStored);
        EXPECT_FALSE(wxTheApp->IsScheduledForDestruction(&dialog));  // still open
    }
}

TEST_F(ConfigDialogTest, CancelAndTheCloseBoxWriteNothing) {
    WriteIni(kStored);
    for (bool cancel : {true, false}) {
        Form1& dialog = Open();
        wxWeakRef<Form1> alive(&dialog);
        dialog.Text1->ChangeValue("http://changed.test/");
        dialog.Text3->ChangeValue("5");
        cancel ? dialog.Command2_Click() : void(dialog.Close());
        EXPECT_TRUE(PumpUntil([&] { return !alive; }));
        EXPECT_EQ(ReadIni(), kStored);
        EXPECT_TRUE(messages.shown.empty());
    }
}

TEST_F(ConfigDialogTest, RefillsOnlyWhenTheUserComesFromAnotherWindowOfTheProgram) {
    WriteIni(kStored);
    frmMain& main = app().CreateMain();
    Form1& dialog = Open();
    // The activation that the opener's showing brings finds the fields filled already.
    dialog.Text1->ChangeValue("http://edited.test/");
    SendActivation(dialog);
    EXPECT_EQ(dialog.Text1->GetValue(), "http://edited.test/");

    // From the main window and back: unsaved edits give way to the file.
    SendActivation(dialog, false);
    SendActivation(main);
    SendActivation(main, false);
    SendActivation(dialog);
    EXPECT_EQ(dialog.Text1->GetValue(), "http://first.test/a");

    // The dialog's own message box (not a window of the program) takes the activation and gives
    // it back when it closes; the same happens on coming back from another program.
    dialog.Text1->ChangeValue("http://edited.test/");
    dialog.Text3->ChangeValue("5");
    messages.onShow = [&](const auto&) { SendActivation(dialog, false); };
    dialog.Command1_Click();
    SendActivation(dialog);
    EXPECT_EQ(dialog.Text1->GetValue(), "http://edited.test/");
    EXPECT_EQ(messages.shown.size(), 1u);

    // Chosen again from the menu while the main window is active: filled afresh by that showing,
    // and not again by the activation it brings.
    SendActivation(main);
    main.conf_Click();
    EXPECT_EQ(dialog.Text1->GetValue(), "http://first.test/a");
    dialog.Text1->ChangeValue("http://edited.test/");
    SendActivation(dialog);
    EXPECT_EQ(dialog.Text1->GetValue(), "http://edited.test/");
}

}  // namespace
}  // namespace vantle::test
