// The Rotator's activity through the remote-desktop portal, against a fake portal on a private
// session bus (tests/support/fake_portal.py), which records every call and moves a pointer that
// the screen's edges stop.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <wx/utils.h>

#include <sstream>

#include "logic/restore_token.h"
#include "platform/desktop_portal.h"
#include "rotator/aidle.h"
#include "support/app_fixture.h"
#include "support/processes.h"
#include "support/window_access.h"

namespace vantle::test {
namespace {

// A field of a recorded call, a line "Method key=value ... ".
std::string Field(const std::string& call, const std::string& key) {
    const std::size_t at = call.find(" " + key + "=");
    if (at == std::string::npos) return "(none)";
    const std::size_t from = at + key.size() + 2;
    return call.substr(from, call.find(' ', from) - from);
}

class PortalTest : public AppTest {
  protected:
    void SetUp() override {
        bus_ = std::make_unique<ProcessGroup>(
            "setsid dbus-daemon --session --nofork --print-address 2>/dev/null");
        const std::string address = bus_->ReadLine();
        if (address.empty()) GTEST_SKIP() << "no private session bus: dbus-daemon did not start";
        const wxSize screen = wxGetDisplaySize();
        portal_ = std::make_unique<ProcessGroup>(
            "setsid env DBUS_SESSION_BUS_ADDRESS='" + address + "' /usr/bin/python3 " +
            VANTLE_TEST_SUPPORT_DIR "/fake_portal.py '" + (portalFolder_ / "calls").string() +
            "' " + std::to_string(version_) + " " + std::to_string(screen.x) + "x" +
            std::to_string(screen.y) + " >'" + (portalFolder_ / "log").string() + "' 2>&1");
        ASSERT_TRUE(PumpUntil([&] { return !Calls("ready").empty(); }))
            << ReadFile(portalFolder_ / "log");
        desktop_ = std::make_unique<DesktopBus>(address);
        mouse_ = MakePortalMouseInput(*desktop_, tokenFile_);
        inhibit_ = MakeDesktopIdleInhibit(*desktop_);
        ASSERT_TRUE(mouse_) << "the fake portal was not taken for one";
        services.mouse = mouse_.get();
        services.inhibit = inhibit_.get();
        // Steps are run by hand; the timer only shows whether the activity runs.
        services.timings.activity = std::chrono::hours(1);
    }
    ~PortalTest() override { CloseAllWindows(); }

