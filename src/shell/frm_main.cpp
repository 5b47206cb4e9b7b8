#include "shell/frm_main.h"

#include <wx/datetime.h>
#include <wx/menu.h>
#include <wx/statusbr.h>

#include <algorithm>

#include "kit/twips.h"
#include "kit/vantle_icon.h"
#include "logic/status_text.h"
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
    // A wider or narrower panel may fit another wording; the fields have their new sizes once
    // the status bar has handled its own size event.
    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        if (!toolTip_.empty()) CallAfter([this] { UpdateToolStatus(); });
    });
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
    // The bar's tooltip is the tools' status, one line each, rather than the clipped text of a
    // field, which wx would show in its place.
    sbStatusBar_ = CreateStatusBar(3, wxSTB_SIZEGRIP | wxFULL_REPAINT_ON_RESIZE);
    sbStatusBar_->SetName("sbStatusBar");
    sbStatusBar_->SetStatusText(status::kNoTool, 0);
    const wxString sample = "Refresher 12 reloads, next 3 s | Rotator Link 3 of 5";
    charWidth_ =
        std::max(1, sbStatusBar_->GetTextExtent(sample).x / static_cast<int>(sample.length()) + 1);
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
    // The tools' status rides on the clock's second: no timer of its own, and nothing at all to
    // do while no tool runs.
    if (toolsRunning_) UpdateToolStatus();
    // Wake up just after the next full second rather than drifting across it.
    const int msToNextSecond = 1000 - wxDateTime::UNow().GetMillisecond();
    clock_.StartOnce(msToNextSecond + 5);
}

void frmMain::ToolStateChanged() { UpdateToolStatus(); }

void frmMain::UpdateToolStatus() {
    status::Wordings wordings;
    frmBrowser* refresher = app_.LoadedRefresher();
    if (refresher != nullptr && !refresher->IsClosing()) {
        const status::RefresherStatus now = refresher->Status();
        wordings.lines.push_back(RefresherLine(now));
        wordings.briefs.push_back(RefresherBrief(now));
        wordings.running += now.running ? 1 : 0;
    }
    if (aidle* rotator = app_.LoadedRotator()) {
        const status::RotatorStatus now = rotator->Status();
        wordings.lines.push_back(RotatorLine(now));
        wordings.briefs.push_back(RotatorBrief(now));
        wordings.running += now.running ? 1 : 0;
    }
    toolsRunning_ = wordings.running > 0;

    wxRect field;
    sbStatusBar_->GetFieldRect(0, field);
    const std::size_t fits = static_cast<std::size_t>(std::max(0, field.width) / charWidth_);
    const wxString text = wxString::FromUTF8(FitPanel(wordings, fits));
    if (sbStatusBar_->GetStatusText(0) != text) sbStatusBar_->SetStatusText(text, 0);
    const wxString tip = wxString::FromUTF8(Tooltip(wordings));
    if (tip != toolTip_) {
        toolTip_ = tip;
        sbStatusBar_->SetToolTip(tip);  // none when empty
    }
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
