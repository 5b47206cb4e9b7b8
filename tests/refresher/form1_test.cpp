// The Refresher configuration dialog. Activation is driven by sending the events GTK would send,
// since the virtual display has no window manager to send them.
#include "refresher/form1.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>
#include <wx/weakref.h>

#include <tuple>
#include <vector>

#include "refresher_fixture.h"
#include "shell/frm_main.h"

namespace vantle::test {
namespace {

class ConfigDialogTest : public RefresherTest {
  protected:
    Form1& Open() {
        Store(Link::First, "http://first.test/a", "1500.5", "2");
        Store(Link::Second, "http://second.test/b", "10", "1");
        Settings().SetAllow("1");
        Settings().SetPauseTime("45");
        Form1& dialog = app().RefresherConfig();
        app().ShowModeless(dialog);
        return dialog;
    }
    // The fields in the file's order, check boxes as the file stores them, the options, then the
    // pause time.
    static wxString Fields(const Form1& d) {
        auto text = [&](const char* name) { return Find<wxTextCtrl>(d, name)->GetValue(); };
        auto state = [&](const char* name) { return Find<wxCheckBox>(d, name)->Get3StateValue(); };
        auto option = [&](const char* name) { return Find<wxRadioButton>(d, name)->GetValue(); };
        return wxString::Format("%s|%s|%d|%s|%s|%d|%d%d|%s", text("Text1"), text("Text3"),
                                state("Check1"), text("Text2"), text("Text4"), state("Check2"),
                                option("Option1"), option("Option2"), text("txtPauseTime"));
    }
    static constexpr const char* kStoredFields =
        "http://first.test/a|1500.5|2|http://second.test/b|10|1|10|45";
};

TEST_F(ConfigDialogTest, FillsEveryFieldAtEachActivationAndOddStoredValuesAsClear) {
    Settings().SetAllow("2");
    Form1& d = app().RefresherConfig();
    app().ShowModeless(d);
    // A file without the pause time shows the 30 s the tools take for it.
    EXPECT_EQ(Fields(d), "||0|||0|00|30");
    Open();
    EXPECT_EQ(Fields(d), kStoredFields);
    // Only a stored number 1 or 0 selects an option; anything else leaves the choice as it was.
    // A pause time that is no pause time shows as it is, for the user to mend.
    WriteIni("");
    Settings().SetActive(Link::First, "abc");
    Settings().SetActive(Link::Second, "7");
    Settings().SetPauseTime("soon");
    const std::pair<const char*, const char*> odd[] = {{"yes", "||0|||0|10|soon"},
                                                       {"0", "||0|||0|01|soon"},
                                                       {"", "||0|||0|01|soon"},
                                                       {"1.0", "||0|||0|10|soon"}};
    for (const auto& [allow, fields] : odd) {
        SCOPED_TRACE(allow);
        Settings().SetAllow(allow);
        d.Form_Activate();
        EXPECT_EQ(Fields(d), fields);
    }
}

// A refused interval in either box, or a refused pause time: its message, nothing written, the
// dialog open. Then a save writes all eight values in order, as typed, and closes.
TEST_F(ConfigDialogTest, SaveRefusesABadIntervalOrPauseThenWritesTheEightKeysInOrderAndCloses) {
    Form1& dialog = Open();
    WriteIni("");  // so that any write shows, and the order of the accepted save's writes
    const char* low = "Values lower than 10ms is NOT allowed!";
    wxTextCtrl* text3 = Find<wxTextCtrl>(dialog, "Text3");
    wxTextCtrl* text4 = Find<wxTextCtrl>(dialog, "Text4");
    wxTextCtrl* pause = Find<wxTextCtrl>(dialog, "txtPauseTime");
    const char* badPause = "Pause time must be a whole number of seconds from 0 to 86400!";
    const std::tuple<wxTextCtrl*, const char*, const char*> cases[] = {
        {text3, "9.99", low},
        {text4, "abc", low},
        {text4, "2147483648", "Values higher than 2147483647ms is NOT allowed!"},
        {pause, "", badPause},
        {pause, "2.5", badPause},
        {pause, "-1", badPause},
        {pause, "86401", badPause}};
    for (const auto& [box, text, message] : cases) {
        SCOPED_TRACE(text);
        messages.shown.clear();
        text3->ChangeValue("2147483647");
        text4->ChangeValue(" 10 ");  // the least accepted, written as typed
        pause->ChangeValue("86400");
        box->ChangeValue(text);
        dialog.Command1_Click();
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(
            std::tie(messages.shown[0].text, messages.shown[0].title, messages.shown[0].icon),
            std::make_tuple(std::string(message), std::string("Error"), MessageIcon::Exclamation));
    }
    text3->ChangeValue("2147483647");
    text4->ChangeValue(" 10 ");
    pause->ChangeValue("0");
    EXPECT_EQ(ReadIni(), "");
    wxWeakRef<Form1> alive(&dialog);
    dialog.Command1_Click();
    // The one place the file's own names are spelled out: they are the file format.
    EXPECT_EQ(IniLines(), (std::vector<std::string>{
                              "[Links]", "Link1=http://first.test/a", "Link1Interval=2147483647",
                              "Link1Active=2", "Link2=http://second.test/b", "Link2Interval= 10 ",
                              "Link2Active=1", "PauseTime=0", "[Popups]", "Allow=1"}));
    EXPECT_TRUE(PumpUntil([&] { return !alive; }));
}

// A save that cannot be written says so once per value and keeps the dialog open with what was
// typed: closing would lose it, and pass for a save that worked.
TEST_F(ConfigDialogTest, ASaveThatCannotBeWrittenKeepsTheDialogOpenWithTheEdits) {
    // A folder that is not there: reads find nothing, and every write fails.
    services.settings.file = IniPath().parent_path() / "gone" / "vt.ini";
    Form1& dialog = app().RefresherConfig();
    app().ShowModeless(dialog);
    for (auto* box : FindAll<wxTextCtrl>(dialog, {"Text1", "Text3", "Text4", "txtPauseTime"}))
        box->ChangeValue("1000");
    dialog.Command1_Click();
    EXPECT_EQ(messages.shown.size(), 8u);
    for (const auto& message : messages.shown) EXPECT_EQ(message.text, modIni::kWriteFailure);
    EXPECT_FALSE(wxTheApp->IsScheduledForDestruction(&dialog));
    EXPECT_EQ(Find<wxTextCtrl>(dialog, "Text1")->GetValue(), "1000");
}

TEST_F(ConfigDialogTest, CancelAndTheCloseBoxWriteNothing) {
    for (bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "Cancel" : "close box");
        Form1& dialog = Open();
        const std::string stored = ReadIni();
        wxWeakRef<Form1> alive(&dialog);
        Find<wxTextCtrl>(dialog, "Text3")->ChangeValue("5");
        cancel ? dialog.Command2_Click() : void(dialog.Close());
        ASSERT_TRUE(PumpUntil([&] { return !alive; }));
        EXPECT_EQ(ReadIni(), stored);
    }
    EXPECT_TRUE(messages.shown.empty());  // nor was the interval checked
}

// The refill rules themselves are shown with the Rotator's dialog, which shares them; here, that
// this dialog is wired to them.
TEST_F(ConfigDialogTest, RefillsWhenTheUserComesFromAnotherWindowOfTheProgram) {
    frmMain& main = app().CreateMain();
    Form1& dialog = Open();
    // The activation that the opener's showing brings finds the fields filled already.
    Find<wxTextCtrl>(dialog, "Text1")->ChangeValue("http://edited.test/");
    SendActivation(dialog);
    EXPECT_EQ(Find<wxTextCtrl>(dialog, "Text1")->GetValue(), "http://edited.test/");
    // From the main window and back: unsaved edits give way to the file.
    SendActivation(dialog, false);
    SendActivation(main);
    SendActivation(main, false);
    SendActivation(dialog);
    EXPECT_EQ(Find<wxTextCtrl>(dialog, "Text1")->GetValue(), "http://first.test/a");
}

}  // namespace
}  // namespace vantle::test
