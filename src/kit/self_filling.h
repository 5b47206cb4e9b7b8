#pragma once

#include <wx/checkbox.h>
#include <wx/eventfilter.h>

#include <functional>
#include <string>

#include "kit/activation_guard.h"

namespace vantle {

// What the configuration dialogs share: they fill themselves from the settings file whenever
// the user comes to them, and store check boxes as one digit.

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

// A stored state: "0" clear, "1" ticked, "2" greyed; anything else clear.
wxCheckBoxState CheckBoxStateFromSetting(const std::string& stored);
std::string SettingFromCheckBox(const wxCheckBox& box);

}  // namespace vantle
