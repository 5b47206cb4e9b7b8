#pragma once

#include <wx/frame.h>
#include <wx/timer.h>

class wxStatusBar;

namespace vantle {

class Application;

// The launcher: a menu that opens the tools, their dialogs and the About window, and a status
// bar with the date and time. Closing it closes every other window of the program.
class frmMain : public wxFrame {
  public:
    explicit frmMain(Application& app);

    // Menu item handlers, public so tests can drive them without a menu.
    void mnuFileExit_Click();
    void mnuFileNew_Click();
    void urls_Click();
    void conf_Click();
    void ghs_Click();
    void mnuHelpContents_Click();
    void mnuHelpAbout_Click();

  private:
    void BuildMenus();
    void BuildStatusBar();
    void UpdateClock();
    void Form_Unload(wxCloseEvent& event);

    Application& app_;
    wxStatusBar* sbStatusBar_ = nullptr;
    wxTimer clock_;
};

}  // namespace vantle
