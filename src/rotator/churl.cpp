#include "rotator/churl.h"

#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <string>

#include "kit/grow_to_fit.h"
#include "kit/services.h"
#include "kit/twips.h"
#include "logic/pause_time.h"
#include "logic/rotator_settings.h"
#include "rotator/aidle.h"
#include "rotator/rotator_host.h"

namespace vantle {
namespace {

// 16 x 15: a floppy disk, the usual picture for saving.
const char* const kFloppyDisk[] = {
    "16 15 6 1",        "  c None",         ". c #000000",      "b c #203080",
    "s c #C0C0C0",      "w c #FFFFFF",      "l c #8080C0",      "..............  ",
    ".bbbssssssssbb. ", ".bbbsssssbbsbbb.", ".bbbsssssbbsbbb.", ".bbbsssssbbsbbb.",
    ".bbbssssssssbbb.", ".bbbbbbbbbbbbbb.", ".bbbbbbbbbbbbbb.", ".bbwwwwwwwwwwbb.",
    ".bbwwwwwwwwwwbb.", ".bbwllllllllwbb.", ".bbwwwwwwwwwwbb.", ".bbwllllllllwbb.",
    ".bbwwwwwwwwwwbb.", "................",
};

}  // namespace

churl::churl(const Services& services, RotatorHost& host)
    : SelfFillingDialog(services, "Change Rotation Url:s", "churl"), host_(host) {
    BuildControls();
    SetClientSize(TwipsSize(this, 4620, 4470));
}

void churl::BuildControls() {
    auto* client = new wxPanel(this);
    client->SetBackgroundColour(*wxWHITE);

    const wxString captions[] = {"Url 1", "Url 2", "Url 3", "Url 4", "Url 5"};
    for (int i = 0; i < 5; ++i) {
        auto* label = new wxStaticText(client, wxID_ANY, captions[i], TwipsPoint(this, 0, i * 600),
                                       TwipsSize(this, 615, 255), wxST_NO_AUTORESIZE,
                                       wxString::Format("Label%d", i + 1));
        label->SetBackgroundColour(*wxWHITE);
    }

    // Children take the focus in the order they are created: the five boxes, Save, then the
    // check boxes in the order Mouse Movement, FakeSurfing, On Top.
    wxTextCtrl** boxes[] = {&Text1, &Text2, &Text3, &Text4, &Text5};
    for (int i = 0; i < 5; ++i) {
        *boxes[i] = new wxTextCtrl(client, wxID_ANY, "", TwipsPoint(this, 0, 240 + i * 600),
                                   TwipsSize(this, 4575, 285), 0, wxDefaultValidator,
                                   wxString::Format("Text%d", i + 1));
    }

    Command1 = new wxButton(client, wxID_ANY, "Save", TwipsPoint(this, 3120, 3120),
                            TwipsSize(this, 1335, 855), 0, wxDefaultValidator, "Command1");
    Command1->SetBitmap(wxBitmap(kFloppyDisk), wxTOP);

    // Three-state so a stored "2" shows greyed; only the settings file can set that state.
    // No colour of their own: the dialog's white shows through, whereas a background set on a
    // GTK check box also paints its indicator and hides the tick.
    auto makeCheck = [&](const wxString& caption, int top, int width, const wxString& name) {
        auto* box = new wxCheckBox(client, wxID_ANY, caption, TwipsPoint(this, 0, top),
                                   TwipsSize(this, width, 255), wxCHK_3STATE | wxALIGN_RIGHT,
                                   wxDefaultValidator, name);
        GrowToFit(box, Grow::KeepFirst);
        return box;
    };
    Check2 = makeCheck("Use Mouse Movement", 3360, 1935, "Check2");
    Check1 = makeCheck("Use FakeSurfing", 3000, 1575, "Check1");
    Check3 = makeCheck("Always keep window On Top", 3720, 2655, "Check3");

    lblPauseTime = new wxStaticText(client, wxID_ANY,
                                    "Pause while in use (seconds):", TwipsPoint(this, 0, 4125),
                                    TwipsSize(this, 3135, 255), wxST_NO_AUTORESIZE, "lblPauseTime");
    lblPauseTime->SetBackgroundColour(*wxWHITE);
    txtPauseTime = new wxTextCtrl(client, wxID_ANY, "", TwipsPoint(this, 3240, 4080),
                                  TwipsSize(this, 735, 285), 0, wxDefaultValidator, "txtPauseTime");
    const char* pauseTip =
        "How long Mouse Movement waits after you use the mouse or keyboard; "
        "0 turns pausing off";
    lblPauseTime->SetToolTip(pauseTip);
    txtPauseTime->SetToolTip(pauseTip);

    Command1->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Command1_Click(); });
}

void churl::Form_Load() { Fill(); }

void churl::Form_Activate() { Fill(); }

// Edits not yet saved are lost: the fields show what the settings file holds now.
void churl::Fill() {
    const RotatorSettings stored = RotatorSettings::Read(ini_, services_.settings);
    const std::array<wxTextCtrl*, 5> boxes = UrlBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i)
        boxes[i]->ChangeValue(wxString::FromUTF8(stored.links[i]));
    Check1->Set3StateValue(CheckBoxStateFromSetting(stored.fakeSurfing));
    Check2->Set3StateValue(CheckBoxStateFromSetting(stored.mouseMovement));
    Check3->Set3StateValue(CheckBoxStateFromSetting(stored.onTop));
    txtPauseTime->ChangeValue(wxString::FromUTF8(PauseTimeShown(stored.pauseTime)));
}

void churl::Command1_Click() {
    if (!PauseTimeAccepted(*txtPauseTime)) return;
    RotatorSettings edited;
    const std::array<wxTextCtrl*, 5> boxes = UrlBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i)
        edited.links[i] = boxes[i]->GetValue().utf8_string();
    edited.fakeSurfing = SettingFromCheckBox(*Check1);
    edited.mouseMovement = SettingFromCheckBox(*Check2);
    edited.onTop = SettingFromCheckBox(*Check3);
    edited.pauseTime = txtPauseTime->GetValue().utf8_string();
    // A save that was not stored must not act as one: each failed key has said so, the dialog
    // stays open with the user's edits to try again, and the Rotator keeps the switches it has.
    if (!edited.Write(ini_, services_.settings)) return;

    // Loads the Rotator, hidden, when it is not loaded; its load reads what was just written.
    host_.Rotator().SetActivitySwitches(edited.fakeSurfing, edited.mouseMovement);
    Hide();
}

}  // namespace vantle
