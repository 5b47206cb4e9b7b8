#include "refresher/form1.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "kit/grow_to_fit.h"
#include "kit/services.h"
#include "kit/twips.h"
#include "logic/numbers.h"
#include "logic/pause_time.h"
#include "logic/refresh_logic.h"
#include "seams/message_boxes.h"

namespace vantle {

using namespace refresher;

Form1::Form1(const Services& services) : SelfFillingDialog(services, "Configuration", "Form1") {
    BuildControls();
    SetClientSize(TwipsSize(this, 6945, 4110));
}

void Form1::BuildControls() {
    auto* client = new wxPanel(this);
    auto at = [this](wxPoint origin, int x, int y) {
        return TwipsPoint(this, origin.x + x, origin.y + y);
    };
    auto size = [this](int width, int height) { return TwipsSize(this, width, height); };
    const wxPoint dialog(0, 0);
    const wxPoint frame1(120, 0);
    const wxPoint frame2(120, 1320);
    const wxColour blue(0, 0, 255);
    const wxColour green(0, 128, 0);
    const wxColour red(255, 0, 0);

    // All controls are siblings, created in tab order (Save first, so it has the focus when
    // the dialog opens); each frame is drawn behind the controls it holds, which are placed
    // relative to it.
    Command1 = new wxButton(client, wxID_ANY, "Save", at(dialog, 240, 3720), size(1695, 255), 0,
                            wxDefaultValidator, "Command1");

    Frame1 = new wxStaticBox(client, wxID_ANY, "The FIRST Link", at(dialog, 120, 0),
                             size(6735, 1335), 0, "Frame1");
    Frame1->SetForegroundColour(blue);
    Label1 = new wxStaticText(client, wxID_ANY, "First Url:", at(frame1, 120, 360), size(2775, 255),
                              wxST_NO_AUTORESIZE, "Label1");
    Label3 = new wxStaticText(client, wxID_ANY, "Refresh Interval in ms", at(frame1, 5040, 360),
                              size(1695, 255), wxST_NO_AUTORESIZE, "Label3");
    Text1 = new wxTextCtrl(client, wxID_ANY, "", at(frame1, 120, 600), size(4575, 285), 0,
                           wxDefaultValidator, "Text1");
    Text3 = new wxTextCtrl(client, wxID_ANY, "", at(frame1, 5520, 600), size(735, 285), 0,
                           wxDefaultValidator, "Text3");

    Frame2 = new wxStaticBox(client, wxID_ANY, "The SECOND Link", at(dialog, 120, 1320),
                             size(6735, 1335), 0, "Frame2");
    Frame2->SetForegroundColour(blue);
    Label2 = new wxStaticText(client, wxID_ANY, "Second Url:", at(frame2, 120, 360),
                              size(2775, 255), wxST_NO_AUTORESIZE, "Label2");
    Label4 = new wxStaticText(client, wxID_ANY, "Refresh Interval in ms", at(frame2, 5040, 360),
                              size(1695, 255), wxST_NO_AUTORESIZE, "Label4");
    Text4 = new wxTextCtrl(client, wxID_ANY, "", at(frame2, 5520, 600), size(735, 285), 0,
                           wxDefaultValidator, "Text4");
    Text2 = new wxTextCtrl(client, wxID_ANY, "", at(frame2, 120, 600), size(4575, 285), 0,
                           wxDefaultValidator, "Text2");

    Command2 = new wxButton(client, wxID_ANY, "Cancel", at(dialog, 4920, 3720), size(1695, 255), 0,
                            wxDefaultValidator, "Command2");

    // First in the group, so it is the one selected until the dialog has filled itself.
    noOption_ = new wxRadioButton(client, wxID_ANY, "", wxDefaultPosition, wxDefaultSize,
                                  wxRB_GROUP, wxDefaultValidator, "noOption");
    noOption_->Hide();
    Option1 = new wxRadioButton(client, wxID_ANY, "Allow Popups", at(dialog, 1560, 2880),
                                size(1455, 255), 0, wxDefaultValidator, "Option1");
    Option2 = new wxRadioButton(client, wxID_ANY, "Disallow Popups", at(dialog, 3600, 2880),
                                size(1695, 255), 0, wxDefaultValidator, "Option2");
    for (wxRadioButton* option : {Option1, Option2}) {
        option->SetForegroundColour(red);
        option->SetBackgroundColour(*wxWHITE);
    }

    // Three states for the stored value "2"; a click only ever ticks or clears.
    Check1 = new wxCheckBox(client, wxID_ANY, "Active", at(frame1, 120, 960), size(1095, 255),
                            wxCHK_3STATE, wxDefaultValidator, "Check1");
    Check2 = new wxCheckBox(client, wxID_ANY, "Active", at(frame2, 120, 960), size(1095, 255),
                            wxCHK_3STATE, wxDefaultValidator, "Check2");
    for (wxCheckBox* check : {Check1, Check2}) {
        check->SetFont(check->GetFont().Bold());
        check->SetForegroundColour(green);
        check->SetBackgroundColour(*wxWHITE);
    }

    lblPauseTime =
        new wxStaticText(client, wxID_ANY, "Pause while in use (seconds):", at(dialog, 240, 3270),
                         size(3255, 255), wxST_NO_AUTORESIZE, "lblPauseTime");
    txtPauseTime = new wxTextCtrl(client, wxID_ANY, "", at(dialog, 3600, 3240), size(735, 285), 0,
                                  wxDefaultValidator, "txtPauseTime");
    const char* pauseTip =
        "How long a pane is not reloaded after you type, click or scroll in it; "
        "0 turns pausing off";
    lblPauseTime->SetToolTip(pauseTip);
    txtPauseTime->SetToolTip(pauseTip);

    // GTK draws check boxes and option buttons larger than the design allowed for: they grow
    // to what they need, about their designed left edge and centre line, rather than be cut.
    for (wxWindow* control : std::initializer_list<wxWindow*>{Option1, Option2, Check1, Check2}) {
        GrowToFit(control, Grow::KeepFirst, Grow::KeepCentre);
    }

    // A label has no room to grow (the address box is beside it): its text gets smaller.
    for (wxStaticText* label : {Label1, Label2, Label3, Label4, lblPauseTime}) {
        wxFont font = label->GetFont();
        while (label->GetTextExtent(label->GetLabel()).x > label->GetSize().x &&
               font.GetFractionalPointSize() > 6) {
            font.SetFractionalPointSize(font.GetFractionalPointSize() - 0.5);
            label->SetFont(font);
        }
    }

    Command1->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Command1_Click(); });
    Command2->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Command2_Click(); });
    Command1->SetFocus();
}

