#pragma once

#include <cstddef>
#include <string_view>

// Letter case and blanks by ASCII alone, whatever the user's locale: with std::tolower and
// std::isspace a name would match, or a blank count, differently from one machine to the next.
namespace vantle {

constexpr char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

constexpr bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// The blanks a number may stand between: space and tab only. A setting's value has lost the
// settings file's wider blanks (below) by the time it is read as a number.
constexpr bool IsSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

// The blanks around names and values in the settings file, as the Windows functions take them:
// besides space and tab, the other C white-space characters and the DOS end-of-file mark Ctrl-Z.
// LF is missing because it always ends a line.
constexpr bool IsSettingsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\x1A';
}

constexpr std::string_view TrimmedBy(std::string_view text, bool (*isBlank)(char)) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace vantle
