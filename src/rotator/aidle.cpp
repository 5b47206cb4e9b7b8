#include "rotator/aidle.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/listbox.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include "platform/web_pane.h"
#include "rotator/churl.h"
#include "shell/application.h"
#include "shell/vantle_icon.h"

namespace vantle {
namespace {

constexpr const char* kSection = "AI_Links";
constexpr const char* kLinkKeys[] = {"Link1", "Link2", "Link3", "Link4", "Link5"};
const wxSize kClientSize(452, 232);
const wxPoint kClientOrigin(3, 19);
const wxPoint kTopmostPosition(100, 100);

wxColour IndicatorGrey() { return wxSystemSettings::GetColour(wxSYS_COLOUR_ACTIVEBORDER); }

// A captioned frame with a white face; its children are placed relative to it.
wxPanel* MakeFrame(wxWindow* parent, const wxString& caption, wxPoint pos, wxSize size) {
    auto* face = new wxPanel(parent, wxID_ANY, parent->FromDIP(pos), parent->FromDIP(size));
    face->SetBackgroundColour(*wxWHITE);
    new wxStaticBox(face, wxID_ANY, caption, wxPoint(0, 0), face->GetSize());
    return face;
}

}  // namespace

aidle::aidle(Application& app)
    : wxFrame(nullptr, wxID_ANY, "URL Rotator", wxDefaultPosition, wxDefaultSize,
              wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxFRAME_TOOL_WINDOW),
      Timer1(this),
      Timer2(this),
      app_(app) {
    SetName("aidle");
    SetIcons(VantleIcons());
    BuildControls();
    SetClientSize(FromDIP(kClientSize));
    // Place the client area's origin, not the frame's, at the designed screen point.
    const wxSize decoration = GetSize() - GetClientSize();
    Move(FromDIP(kClientOrigin) - wxPoint(decoration.x / 2, decoration.y - decoration.x / 2));

    Bind(wxEVT_CLOSE_WINDOW, &aidle::Form_Unload, this);
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Timer1_Timer(); }, Timer1.GetId());
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Timer2_Timer(); }, Timer2.GetId());
}

aidle::~aidle() = default;

void aidle::BuildControls() {
    auto* client = new wxPanel(this);
    auto dip = [this](int x, int y) { return FromDIP(wxPoint(x, y)); };
    auto dipSize = [this](int w, int h) { return FromDIP(wxSize(w, h)); };

    ProgressBar1 = new wxGauge(client, wxID_ANY, 10, dip(0, 0), dipSize(15, 121), wxGA_VERTICAL,
                               wxDefaultValidator, "ProgressBar1");

    wxPanel* Frame2 = MakeFrame(client, "Status and Controls", {16, 0}, {217, 121});
    Command1 = new wxButton(Frame2, wxID_ANY, "Start", dip(8, 32), dipSize(73, 49), 0,
                            wxDefaultValidator, "Command1");
    Command1->SetBackgroundColour(wxColour(0, 192, 0));
    Command2 = new wxButton(Frame2, wxID_ANY, "Sto&p", dip(136, 32), dipSize(73, 49), 0,
                            wxDefaultValidator, "Command2");
    Command2->SetBackgroundColour(wxColour(255, 0, 0));
    Command2->SetToolTip("Shortcut keys are ALt+P");
    Command2->Disable();
    Label1 = new wxStaticText(Frame2, wxID_ANY, "Not Running", dip(64, 16), dipSize(89, 17),
                              wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE, "Label1");
    Label1->SetForegroundColour(*wxRED);
    Label1->SetFont(Label1->GetFont().Bold());
    Label2 = new wxStaticText(Frame2, wxID_ANY, "", dip(8, 80), dipSize(209, 17),
                              wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE, "Label2");
    Label2->SetFont(Label2->GetFont().Bold().Italic());
    Label4 = new wxStaticText(Frame2, wxID_ANY, "Left Click", dip(8, 96), dipSize(57, 17),
                              wxBORDER_SIMPLE | wxST_NO_AUTORESIZE, "Label4");
    Label5 = new wxStaticText(Frame2, wxID_ANY, "Right Click", dip(152, 96), dipSize(57, 17),
                              wxBORDER_SIMPLE | wxST_NO_AUTORESIZE, "Label5");
    for (wxStaticText* indicator : {Label4, Label5}) {
        indicator->SetBackgroundColour(wxColour(255, 255, 192));
        indicator->SetForegroundColour(IndicatorGrey());
    }

    wxPanel* Frame1 = MakeFrame(client, "Url:s for Rotation", {240, 0}, {209, 121});
    List1 = new wxListBox(Frame1, wxID_ANY, dip(8, 16), dipSize(193, 82), 0, nullptr, wxLB_SINGLE,
                          wxDefaultValidator, "List1");
    Command4 = new wxButton(Frame1, wxID_ANY, "Configure", dip(40, 96), dipSize(121, 17), 0,
                            wxDefaultValidator, "Command4");

    WebBrowser1 = std::make_unique<WebPane>(client, dip(0, 120), dipSize(449, 105), "WebBrowser1");
    // An unattended rotation must not open windows: the pane refuses every new window.

    Command1->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Command1_Click(); });
    Command2->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Command2_Click(); });
    Command4->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Command4_Click(); });
}

