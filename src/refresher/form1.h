#pragma once

#include "kit/self_filling.h"
#include "logic/refresher_settings.h"

class wxButton;
class wxCheckBox;
class wxRadioButton;
class wxStaticBox;
class wxStaticText;
class wxTextCtrl;

namespace vantle {

// The Url Refresher's configuration dialog: the two links with their intervals and activity,
// the popup policy and the panes' pause time. It fills itself from the settings file whenever the
// user comes to it, and Save writes all eight values, changed or not, and closes, unless a value
// could not be written: then it stays open with what the user typed.
class Form1 : public SelfFillingDialog {
  public:
    explicit Form1(const Services& services);

    void Form_Load() {}
    void Form_Activate() override;
    void Command1_Click();  // Save
    void Command2_Click();  // Cancel

  private:
    wxStaticBox* Frame1 = nullptr;
    wxStaticText* Label1 = nullptr;
    wxTextCtrl* Text1 = nullptr;
    wxStaticText* Label3 = nullptr;
    wxTextCtrl* Text3 = nullptr;
    wxCheckBox* Check1 = nullptr;
    wxStaticBox* Frame2 = nullptr;
    wxStaticText* Label2 = nullptr;
    wxTextCtrl* Text2 = nullptr;
    wxStaticText* Label4 = nullptr;
    wxTextCtrl* Text4 = nullptr;
    wxCheckBox* Check2 = nullptr;
    wxRadioButton* Option1 = nullptr;
    wxRadioButton* Option2 = nullptr;
    wxButton* Command1 = nullptr;
    wxButton* Command2 = nullptr;
    wxStaticText* lblPauseTime = nullptr;
    wxTextCtrl* txtPauseTime = nullptr;

    void BuildControls();
    refresher::RefresherSettings Settings();
    // Both interval boxes, then the pause time; shows the message for the first one refused.
    bool EntriesAccepted();

    // Holds the option group's selection when neither option is selected (a GTK radio group
    // always has one); never shown.
    wxRadioButton* noOption_ = nullptr;
};

}  // namespace vantle
