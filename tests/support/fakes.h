#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/message_boxes.h"
#include "platform/program_start.h"

namespace vantle::test {

// Records every message instead of showing a modal box. `onShow` runs as the box would be
// shown, for tests that look at what the program does while a box is up.
class RecordingMessageBoxes final : public MessageBoxes {
public:
    struct Message {
        std::string text;
        std::string title;
        MessageIcon icon;
    };
    void Show(const std::string& text, const std::string& title, MessageIcon icon) override {
        shown.push_back({text, title, icon});
        if (onShow) onShow(shown.back());
    }
    std::vector<Message> shown;
    std::function<void(const Message&)> onShow;
};

// Records what would have been started; `succeed` decides the outcome.
class RecordingProgramStart final : public ProgramStart {
public:
    bool Start(const std::string& path) override {
        started.push_back(path);
        return succeed;
    }
    bool OpenInBrowser(const std::string& url) override {
        opened.push_back(url);
        return succeed;
    }
    bool succeed = true;
    std::vector<std::string> started;
    std::vector<std::string> opened;
};

}  // namespace vantle::test