void aidle::Form_Load() {
    StepCount = 0;
    ProgressBar1->SetRange(10);
    ProgressBar1->SetValue(0);

    const SettingsContext& settings = app_.services().settings;
    for (const char* key : kLinkKeys) List1->Append(wxString::FromUTF8(ReadSetting(ini_, settings, kSection, key)));
    FSenabled = ReadSetting(ini_, settings, kSection, "FSEnabled");
    MMEnabled = ReadSetting(ini_, settings, kSection, "MMEnabled");
    OTEnabled = ReadSetting(ini_, settings, kSection, "OTEnabled");

    if (OTEnabled == "1") {
        // Topmost, at the designed point, shown without taking the focus from whatever the
        // user is doing. The client area keeps its designed size.
        SetWindowStyleFlag(GetWindowStyleFlag() | wxSTAY_ON_TOP);
        Move(FromDIP(kTopmostPosition));
        ShowWithoutActivating();
    }
}

void aidle::Command1_Click() {
    SetCursor(wxCursor(wxCURSOR_WAIT));
    Command1->Disable();
    Command2->Enable();
    if (MMEnabled == "1") Timer1.Start(app_.services().timings.activity.count());
    if (FSenabled == "1") {
        Timer2.Start(app_.services().timings.rotation.count());
        WebBrowser1->Navigate(app_.services().firstPage);
    }
    List1->SetSelection(wxNOT_FOUND);
    Label1->SetLabel("Running..");
}

void aidle::Command2_Click() {
    SetCursor(wxNullCursor);
    Command1->Enable();
    Command2->Disable();
    Timer1.Stop();
    Timer2.Stop();
    Label1->SetLabel("Not Running");
    Label4->SetForegroundColour(IndicatorGrey());
    Label5->SetForegroundColour(IndicatorGrey());
    ProgressBar1->SetValue(0);
}

void aidle::Command4_Click() { app_.ShowModeless(app_.RotatorConfig()); }

void aidle::Timer2_Timer() {
    const int count = static_cast<int>(List1->GetCount());
    if (count == 0) return;
    int index = List1->GetSelection();
    if (index == count - 1) index = wxNOT_FOUND;
    List1->SetSelection(index + 1);
    WebBrowser1->Navigate(List1->GetString(index + 1).utf8_string());
}

void aidle::Timer1_Timer() {}

void aidle::Form_Unload(wxCloseEvent&) {
    // The timers end with the window, now rather than when wx deletes it.
    Timer1.Stop();
    Timer2.Stop();
    Destroy();
}

}  // namespace vantle
