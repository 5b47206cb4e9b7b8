// How tests reach into the windows: controls by their object name, as the user's tools find
// them; the panes, timers and state that are not controls through the windows' one friend.
#pragma once

#include <wx/window.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/web_pane.h"
#include "refresher/frm_browser.h"
#include "rotator/aidle.h"

namespace vantle {

struct TestAccess {
    static WebPane& brwWebBrowser(frmBrowser& window) { return *window.brwWebBrowser; }
    static WebPane& brwWebBrowser2(frmBrowser& window) { return *window.brwWebBrowser2; }
    static PaneTimer& Timer1(frmBrowser& window) { return window.Timer1; }
    static PaneTimer& Timer2(frmBrowser& window) { return window.Timer2; }

    static WebPane& WebBrowser1(aidle& rotator) { return *rotator.WebBrowser1; }
    static wxTimer& Timer1(aidle& rotator) { return rotator.Timer1; }
    static wxTimer& Timer2(aidle& rotator) { return rotator.Timer2; }
    static std::int16_t StepCount(const aidle& rotator) { return rotator.StepCount; }
    static const std::string& Text3(const aidle& rotator) { return rotator.Text3; }
    // FSenabled, MMEnabled and OTEnabled, in that order, run together.
    static std::string Switches(const aidle& rotator) {
        return rotator.FSenabled + rotator.MMEnabled + rotator.OTEnabled;
    }
};

namespace test {

// The control of type T named `name` under `parent`; never null: a missing or differently typed
// control throws, which fails the test with the name in its message.
template <typename T>
T* Find(const wxWindow& parent, const char* name) {
    if (auto* found = dynamic_cast<T*>(parent.FindWindow(name))) return found;
    throw std::logic_error(std::string("no control of the asked type named ") + name + " in " +
                           parent.GetName().utf8_string());
}

template <typename T>
std::vector<T*> FindAll(const wxWindow& parent, std::initializer_list<const char*> names) {
    std::vector<T*> found;
    for (const char* name : names) found.push_back(Find<T>(parent, name));
    return found;
}

}  // namespace test
}  // namespace vantle
