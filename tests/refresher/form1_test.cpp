// The Refresher configuration dialog. Activation is driven by sending the events GTK would send,
// since the virtual display has no window manager to send them.
#include "refresher/form1.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>
#include <wx/weakref.h>

#include <utility>
#include <vector>

#include "shell/frm_main.h"
#include "support/app_fixture.h"

namespace vantle::test {
namespace {

constexpr const char* kStored =
    "[Links]\nLink1=http://first.test/a\nLink1Interval=1500.5\nLink1Active=2\n"
    "Link2=http://second.test/b\nLink2Interval=10\nLink2Active=1\n[Popups]\nAllow=1\n";
constexpr const char* kEdited = "http://edited.test/";

class ConfigDialogTest : public AppTest {
  protected:
    Form1& Open(const std::string& ini = kStored) {
        WriteIni(ini);
        Form1& dialog = app().RefresherConfig();
        app().ShowModeless(dialog);
        return dialog;
    }
    // The fields in the file's order, check boxes as the file stores them, then the options.
    static wxString Fields(const Form1& d) {
        return wxString::Format("%s|%s|%d|%s|%s|%d|%d%d", d.Text1->GetValue(), d.Text3->GetValue(),
                                d.Check1->Get3StateValue(), d.Text2->GetValue(),
                                d.Text4->GetValue(), d.Check2->Get3StateValue(),
                                d.Option1->GetValue(), d.Option2->GetValue());
    }
};

TEST_F(ConfigDialogTest, FillsEveryFieldAtEachActivationAndOddStoredValuesAsClear) {
    Form1& d = Open("[Popups]\nAllow=2\n");
    EXPECT_EQ(Fields(d), "||0|||0|00");
    WriteIni(kStored);
    d.Form_Activate();
    EXPECT_EQ(Fields(d), "http://first.test/a|1500.5|2|http://second.test/b|10|1|10");
    // Only a stored number 1 or 0 selects an option; anything else leaves the choice as it was.
    const std::pair<const char*, const char*> odd[] = {
        {"yes", "||0|||0|10"}, {"0", "||0|||0|01"}, {"", "||0|||0|01"}, {"1.0", "||0|||0|10"}};
    for (const auto& [allow, fields] : odd) {
        WriteIni(std::string("[Links]\nLink1Active=abc\nLink2Active=7\n[Popups]\nAllow=") + allow);
        d.Form_Activate();
        EXPECT_EQ(Fields(d), fields) << allow;
    }
}

TEST_F(ConfigDialogTest, SaveRefusesABadIntervalWritingNothingThenWritesTheSevenKeysInOrder) {
    Form1& dialog = Open();
    WriteIni("");  // so that any write shows, and the order of the accepted save's writes
    const char* low = "Values lower than 10ms is NOT allowed!";
    const std::pair<const char*, const char*> cases[] = {
        {"9.99", low}, {"0", low},
        {"-5", low},   {"", low},
        {"abc", low},  {"2147483648", "Values higher than 2147483647ms is NOT allowed!"}};
    for (wxTextCtrl* box : {dialog.Text3, dialog.Text4}) {
        for (const auto& [text, message] : cases) {
            messages.shown.clear();
            dialog.Text3->ChangeValue("1000");
            dialog.Text4->ChangeValue("1000");
            box->ChangeValue(text);
            dialog.Command1_Click();
            ASSERT_EQ(messages.shown.size(), 1u) << text;
            EXPECT_EQ(messages.shown[0].text, message) << text;
        }
    }
    EXPECT_EQ(messages.shown[0].title, "Error");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(ReadIni(), "");
    EXPECT_FALSE(wxTheApp->IsScheduledForDestruction(&dialog));

    wxWeakRef<Form1> alive(&dialog);
    dialog.Text3->ChangeValue("2147483647");
    dialog.Text4->ChangeValue(" 10 ");  // the least accepted, written as typed
    dialog.Command1_Click();
    EXPECT_EQ(IniLines(), (std::vector<std::string>{
                              "[Links]", "Link1=http://first.test/a", "Link1Interval=2147483647",
                              "Link1Active=2", "Link2=http://second.test/b", "Link2Interval= 10 ",
                              "Link2Active=1", "[Popups]", "Allow=1"}));
    EXPECT_TRUE(PumpUntil([&] { return !alive; }));
}

TEST_F(ConfigDialogTest, CancelAndTheCloseBoxWriteNothing) {
    for (bool cancel : {true, false}) {
        Form1& dialog = Open();
        wxWeakRef<Form1> alive(&dialog);
        dialog.Text3->ChangeValue("5");
        cancel ? dialog.Command2_Click() : void(dialog.Close());
        ASSERT_TRUE(PumpUntil([&] { return !alive; }));
    }
    EXPECT_EQ(ReadIni(), kStored);
    EXPECT_TRUE(messages.shown.empty());  // nor was the interval checked
}

// The refill rules themselves are shown with the Rotator's dialog, which shares them; here, that
// this dialog is wired to them.
TEST_F(ConfigDialogTest, RefillsWhenTheUserComesFromAnotherWindowOfTheProgram) {
    frmMain& main = app().CreateMain();
    Form1& dialog = Open();
    // The activation that the opener's showing brings finds the fields filled already.
    dialog.Text1->ChangeValue(kEdited);
    SendActivation(dialog);
    EXPECT_EQ(dialog.Text1->GetValue(), kEdited);
    // From the main window and back: unsaved edits give way to the file.
    SendActivation(dialog, false);
    SendActivation(main);
    SendActivation(main, false);
    SendActivation(dialog);
    EXPECT_EQ(dialog.Text1->GetValue(), "http://first.test/a");
}

}  // namespace
}  // namespace vantle::test
