#pragma once

#include <wx/checkbox.h>
#include <wx/eventfilter.h>
#include <wx/frame.h>

#include <functional>
#include <string>

#include "kit/activation_guard.h"
#include "settings/mod_ini.h"

class wxTextCtrl;

namespace vantle {

struct Services;

// Calls `fill` when the user comes to `dialog` from another window of the program, and never
// for the activation that the dialog's own message box, or another program, gives back.
class ActivationWatch final : public wxEventFilter {
  public:
    ActivationWatch(const wxWindow& dialog, std::function<void()> fill);
    ~ActivationWatch() override;
    ActivationWatch(const ActivationWatch&) = delete;
    ActivationWatch& operator=(const ActivationWatch&) = delete;

    // An opener's showing fills the dialog itself and counts as the activation it brings.
    void FilledByOpener() { guard_.FilledByOpener(); }

    int FilterEvent(wxEvent& event) override;

  private:
    ActivationGuard guard_;
    std::function<void()> fill_;
};

// A configuration dialog: a tool window without a task bar entry that fills itself from the
// settings file whenever the user comes to it, and is destroyed when closed.
class SelfFillingDialog : public wxFrame {
  public:
    // Fills the fields from the settings file.
    virtual void Form_Activate() = 0;

    // An opener showed the dialog, the first time or while it was already open: that counts as
    // coming to it.
    void ShownByOpener();

  protected:
    SelfFillingDialog(const Services& services, const wxString& title, const wxString& name);

    // Whether `box` holds a pause time (logic/pause_time.h); when not, the message says so.
    bool PauseTimeAccepted(const wxTextCtrl& box) const;

    const Services& services_;
    IniFields ini_;

  private:
    ActivationWatch activation_;
};

// A stored state: "0" clear, "1" ticked, "2" greyed; anything else clear.
wxCheckBoxState CheckBoxStateFromSetting(const std::string& stored);
std::string SettingFromCheckBox(const wxCheckBox& box);

}  // namespace vantle