    std::vector<std::string> Calls(const std::string& prefix = "") const {
        std::vector<std::string> calls;
        std::istringstream in(ReadFile(portalFolder_ / "calls"));
        for (std::string line; std::getline(in, line);)
            if (line.rfind(prefix, 0) == 0) calls.push_back(line);
        return calls;
    }
    // The fake's control interface: how the next Start is answered, answering a held one,
    // closing the sessions.
    void Control(const char* method, GVariant* parameters = nullptr) {
        GVariant* reply = g_dbus_connection_call_sync(
            desktop_->Connection(), "org.freedesktop.portal.Desktop",
            "/org/freedesktop/portal/desktop", "org.vantle.test.FakePortal", method, parameters,
            nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
        ASSERT_NE(reply, nullptr) << method;
        g_variant_unref(reply);
    }
    aidle& StartRotator(const std::string& ini) {
        WriteIni("[AI_Links]\n" + ini);
        aidle& rotator = app().Rotator();
        app().ShowModeless(rotator);
        rotator.Command1_Click();
        return rotator;
    }
    bool Inhibited() const { return Calls("Inhibit ").size() > Calls("InhibitReleased").size(); }

    int version_ = 2;
    TempFolder portalFolder_{"vantle-portal"};
    std::filesystem::path tokenFile_ = RestoreTokenFile(portalFolder_.path());
    std::unique_ptr<ProcessGroup> bus_, portal_;
    std::unique_ptr<DesktopBus> desktop_;
    std::unique_ptr<MouseInput> mouse_;
    std::unique_ptr<IdleInhibit> inhibit_;
};

// Version 2: the stored token goes with the request and the new one replaces it; the activity
// waits for the approval; one session serves every Start; and each of the 125 steps leaves the
// pointer at its target, pressing the buttons where the step before left it.
TEST_F(PortalTest, ApprovedOnceThenEveryStepLandsOnItsTargetAndClicksThere) {
    ASSERT_TRUE(WriteRestoreToken(tokenFile_, "old-token"));
    Control("SetStartAnswer", g_variant_new("(i)", -1));
    aidle& rotator = StartRotator("MMEnabled=1\nFSEnabled=0\n");
    ASSERT_TRUE(PumpUntil([&] { return !Calls("Start").empty(); }));
    ASSERT_EQ(Calls("CreateSession").size(), 1u);
    const std::string session = Field(Calls("CreateSession")[0], "session");
    ASSERT_EQ(Calls("SelectDevices").size(), 1u);
    const std::string select = Calls("SelectDevices")[0];
    EXPECT_EQ(Field(select, "session") + Field(select, "types") + Field(select, "persist_mode") +
                  Field(select, "restore_token"),
              session + "22old-token");
    EXPECT_EQ(Field(Calls("Start")[0], "session"), session);
    EXPECT_FALSE(TestAccess::Timer1(rotator).IsRunning()) << "ran before the approval";
    EXPECT_FALSE(Inhibited());

    Control("Answer", g_variant_new("(u)", 0));
    ASSERT_TRUE(PumpUntil([&] { return TestAccess::Timer1(rotator).IsRunning() && Inhibited(); }));
    EXPECT_EQ(ReadRestoreToken(tokenFile_), "token-1");
    EXPECT_EQ(Field(Calls("Inhibit ")[0], "flags"), "8");
    rotator.Command2_Click();
    EXPECT_TRUE(PumpUntil([&] { return !Inhibited(); }));
    rotator.Command1_Click();
    EXPECT_TRUE(TestAccess::Timer1(rotator).IsRunning()) << "the open session was not reused";
    EXPECT_EQ(Calls("CreateSession").size(), 1u);
    EXPECT_TRUE(messages.shown.empty());

    // What the fake must see: per step a click at the pointer's place, then a move to the
    // target; the first move after the pin, and again after the place was forgotten.
    std::vector<std::string> expected, seen;
    std::string at = "0,0";
    auto step = [&] {
        rotator.Timer1_Timer();
        const ActivityTarget& target = TargetForStep(TestAccess::StepCount(rotator));
        const char* button = target.kind == StepKind::LeftClick    ? "button 272"
                             : target.kind == StepKind::RightClick ? "button 273"
                                                                   : nullptr;
        for (const char* state : {" 1 at ", " 0 at "})
            if (button != nullptr) expected.push_back(button + std::string(state) + at);
        const wxPoint to = rotator.ClientToScreen(rotator.FromDIP(wxPoint(target.x, target.y)));
        expected.push_back("move to " + (at = std::to_string(to.x) + "," + std::to_string(to.y)));
    };
    expected.push_back("move to 0,0");
    for (int i = 0; i < kActivitySteps; ++i) step();
    mouse_->ForgetPointerPosition();
    expected.push_back("move to 0,0");
    step();
    const std::size_t events = expected.size();
    ASSERT_TRUE(PumpUntil([&] { return Calls("NotifyPointer").size() >= events; }));
    for (const std::string& call : Calls("NotifyPointer")) {
        EXPECT_EQ(Field(call, "session") + Field(call, "overlap"), session + "False")
            << "sent unanswered";
        seen.push_back(call.rfind("NotifyPointerMotion", 0) == 0
                           ? "move to " + Field(call, "at")
                           : "button " + Field(call, "button") + " " + Field(call, "state") +
                                 " at " + Field(call, "at"));
    }
    EXPECT_EQ(seen, expected);
    rotator.Close(true);
    EXPECT_TRUE(PumpUntil([&] { return !Inhibited(); }));
}

class PortalVersion1Test : public PortalTest {
  protected:
    PortalVersion1Test() { version_ = 1; }
};

// Refused (or granted without the pointer), cancelled, or closed later by the desktop: the activity
// stops with one message each and its inhibit goes, the rotation runs on, and the next Start asks
// afresh. Version 1 keeps no approval, so it is asked without persistence and no token is stored.
TEST_F(PortalVersion1Test, RefusedCancelledOrClosedStopsTheActivityAloneWithOneMessage) {
    const std::pair<int, const char*> answers[] = {{1, "Mouse movement was refused"},
                                                   {3, "Mouse movement was refused"},
                                                   {2, "Mouse movement did not start"},
                                                   {0, "Mouse movement stopped"}};
    aidle* rotator = nullptr;
    for (const auto& [answer, message] : answers) {
        SCOPED_TRACE(message);
        Control("SetStartAnswer", g_variant_new("(i)", answer));
        if (rotator != nullptr) rotator->Command2_Click();
        const std::size_t shown = messages.shown.size();
        rotator = &StartRotator("MMEnabled=1\nFSEnabled=1\n");
        if (answer == 0) {
            ASSERT_TRUE(PumpUntil([&] { return Inhibited(); }));
            EXPECT_TRUE(TestAccess::Timer1(*rotator).IsRunning());
            Control("CloseSessions");
        }
        ASSERT_TRUE(PumpUntil([&] { return messages.shown.size() > shown; }));
        EXPECT_EQ(messages.shown.size(), shown + 1);
        EXPECT_EQ(messages.shown.back().text.rfind(message, 0), 0u) << messages.shown.back().text;
        EXPECT_EQ(messages.shown.back().icon, MessageIcon::Exclamation);
        EXPECT_FALSE(TestAccess::Timer1(*rotator).IsRunning());
        EXPECT_TRUE(TestAccess::Timer2(*rotator).IsRunning());
        EXPECT_TRUE(PumpUntil([&] { return !Inhibited(); }));
    }
    EXPECT_EQ(Calls("CreateSession").size(), 4u);
    for (const std::string& select : Calls("SelectDevices"))
        EXPECT_EQ(Field(select, "persist_mode") + Field(select, "restore_token"), "(none)(none)");
    EXPECT_FALSE(std::filesystem::exists(tokenFile_));
    rotator->Command2_Click();
}

}  // namespace
}  // namespace vantle::test
