#include "support/app_fixture.h"

#include <wx/menu.h>
#include <wx/toplevel.h>

#include <fstream>
#include <sstream>

namespace vantle::test {

AppTest::AppTest() {
    services.settings.file = IniPath();
    services.settings.messages = &messages;
    services.messages = &messages;
    services.programs = &programs;
    services.timings.paneFirstTick1 = 300ms;
    services.timings.paneFirstTick2 = 250ms;
    services.timings.rotation = 400ms;
    services.timings.activity = 200ms;
    services.timings.paneWait = 1000ms;
}

AppTest::~AppTest() {
    CloseAllWindows();
    app_.reset();
}

Application& AppTest::app() {
    if (!app_) app_ = std::make_unique<Application>(services);
    return *app_;
}

void AppTest::CloseAllWindows() {
    if (app_) app_->CloseAll();
    PumpUntil([] { return wxTopLevelWindows.empty(); }, 10s);
}

void AppTest::WriteIni(const std::string& content) {
    std::ofstream out(IniPath(), std::ios::binary | std::ios::trunc);
    out << content;
}

std::string AppTest::ReadIni() const { return ReadFile(IniPath()); }

std::vector<std::string> AppTest::IniLines() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadIni());
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

void SendActivation(wxWindow& window, bool active) {
    wxActivateEvent event(wxEVT_ACTIVATE, active, window.GetId());
    event.SetEventObject(&window);
    window.HandleWindowEvent(event);
}

void ChooseMenu(wxFrame& frame, const std::string& menu, const std::string& item) {
    wxMenuBar* bar = frame.GetMenuBar();
    for (std::size_t i = 0; bar != nullptr && i < bar->GetMenuCount(); ++i) {
        if (bar->GetMenuLabel(i).utf8_string() != menu) continue;
        for (wxMenuItem* entry : bar->GetMenu(i)->GetMenuItems()) {
            if (entry->GetItemLabel().utf8_string() != item) continue;
            wxCommandEvent choice(wxEVT_MENU, entry->GetId());
            frame.ProcessWindowEvent(choice);
            return;
        }
    }
    ADD_FAILURE() << "no menu item " << menu << " / " << item;
}

}  // namespace vantle::test
