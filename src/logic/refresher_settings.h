#pragma once

#include <string>

#include "settings/mod_ini.h"

namespace vantle::refresher {

enum class Link { First, Second };

// The Url Refresher's eight settings, one place for their sections and keys. Every read goes to
// the settings file again, so what the dialog saves reaches a running window at the moment the
// window next reads it; every write goes to the file at once and says whether it was stored.
// The values stay text: the window and the dialog each take them their own way.
class RefresherSettings {
  public:
    // Reads and writes go through `fields`, the accessor fields of the window that uses them.
    RefresherSettings(IniFields& fields, const SettingsContext& settings)
        : fields_(fields), settings_(settings) {}

    std::string Address(Link link) { return Read(kLinks, Key(link, "")); }
    std::string Interval(Link link) { return Read(kLinks, Key(link, "Interval")); }
    std::string Active(Link link) { return Read(kLinks, Key(link, "Active")); }
    std::string Allow() { return Read(kPopups, kAllow); }
    // Both panes' pause after a person's input in them (logic/pause_time.h).
    std::string PauseTime() { return Read(kLinks, kPauseTime); }

    bool SetAddress(Link link, const std::string& text) {
        return Write(kLinks, Key(link, ""), text);
    }
    bool SetInterval(Link link, const std::string& text) {
        return Write(kLinks, Key(link, "Interval"), text);
    }
    bool SetActive(Link link, const std::string& text) {
        return Write(kLinks, Key(link, "Active"), text);
    }
    bool SetAllow(const std::string& text) { return Write(kPopups, kAllow, text); }
    bool SetPauseTime(const std::string& text) { return Write(kLinks, kPauseTime, text); }

  private:
    static constexpr const char* kLinks = "Links";
    static constexpr const char* kPopups = "Popups";
    static constexpr const char* kAllow = "Allow";
    static constexpr const char* kPauseTime = "PauseTime";
    // "Link1Interval", "Link2Active", ...
    static std::string Key(Link link, const char* suffix) {
        return std::string(link == Link::First ? "Link1" : "Link2") + suffix;
    }
    std::string Read(const char* section, const std::string& key) {
        return ReadSetting(fields_, settings_, section, key);
    }
    bool Write(const char* section, const std::string& key, const std::string& value) {
        return WriteSetting(fields_, settings_, section, key, value);
    }

    IniFields& fields_;
    const SettingsContext& settings_;
};

}  // namespace vantle::refresher
