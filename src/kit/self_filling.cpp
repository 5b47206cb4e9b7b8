#include "kit/self_filling.h"

#include <wx/textctrl.h>

#include "kit/services.h"
#include "logic/numbers.h"
#include "logic/pause_time.h"
#include "seams/message_boxes.h"

namespace vantle {

ActivationWatch::ActivationWatch(const wxWindow& dialog, std::function<void()> fill)
    : guard_(&dialog), fill_(std::move(fill)) {
    wxEvtHandler::AddFilter(this);
}

ActivationWatch::~ActivationWatch() { wxEvtHandler::RemoveFilter(this); }

int ActivationWatch::FilterEvent(wxEvent& event) {
    if (event.GetEventType() == wxEVT_ACTIVATE &&
        static_cast<wxActivateEvent&>(event).GetActive() &&
        guard_.ShouldFill(static_cast<const wxWindow*>(event.GetEventObject()))) {
        fill_();
    }
    return Event_Skip;
}

SelfFillingDialog::SelfFillingDialog(const Services& services, const wxString& title,
                                     const wxString& name)
    : wxFrame(nullptr, wxID_ANY, title, wxDefaultPosition, wxDefaultSize,
              wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxFRAME_TOOL_WINDOW | wxFRAME_NO_TASKBAR),
      services_(services),
      activation_(*this, [this] { Form_Activate(); }) {
    SetName(name);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Destroy(); });
}

bool SelfFillingDialog::PauseTimeAccepted(const wxTextCtrl& box) const {
    if (PauseTimeFromText(box.GetValue().utf8_string())) return true;
    services_.messages->Show(kPauseTimeMessage, kPauseTimeTitle, MessageIcon::Exclamation);
    return false;
}

void SelfFillingDialog::ShownByOpener() {
    activation_.FilledByOpener();
    Form_Activate();
}

wxCheckBoxState CheckBoxStateFromSetting(const std::string& stored) {
    switch (CheckStateFromText(stored)) {
        case 1:
            return wxCHK_CHECKED;
        case 2:
            return wxCHK_UNDETERMINED;
        default:
            return wxCHK_UNCHECKED;
    }
}

std::string SettingFromCheckBox(const wxCheckBox& box) {
    switch (box.Get3StateValue()) {
        case wxCHK_CHECKED:
            return "1";
        case wxCHK_UNDETERMINED:
            return "2";
        default:
            return "0";
    }
}

}  // namespace vantle
