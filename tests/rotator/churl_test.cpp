#include "rotator/churl.h"

#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/listbox.h>
#include <wx/textctrl.h>
#include <wx/weakref.h>

#include "rotator/aidle.h"
#include "shell/frm_main.h"
#include "support/app_fixture.h"
#include "support/window_access.h"

namespace vantle::test {
namespace {

constexpr const char* kStored =
    "[AI_Links]\nLink1=one\nLink2=two\nLink3=\nLink5=five\nFSEnabled=1\nMMEnabled=2\nOTEnabled="
    "yes\n";

class ChurlTest : public AppTest {
  protected:
    // The five boxes' texts, the pause time, the three checkboxes' states as "0", "1" or "2";
    // set to `fill` first if it is given.
    static std::vector<std::string> Fields(churl& d, const std::vector<std::string>& fill = {}) {
        std::vector<std::string> fields;
        auto next = fill.begin();
        for (auto* box : FindAll<wxTextCtrl>(
                 d, {"Text1", "Text2", "Text3", "Text4", "Text5", "txtPauseTime"})) {
            if (!fill.empty()) box->SetValue(*next++);
            fields.push_back(box->GetValue().utf8_string());
        }
        for (auto* check : FindAll<wxCheckBox>(d, {"Check1", "Check2", "Check3"})) {
            if (!fill.empty()) check->Set3StateValue(wxCheckBoxState(std::stoi(*next++)));
            fields.push_back(std::to_string(check->Get3StateValue()));
        }
        return fields;
    }
};

// A pause time that is no whole number of seconds up to a day is refused with its message:
// nothing written, nothing handed over, the dialog open. Then all nine keys are written.
TEST_F(ChurlTest, SaveRefusesABadPauseThenWritesAllNineKeysInOrderHidesAndLoadsTheRotator) {
    churl& dialog = app().RotatorConfig();
    app().ShowModeless(dialog);
    for (const char* bad : {"", "1.5", "-3", "86401", "ten"}) {
        Fields(dialog, {"a", "b", "", "d", "e", bad, "2", "1", "0"});
        dialog.Command1_Click();
        EXPECT_EQ(messages.shown.back().text,
                  "Pause time must be a whole number of seconds from 0 to 86400!");
    }
    EXPECT_EQ(messages.shown.size(), 5u);
    EXPECT_EQ(ReadIni(), "");
    EXPECT_TRUE(dialog.IsShown());
    EXPECT_FALSE(app().IsRotatorLoaded());
    Find<wxTextCtrl>(dialog, "txtPauseTime")->SetValue(" 7 ");
    dialog.Command1_Click();
    EXPECT_EQ(IniLines(), (std::vector<std::string>{
                              "[AI_Links]", "Link1=a", "Link2=b", "Link3=", "Link4=d", "Link5=e",
                              "FSEnabled=2", "MMEnabled=1", "OTEnabled=0", "PauseTime= 7 "}));
    EXPECT_FALSE(dialog.IsShown());
    ASSERT_TRUE(app().IsRotatorLoaded());
    EXPECT_FALSE(app().Rotator().IsShown());
    // Its load read the new file.
    EXPECT_EQ(Find<wxListBox>(app().Rotator(), "List1")->GetString(3), "d");
}

// Without a usable file: a read failure shown by the refill must not bring the next refill when
// its box closes and GTK activates the dialog again, or the boxes would never end.
TEST_F(ChurlTest, RefillsOnlyFromAnotherWindowNotItsOwnMessageBoxAndAFailedSaveKeepsTheEdits) {
    std::filesystem::create_directory(IniPath());  // nothing can be read or written
    churl* dialog = nullptr;
    int activationsDuringBoxes = 0;
    messages.onShow = [&](const RecordingMessageBoxes::Message&) {
        if (dialog != nullptr && activationsDuringBoxes++ < 3) SendActivation(*dialog);
    };
    dialog = &app().RotatorConfig();
    EXPECT_EQ(messages.shown.size(), 9u);  // the fill at load
    app().ShowModeless(*dialog);
    EXPECT_EQ(messages.shown.size(), 18u);  // the opener's showing fills again, once

    Find<wxTextCtrl>(*dialog, "Text2")->SetValue("typed");
    SendActivation(*dialog);  // the last box has closed
    EXPECT_EQ(messages.shown.size(), 18u);
    EXPECT_EQ(Find<wxTextCtrl>(*dialog, "Text2")->GetValue(), "typed");

    aidle& rotator = app().Rotator();  // its load reads, and fails, too
    messages.shown.clear();
    SendActivation(rotator);
    SendActivation(*dialog);
    EXPECT_EQ(messages.shown.size(), 9u);
    EXPECT_EQ(Find<wxTextCtrl>(*dialog, "Text2")->GetValue(), "");

    // Each key that cannot be written says so once; a save that was not stored leaves the dialog
    // open with the edits, and hands nothing to the Rotator.
    const std::vector<std::string> edits = {"a", "b", "c", "d", "e", "0", "1", "1", "0"};
    Fields(*dialog, edits);
    messages.shown.clear();
    dialog->Command1_Click();
    ASSERT_EQ(messages.shown.size(), 9u);
    for (const auto& message : messages.shown) EXPECT_EQ(message.text, modIni::kWriteFailure);
    EXPECT_TRUE(dialog->IsShown());
    EXPECT_EQ(Fields(*dialog), edits);
    EXPECT_EQ(TestAccess::Switches(rotator), "");
}

// Empty and absent keys fill empty, never with another key's value; anything but 0, 1 or 2 clears.
TEST_F(ChurlTest, BothOpenersReachOneInstanceTheCloseBoxWritesNothingSaveSetsTheSwitches) {
    WriteIni(kStored);
    app().CreateMain().ghs_Click();
    churl& dialog = app().RotatorConfig();
    EXPECT_TRUE(dialog.IsShown());
    EXPECT_EQ(Fields(dialog),
              (std::vector<std::string>{"one", "two", "", "", "five", "30", "1", "2", "0"}));
    EXPECT_TRUE(messages.shown.empty());
    // Greyed only when loaded so: the user's clicks go between ticked and clear.
    EXPECT_FALSE(Find<wxCheckBox>(dialog, "Check2")->Is3rdStateAllowedForUser());
    Find<wxTextCtrl>(dialog, "Text2")->SetValue("typed");
    app().Rotator().Command4_Click();
    EXPECT_EQ(&app().RotatorConfig(), &dialog);
    // That showing filled it afresh.
    EXPECT_EQ(Find<wxTextCtrl>(dialog, "Text2")->GetValue(), "two");

    wxWeakRef<churl> alive(&dialog);
    dialog.Close();
    ASSERT_TRUE(PumpUntil([&] { return !alive; }));
    EXPECT_EQ(app().LoadedWindows().size(), 2u);  // the main window and the Rotator
    EXPECT_EQ(ReadIni(), kStored);

    // Saved into the loaded Rotator, only its two activity switches change: the addresses and
    // the on-top switch wait for its next load.
    app().ShowModeless(app().RotatorConfig());
    Fields(app().RotatorConfig(), {"", "", "", "", "", "30", "0", "1", "1"});
    app().RotatorConfig().Command1_Click();
    aidle& rotator = app().Rotator();
    EXPECT_EQ(TestAccess::Switches(rotator), "01yes");
    EXPECT_EQ(Find<wxListBox>(rotator, "List1")->GetString(0), "one");
    EXPECT_FALSE(rotator.IsShown() || rotator.HasFlag(wxSTAY_ON_TOP));
}

}  // namespace
}  // namespace vantle::test
