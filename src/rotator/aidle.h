#pragma once

#include <wx/frame.h>
#include <wx/timer.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "logic/activity_schedule.h"
#include "logic/pause_while_in_use.h"
#include "logic/status_text.h"
#include "settings/mod_ini.h"

class wxButton;
class wxGauge;
class wxListBox;
class wxStaticText;

namespace vantle {

class MouseInput;
enum class InputSession;
class WebPane;
struct RotatorHost;
struct Services;

// The home page of a public web search portal: the Rotator's first page at every Start, unless
// the services name another.
inline constexpr const char* kSearchPortalHome = "http://www.yahoo.com/";

// The Url Rotator: one browser pane that, once started, opens the search portal and then the
// next of five addresses every rotation interval, and a once-a-second mouse activity.
class aidle : public wxFrame {
  public:
    aidle(const Services& services, RotatorHost& host);
    ~aidle() override;

    void Form_Load();
    void Command1_Click();  // Start
    void Command2_Click();  // Stop
    void Command4_Click();  // Configure
    void Timer1_Timer();    // activity step
    void Timer2_Timer();    // rotation step

    // Topmost, the window is already in front of the others: raising it restacks it among the
    // topmost ones and leaves the focus where it is, as its showing without activation does.
    void Raise() override;

    // Real mouse input at the cursor's position, acting on whatever lies under it. Where the
    // display takes no synthetic input they do nothing.
    void LeftDown();
    void LeftClick();
    // Puts the cursor at a point of the client area given in 96-DPI pixels, each coordinate
    // rounded to the nearest whole number, halves to even.
    void MoveMouse(float x, float y);

    // The configuration dialog's save hands over the two activity switches; they count at the
    // next Start.
    void SetActivitySwitches(const std::string& fakeSurfing, const std::string& mouseMovement);

    // Whether the activity holds because a person is using the computer.
    bool ActivityPaused() const { return pause_.Paused(); }
    // What the main window's status panel tells of this window.
    status::RotatorStatus Status() const;

  private:
    // Tests drive the pane and the timers and read the step's state: one friend, not an accessor
    // each.
    friend struct TestAccess;

    // Switches, held as text. Each is on only for exactly "1".
    std::string FSenabled;
    std::string MMEnabled;
    std::string OTEnabled;

    std::int16_t StepCount = 0;
    std::int16_t TargetX = 0;
    std::int16_t TargetY = 0;
    // The activity step's numbers as text: the target it moves to (Text1, Text2) and the
    // number of the step before it (Text3).
    std::string Text1;
    std::string Text2;
    std::string Text3;

    wxGauge* ProgressBar1 = nullptr;
    wxButton* Command1 = nullptr;
    wxButton* Command2 = nullptr;
    wxStaticText* Label1 = nullptr;
    wxStaticText* Label2 = nullptr;
    wxStaticText* Label4 = nullptr;
    wxStaticText* Label5 = nullptr;
    wxListBox* List1 = nullptr;
    wxButton* Command4 = nullptr;
    std::unique_ptr<WebPane> WebBrowser1;
    wxTimer Timer1;
    wxTimer Timer2;

    // Off until Start reads the pause time: a step driven by hand never pauses.
    PauseWhileInUse pause_{std::chrono::seconds(0)};

    void BuildControls();
    void Form_Unload(wxCloseEvent& event);
    MouseInput* UsableMouse() const;
    // The mouse activity: started once the input is ready, stopped with its idle inhibit.
    void BeginActivity(MouseInput& mouse);
    void StopActivity();
    void MouseActivityEnded(InputSession why);
    bool MayStepNow();
    bool awaitingMouse_ = false;
    std::optional<ScreenExtent> ScreenInTargetUnits() const;

    const Services& services_;
    RotatorHost& host_;
    IniFields ini_;

    // When the rotation timer fires next, for Status().
    std::chrono::steady_clock::time_point rotationDue_{};
};

}  // namespace vantle
