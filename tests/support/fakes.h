#pragma once

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "seams/message_boxes.h"
#include "seams/mouse_input.h"
#include "seams/program_start.h"
#include "seams/registry.h"

namespace vantle::test {

// Records every message instead of showing a modal box. `onShow` runs as the box would be
// shown, for tests that look at what the program does while a box is up.
class RecordingMessageBoxes final : public MessageBoxes {
  public:
    struct Message {
        std::string text, title;
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

// Machine-wide keys holding one value each (name, type, data); like the real ones, they refuse
// to open for writing. `open` holds the keys not yet closed.
struct FakeRegistry final : Registry {
    using Value = std::tuple<std::string, std::uint32_t, std::string>;
    std::map<std::string, Value> keys;
    std::map<RegKey, Value> open;

    RegStatus OpenKey(RegKey root, const std::string& subKey, std::uint32_t access,
                      RegKey& key) override {
        if (root != HKEY_LOCAL_MACHINE || !keys.count(subKey)) return ERROR_FILE_NOT_FOUND;
        if ((access & ~KEY_READ) != 0) return ERROR_ACCESS_DENIED;
        open[key = static_cast<RegKey>(open.size() + 1)] = keys[subKey];
        return ERROR_SUCCESS;
    }
    RegStatus QueryValue(RegKey key, const std::string& name, std::uint32_t& type,
                         std::uint8_t* data, std::uint32_t& size) override {
        const auto& [valueName, valueType, stored] = open.at(key);
        if (name != valueName) return ERROR_FILE_NOT_FOUND;
        const bool fits = stored.size() <= size;
        type = valueType;
        size = static_cast<std::uint32_t>(stored.size());
        if (fits) std::memcpy(data, stored.data(), size);
        return fits ? ERROR_SUCCESS : ERROR_MORE_DATA;
    }
    RegStatus CloseKey(RegKey key) override { return open.erase(key) ? 0 : ERROR_INVALID_HANDLE; }
};

// A display that takes no synthetic input; counts the calls that should not have come.
struct UnavailableMouse final : MouseInput {
    bool Available() const override { return false; }
    void Press(MouseButton) override { ++calls; }
    void Release(MouseButton) override { ++calls; }
    void MoveTo(int, int) override { ++calls; }
    int calls = 0;
};

}  // namespace vantle::test
