// Reads and writes arbitrary settings files with arbitrary names and values, checking what must
// hold for every input: a written value reads back, nothing else changes its reading, lines
// other than the written one keep their bytes, and a second identical write changes nothing.

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "logic/numbers.h"
#include "settings/ini_text.h"

namespace {

using namespace vantle;

// Names the broken property in the crash report.
#define Require(condition)                                             \
    do {                                                               \
        if (!(condition)) {                                            \
            std::fprintf(stderr, "property failed: %s\n", #condition); \
            std::abort();                                              \
        }                                                              \
    } while (false)

constexpr const char* kBlanks = " \t\v\f\r\x1A";

std::string TrimBlanks(std::string text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The byte-order mark the file starts with, if any: a write must keep it.
std::string Mark(const std::string& content) {
    for (const char* mark : {"\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF"}) {
        if (content.starts_with(mark)) return mark;
    }
    return {};
}

// A UTF-16 file's code units after the mark, an odd last byte left out.
std::u16string Units(const std::string& content) {
    const bool bigEndian = content[0] == '\xFE';
    std::u16string units;
    for (std::size_t at = 2; at + 1 < content.size(); at += 2) {
        const auto a = static_cast<unsigned char>(content[at]);
        const auto b = static_cast<unsigned char>(content[at + 1]);
        units += static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    }
    return units;
}

// How a name or value ends up in the file, worked out independently of the writer.
std::string Stored(const std::string& text) {
    std::string stored = ini::IsValidUtf8(text) ? text : ini::Cp1252ToUtf8(text);
    for (char& c : stored) {
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    }
    return stored;
}

std::string ExpectedReading(const std::string& value) {
    std::string text = TrimBlanks(Stored(value));
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front()) {
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

bool SameName(const std::string& a, const std::string& b) {
    const std::string x = TrimBlanks(Stored(a)), y = TrimBlanks(Stored(b));
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(x[i]) != lower(y[i])) return false;
    }
    return true;
}

bool StoredUnchanged(const std::string& name) { return Stored(name) == name; }

std::string PickName(FuzzedDataProvider& data, bool section) {
    static const char* const kSections[] = {"Links", "AI_Links", "popups", " LINKS ", "", "S"};
    static const char* const kKeys[] = {"Link1", "link1", "Link2", "Allow", " FSEnabled", "k"};
    if (data.ConsumeBool()) return data.ConsumeRandomLengthString(12);
    return section ? kSections[data.ConsumeIntegralInRange<std::size_t>(0, 5)]
                   : kKeys[data.ConsumeIntegralInRange<std::size_t>(0, 5)];
}

void CheckNumbers(const std::string& text) {
    const auto number = ParseNumber(text);
    const int state = CheckStateFromText(text);
    Require(state >= 0 && state <= 2);
    const auto interval = IntervalFromText(text);
    Require(!interval || *interval >= 1);
    if (number) {
        const double rounded = RoundHalfEven(*number);
        Require(std::isfinite(*number) && std::floor(rounded) == rounded);
        Require(std::abs(rounded - *number) <= 0.5);
        Require(IsNumberOne(text) == (*number == 1));
    } else {
        Require(!interval && state == 0 && !IsNumberOne(text));
    }
}

bool HasNonAscii(const std::string& bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    }
    return false;
}

// Everything the writer removed must lie within one line: no line ending may go.
template <typename Text>
void CheckOnlyOneLineChanged(const Text& before, const Text& after) {
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
    }
    const Text removed = before.substr(prefix, before.size() - prefix - suffix);
    for (const auto unit : removed) Require(unit != '\r' && unit != '\n');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    const std::string section = PickName(data, true);
    const std::string key = PickName(data, false);
    const std::string otherSection = PickName(data, true);
    const std::string otherKey = PickName(data, false);
    const std::string value = data.ConsumeRandomLengthString(300);
    const std::string content = data.ConsumeRemainingBytesAsString();

    const auto read = ini::ReadValue(content, section, key);
    if (read) {
        Require(ini::IsValidUtf8(*read));
        Require(read->find('\0') == std::string::npos);
        CheckNumbers(*read);
    }
    CheckNumbers(value);

    const auto written = ini::WriteValue(content, section, key, value);
    if (!written) return 0;
    Require(ini::WriteValue(*written, section, key, value) == *written);

    if (StoredUnchanged(section) && StoredUnchanged(key)) {
        Require(ini::ReadValue(*written, section, key) == ExpectedReading(value));
    }
    if (!(SameName(section, otherSection) && SameName(key, otherKey))) {
        Require(ini::ReadValue(*written, otherSection, otherKey) ==
                ini::ReadValue(content, otherSection, otherKey));
    }

    const std::string mark = Mark(content);
    Require(Mark(*written) == mark);
    if (mark.size() == 2) {
        Require(written->size() % 2 == content.size() % 2);
        Require(content.size() % 2 == 0 || written->back() == content.back());
        CheckOnlyOneLineChanged(Units(content), Units(*written));
        return 0;
    }
    const bool convertedToUtf8 = mark.empty() && !ini::IsValidUtf8(content) &&
                                 ini::IsValidUtf8(*written) && HasNonAscii(*written);
    if (!convertedToUtf8) CheckOnlyOneLineChanged(content, *written);
    return 0;
}
