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

    // A tool window has opened, started, stopped or closed: the status panel says so at once,
    // and follows the tools every second while one of them runs.
    void ToolStateChanged();

  private:
    void BuildMenus();
    void BuildStatusBar();
    void UpdateClock();
    void UpdateToolStatus();
    void Form_Unload(wxCloseEvent& event);

    Application& app_;
    wxStatusBar* sbStatusBar_ = nullptr;
    wxTimer clock_;
    bool toolsRunning_ = false;
    // A typical character's width in the status bar's font, for fitting the panel's text.
    int charWidth_ = 1;
    wxString toolTip_;
};

}  // namespace vantle
