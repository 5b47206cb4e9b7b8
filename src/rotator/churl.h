#pragma once

#include <array>

#include "kit/self_filling.h"

class wxButton;
class wxCheckBox;
class wxStaticText;
class wxTextCtrl;

namespace vantle {

struct RotatorHost;

// Edits the Rotator's five addresses, three switches and pause time. It fills itself from the
// settings file whenever the user comes to it; Save checks the pause time, writes all nine
// values, hands the two activity switches to the Rotator window and hides the dialog. A save
// that could not be stored does neither of the last two: the dialog stays open with the user's
// edits.
class churl : public SelfFillingDialog {
  public:
    churl(const Services& services, RotatorHost& host);

    void Form_Load();
    void Form_Activate() override;
    void Command1_Click();  // Save

  private:
    wxTextCtrl* Text1 = nullptr;
    wxTextCtrl* Text2 = nullptr;
    wxTextCtrl* Text3 = nullptr;
    wxTextCtrl* Text4 = nullptr;
    wxTextCtrl* Text5 = nullptr;
    wxCheckBox* Check1 = nullptr;  // Use FakeSurfing
    wxCheckBox* Check2 = nullptr;  // Use Mouse Movement
    wxCheckBox* Check3 = nullptr;  // Always keep window On Top
    wxButton* Command1 = nullptr;
    wxStaticText* lblPauseTime = nullptr;
    wxTextCtrl* txtPauseTime = nullptr;

    void BuildControls();
    void Fill();
    std::array<wxTextCtrl*, 5> UrlBoxes() const { return {Text1, Text2, Text3, Text4, Text5}; }

    RotatorHost& host_;
};

}  // namespace vantle
