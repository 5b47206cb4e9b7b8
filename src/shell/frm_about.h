#pragma once

#include <wx/dialog.h>

class wxButton;
class wxPaintEvent;
class wxStaticText;

namespace vantle {

class Application;

// Names the program and its version, states its purpose and disclaimer, and starts the
// machine's system-information program. Shown modal over the main window; loaded afresh at
// each showing.
class frmAbout : public wxDialog {
  public:
    frmAbout(Application& app, wxWindow* owner);

    // Button handlers, public so tests can drive them without a mouse.
    void cmdOK_Click();
    void cmdSysInfo_Click();

  private:
    void BuildControls();
    void Form_Load();
    // The navy box behind the title and version, and the two separator lines.
    void Form_Paint(wxPaintEvent& event);

    Application& app_;
    wxStaticText* lblTitle_ = nullptr;
    wxStaticText* lblVersion_ = nullptr;
    wxStaticText* lblSettings_ = nullptr;
    wxButton* cmdOK_ = nullptr;
    wxButton* cmdSysInfo_ = nullptr;
};

}  // namespace vantle