RefresherSettings Form1::Settings() { return {ini_, services_.settings}; }

void Form1::Form_Activate() {
    RefresherSettings settings = Settings();
    Text1->ChangeValue(wxString::FromUTF8(settings.Address(Link::First)));
    Text3->ChangeValue(wxString::FromUTF8(settings.Interval(Link::First)));
    Check1->Set3StateValue(CheckBoxStateFromSetting(settings.Active(Link::First)));
    Text2->ChangeValue(wxString::FromUTF8(settings.Address(Link::Second)));
    Text4->ChangeValue(wxString::FromUTF8(settings.Interval(Link::Second)));
    Check2->Set3StateValue(CheckBoxStateFromSetting(settings.Active(Link::Second)));
    txtPauseTime->ChangeValue(wxString::FromUTF8(PauseTimeShown(settings.PauseTime())));
    // Any other value, a text that is no number included, leaves the options as they are.
    const std::optional<double> allow = ParseNumber(settings.Allow());
    if (allow == 1.0) {
        Option1->SetValue(true);
    } else if (allow == 0.0) {
        Option2->SetValue(true);
    }
}

bool Form1::EntriesAccepted() {
    for (const wxTextCtrl* box : {Text3, Text4}) {
        switch (CheckDialogInterval(box->GetValue().utf8_string())) {
            case IntervalVerdict::Accepted:
                continue;
            case IntervalVerdict::BelowMinimum:
                services_.messages->Show(kBelowMinimumMessage, kIntervalErrorTitle,
                                         MessageIcon::Exclamation);
                return false;
            case IntervalVerdict::AboveMaximum:
                services_.messages->Show(kAboveMaximumMessage, kIntervalErrorTitle,
                                         MessageIcon::Exclamation);
                return false;
        }
    }
    return PauseTimeAccepted(*txtPauseTime);
}

void Form1::Command1_Click() {
    if (!EntriesAccepted()) return;
    // Every value is written, each failure reported by the settings module as it happens; a
    // save that did not store everything leaves the dialog open, so what was typed is not lost
    // and the save does not pass for done.
    RefresherSettings settings = Settings();
    bool saved = settings.SetAddress(Link::First, Text1->GetValue().utf8_string());
    saved &= settings.SetInterval(Link::First, Text3->GetValue().utf8_string());
    saved &= settings.SetActive(Link::First, SettingFromCheckBox(*Check1));
    saved &= settings.SetAddress(Link::Second, Text2->GetValue().utf8_string());
    saved &= settings.SetInterval(Link::Second, Text4->GetValue().utf8_string());
    saved &= settings.SetActive(Link::Second, SettingFromCheckBox(*Check2));
    saved &= settings.SetAllow(Option1->GetValue() ? "1" : "0");
    saved &= settings.SetPauseTime(txtPauseTime->GetValue().utf8_string());
    if (saved) Close(true);
}

void Form1::Command2_Click() { Close(true); }

}  // namespace vantle
