#include "shell/frm_about.h"

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/frame.h>  // wxFRAME_NO_TASKBAR
#include <wx/stattext.h>

#include <string>

#include "kit/grow_to_fit.h"
#include "kit/twips.h"
#include "logic/sys_info.h"
#include "settings/mod_ini.h"
#include "shell/application.h"
#include "version.h"

namespace vantle {
namespace {

constexpr const char* kPurpose =
    "This software can be used for monitoring a web site or refreshing any service of your "
    "choice.";
constexpr const char* kDisclaimer =
    "Warning: This program is not intended to be used for illegal activities. Everything you do "
    "with this program is on YOUR OWN RISK! Marquell cannot be held responsible for any "
    "\"damage\" caused by this program.";

// The window's background follows the colour of title-bar text on the system it was designed
// for, where that is white. GTK themes draw dark title-bar text on light headers, which would
// leave the blue and red texts nearly unreadable, so the window takes the white itself.
const wxColour kBackground(255, 255, 255);
const wxColour kNavy(0, 0, 128);
const wxColour kYellow(255, 255, 0);
const wxColour kGreen(0, 255, 0);
const wxColour kBlue(0, 0, 255);
const wxColour kRed(255, 0, 0);
const wxColour kGrey(128, 128, 128);
const wxColour kWhite(255, 255, 255);

// Which settings file is in use, below the designed window: since the file can be in one of
// several places, the user must be able to find out which. A name that is not UTF-8 shows its
// odd bytes as octal escapes rather than as nothing.
wxString SettingsText(const SettingsContext& settings) {
    static const wxMBConvUTF8 lossy(wxMBConvUTF8::MAP_INVALID_UTF8_TO_OCTAL);
    wxString text = "Settings: " + wxString(settings.file.string().c_str(), lossy);
    if (settings.readOnly) text += " (read only)";
    return text;
}

std::string VersionText() {
    return std::string("Version ") + version::kShown;
}

}  // namespace

frmAbout::frmAbout(Application& app, wxWindow* owner)
    : wxDialog(owner, wxID_ANY, "About Vantle", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxFRAME_NO_TASKBAR),
      app_(app) {
    SetName("frmAbout");
    SetBackgroundColour(kBackground);
    SetClientSize(TwipsSize(this, 5865, 2745));
    BuildControls();

    // cmdOK answers both Enter and Esc, and the close box.
    SetAffirmativeId(wxID_OK);
    SetEscapeId(wxID_OK);
    cmdOK_->SetDefault();
    cmdOK_->SetFocus();

    Bind(wxEVT_PAINT, &frmAbout::Form_Paint, this);
    cmdOK_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { cmdOK_Click(); });
    cmdSysInfo_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { cmdSysInfo_Click(); });

    Form_Load();
    CentreOnParent();
}

void frmAbout::BuildControls() {
    // Created in tab order: the buttons first, then the labels.
    cmdOK_ = new wxButton(this, wxID_OK, "OK", TwipsPoint(this, 4245, 1800),
                          TwipsSize(this, 1467, 345), 0, wxDefaultValidator, "cmdOK");
    cmdSysInfo_ = new wxButton(this, wxID_ANY, "&System Info...", TwipsPoint(this, 4260, 2280),
                               TwipsSize(this, 1452, 345), 0, wxDefaultValidator, "cmdSysInfo");

    // The designed sizes suit a smaller dialog font than GTK's. Labels on one line take the
    // width their text needs; wrapping labels keep their width and grow downwards if they must.
    auto label = [this](const char* name, const wxColour& colour, int left, int top, int width,
                        int height, long style) {
        auto* control = new wxStaticText(this, wxID_ANY, "", TwipsPoint(this, left, top),
                                         TwipsSize(this, width, height), style, name);
        control->SetForegroundColour(colour);
        return control;
    };
    auto wrapped = [](wxStaticText* control, const wxString& text) {
        control->SetLabel(text);
        control->Wrap(control->GetSize().x);
        GrowToFit(control, Grow::Not, Grow::KeepFirst);
    };
    lblTitle_ = label("lblTitle", kYellow, 2280, 120, 1215, 240, 0);
    lblVersion_ = label("lblVersion", kGreen, 2280, 360, 975, 225, 0);
    wrapped(label("Label1", kBlue, 0, 120, 2175, 975, wxST_NO_AUTORESIZE), kPurpose);
    wxStaticText* lblDisclaimer =
        label("lblDisclaimer", kRed, 135, 1800, 3990, 825, wxST_NO_AUTORESIZE);
    lblDisclaimer->SetFont(wxFontInfo(8.25).FaceName("Arial"));
    wrapped(lblDisclaimer, kDisclaimer);

    lblSettings_ = label("lblSettings", kGrey, 135, 2745, 5595, 225, wxST_NO_AUTORESIZE);
    wrapped(lblSettings_, SettingsText(app_.services().settings));
    const int margin = TwipsSize(this, 0, 120).y;
    SetClientSize(GetClientSize().x, lblSettings_->GetRect().GetBottom() + margin);
}

void frmAbout::Form_Load() {
    lblVersion_->SetLabel(VersionText());
    lblTitle_->SetLabel(modIni::kAppTitle);
}

void frmAbout::Form_Paint(wxPaintEvent&) {
    wxPaintDC dc(this);
    dc.SetPen(wxPen(kNavy));
    dc.SetBrush(wxBrush(kNavy));
    dc.DrawRectangle(wxRect(TwipsPoint(this, 2160, 0), TwipsSize(this, 3615, 1095)));

    dc.SetPen(wxPen(kGrey, FromDIP(1)));
    dc.DrawLine(TwipsPoint(this, 240, 1680), TwipsPoint(this, 5672, 1680));
    dc.SetPen(wxPen(kWhite, FromDIP(2)));
    dc.DrawLine(TwipsPoint(this, 240, 2445), TwipsPoint(this, 5657, 2445));
}

void frmAbout::cmdOK_Click() { EndDialog(wxID_OK); }

void frmAbout::cmdSysInfo_Click() {
    const Services& services = app_.services();
    StartSysInfo(services.registry, *services.programs, *services.messages);
}

}  // namespace vantle
