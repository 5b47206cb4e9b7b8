#include "settings/mod_ini.h"

#include "settings/ini_text.h"
#include "settings/settings_io.h"

namespace vantle {

namespace {

void Report(const SettingsContext& settings, const char* text) {
    if (settings.messages)
        settings.messages->Show(text, modIni::kAppTitle, MessageIcon::Exclamation);
}

// The write without its report: whether the value is in the file afterwards.
bool Store(const IniFields& fields, const SettingsContext& settings) {
    if (settings.readOnly) return false;
    // Held from the read to the write, so that another process's save cannot slip in between
    // and have its change thrown away by this one.
    const settings_io::SaveLock lock(settings.file);
    if (lock.state() == settings_io::SaveLock::State::Busy) return false;
    lock.RemoveLeftovers();
    const auto file = settings_io::ReadFileBytes(settings.file);
    // Writing over a file that could not be read would throw away every other setting in it.
    if (file.state == settings_io::FileState::Unreadable) return false;
    // A read-only file refuses every write, as on Windows, even of a value it already holds.
    if (file.state == settings_io::FileState::Read && !settings_io::MayWrite(settings.file))
        return false;
    const auto content =
        ini::WriteValue(file.bytes, fields.INISection, fields.INIKey, fields.INIValue);
    if (!content) return false;
    if (file.state == settings_io::FileState::Read && *content == file.bytes) return true;
    return settings_io::ReplaceFile(settings.file, *content);
}

}  // namespace

namespace modIni {

void GetINIValue(IniFields& fields, const SettingsContext& settings) {
    // Every read goes to the file, so a value saved anywhere is what the next read sees.
    const auto file = settings_io::ReadFileBytes(settings.file);
    fields.INIValue.clear();
    if (file.state == settings_io::FileState::Unreadable) {
        Report(settings, kReadFailure);
        return;
    }
    if (file.state == settings_io::FileState::Read) {
        fields.INIValue =
            ini::ReadValue(file.bytes, fields.INISection, fields.INIKey).value_or(std::string());
    }
}

bool SetINIValue(const IniFields& fields, const SettingsContext& settings) {
    const bool stored = Store(fields, settings);
    if (!stored) Report(settings, kWriteFailure);
    return stored;
}

}  // namespace modIni

std::string ReadSetting(IniFields& fields, const SettingsContext& settings,
                        const std::string& section, const std::string& key) {
    fields.INISection = section;
    fields.INIKey = key;
    modIni::GetINIValue(fields, settings);
    return fields.INIValue;
}

bool WriteSetting(IniFields& fields, const SettingsContext& settings, const std::string& section,
                  const std::string& key, const std::string& value) {
    fields.INISection = section;
    fields.INIKey = key;
    fields.INIValue = value;
    return modIni::SetINIValue(fields, settings);
}

}  // namespace vantle
