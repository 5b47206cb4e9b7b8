#include "shell/frm_main.h"

#include <wx/datetime.h>
#include <wx/menu.h>
#include <wx/statusbr.h>

#include "kit/twips.h"
#include "kit/vantle_icon.h"
#include "refresher/form1.h"
#include "refresher/frm_browser.h"
#include "rotator/aidle.h"
#include "rotator/churl.h"
#include "shell/application.h"

namespace vantle {
namespace {

constexpr const char* kNoHelp =
    "Unable to display Help Contents. There is no Help associated with this project.";

enum MenuId {
    ID_mnuFileExit = wxID_EXIT,
    ID_mnuFileNew = wxID_HIGHEST + 1,
    ID_urls,
    ID_conf,
    ID_ghs,
    ID_mnuHelpContents,
    ID_mnuHelpAbout = wxID_ABOUT,
};

}  // namespace

frmMain::frmMain(Application& app)
    : wxFrame(nullptr, wxID_ANY, "Vantle", wxDefaultPosition, wxDefaultSize,
              wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX | wxRESIZE_BORDER),
      app_(app),
      clock_(this) {
    SetName("frmMain");
    SetIcons(VantleIcons());
    BuildMenus();
    BuildStatusBar();
    // Below the menu bar there is only the status bar: wx counts neither in the client area,
    // which is left empty.
    SetClientSize(TwipsSize(this, 3975, 240).x, 0);

    Bind(wxEVT_CLOSE_WINDOW, &frmMain::Form_Unload, this);
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent&) { UpdateClock(); }, clock_.GetId());
    UpdateClock();
}

void frmMain::BuildMenus() {
    auto* mnuFile = new wxMenu;
    mnuFile->AppendSeparator();
    mnuFile->Append(ID_mnuFileExit, "E&xit");

    auto* toolz = new wxMenu;
    toolz->Append(ID_mnuFileNew, "&Url Refresher\tCtrl+N");
    toolz->Append(ID_urls, "Url &Rotator\tCtrl+R");

    auto* opt11 = new wxMenu;
    opt11->Append(ID_conf, "Config Url Refresher");
    opt11->Append(ID_ghs, "Config Url Rotator");

    auto* mnuHelp = new wxMenu;
    mnuHelp->Append(ID_mnuHelpContents, "&Contents");
    mnuHelp->AppendSeparator();
    mnuHelp->Append(ID_mnuHelpAbout, "&About ");

    auto* bar = new wxMenuBar;
    bar->Append(mnuFile, "&File");
    bar->Append(toolz, "&Tools");
    bar->Append(opt11, "&Options");
    bar->Append(mnuHelp, "&Help");
    SetMenuBar(bar);

    auto on = [this](int id, void (frmMain::*handler)()) {
        Bind(
            wxEVT_MENU, [this, handler](wxCommandEvent&) { (this->*handler)(); }, id);
    };
    on(ID_mnuFileExit, &frmMain::mnuFileExit_Click);
    on(ID_mnuFileNew, &frmMain::mnuFileNew_Click);
    on(ID_urls, &frmMain::urls_Click);
    on(ID_conf, &frmMain::conf_Click);
    on(ID_ghs, &frmMain::ghs_Click);
    on(ID_mnuHelpContents, &frmMain::mnuHelpContents_Click);
    on(ID_mnuHelpAbout, &frmMain::mnuHelpAbout_Click);
}

void frmMain::BuildStatusBar() {
    sbStatusBar_ = CreateStatusBar(3, wxSTB_SIZEGRIP | wxSTB_SHOW_TIPS | wxFULL_REPAINT_ON_RESIZE);
    sbStatusBar_->SetName("sbStatusBar");
    sbStatusBar_->SetStatusText("Status", 0);
}

void frmMain::UpdateClock() {
    const wxDateTime now = wxDateTime::Now();
    const wxString date = now.FormatDate();  // the locale's short date
    const wxString time = now.FormatTime();  // the locale's time
    if (sbStatusBar_->GetStatusText(1) != date || sbStatusBar_->GetStatusText(2) != time) {
        // Panels 2 and 3 are as wide as their content; panel 1 takes the rest.
        const int pad = FromDIP(16);
        const int widths[] = {-1, GetTextExtent(date).x + pad, GetTextExtent(time).x + pad};
        sbStatusBar_->SetStatusWidths(3, widths);
        sbStatusBar_->SetStatusText(date, 1);
        sbStatusBar_->SetStatusText(time, 2);
    }
    // Wake up just after the next full second rather than drifting across it.
    const int msToNextSecond = 1000 - wxDateTime::UNow().GetMillisecond();
    clock_.StartOnce(msToNextSecond + 5);
}

void frmMain::mnuFileExit_Click() { Close(true); }

void frmMain::mnuFileNew_Click() { app_.ShowModeless(app_.Refresher()); }
void frmMain::urls_Click() { app_.ShowModeless(app_.Rotator()); }
void frmMain::conf_Click() { app_.ShowModeless(app_.RefresherConfig()); }
void frmMain::ghs_Click() { app_.ShowModeless(app_.RotatorConfig()); }

void frmMain::mnuHelpContents_Click() {
    app_.services().messages->Show(kNoHelp, "Vantle", MessageIcon::Information);
}

void frmMain::mnuHelpAbout_Click() { app_.ShowAbout(); }

void frmMain::Form_Unload(wxCloseEvent&) {
    // Never refused: the close box, Exit and the system all end the program here.
    clock_.Stop();
    app_.CloseAll();
}

}  // namespace vantle
