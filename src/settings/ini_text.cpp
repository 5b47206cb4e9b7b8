#include "settings/ini_text.h"

#include <array>
#include <cstdint>

#include "base/ascii_text.h"

namespace vantle::ini {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

// Windows-1252 0x80 to 0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Length of the valid UTF-8 sequence at `at`, 0 when there is none. With `surrogates`, the
// encodings of U+D800 to U+DFFF count too: a UTF-16 file's unpaired halves travel through the
// editor that way, so that they are written back as they were.
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at, bool surrogates = false) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;  // overlong
        if (lead == 0xED && !surrogates) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
    } else {
        return 0;
    }
    if (bytes.size() - at < length) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    }
    return length;
}

char32_t DecodeUtf8(std::string_view bytes, std::size_t at, std::size_t length) {
    static constexpr unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t code = static_cast<unsigned char>(bytes[at]) & kLeadMask[length];
    for (std::size_t i = 1; i < length; ++i) {
        code = (code << 6) | (static_cast<unsigned char>(bytes[at + i]) & 0x3F);
    }
    return code;
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// A UTF-16 body as UTF-8, pairs joined and unpaired halves kept as code points of their own.
std::string Utf16ToText(std::string_view bytes, bool bigEndian) {
    const auto unit = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[2 * i]);
        const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
        return bigEndian ? (a << 8) | b : (b << 8) | a;
    };
    std::string text;
    text.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        char32_t code = unit(i);
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < units && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (unit(++i) - 0xDC00);
        }
        AppendUtf8(text, code);
    }
    return text;
}

// The inverse of Utf16ToText: every code point back into the units it came from.
std::string TextToUtf16(std::string_view text, bool bigEndian) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    const auto put = [&](char32_t unit) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    };
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, at, true);
        const char32_t code = length == 0 ? 0xFFFD : DecodeUtf8(text, at, length);
        at += length == 0 ? 1 : length;
        if (code < 0x10000) {
            put(code);
        } else {
            put(0xD800 + ((code - 0x10000) >> 10));
            put(0xDC00 + ((code - 0x10000) & 0x3FF));
        }
    }
    return bytes;
}

// Text as it is handed out: the code points of unpaired UTF-16 halves become U+FFFD.
std::string WithoutSurrogates(std::string_view text) {
    std::string clean;
    clean.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, at, true);
        if (length == 0 || (length == 3 && DecodeUtf8(text, at, 3) >= 0xD800 &&
                            DecodeUtf8(text, at, 3) < 0xE000)) {
            clean += "\xEF\xBF\xBD";
        } else {
            clean.append(text.substr(at, length));
        }
        at += length == 0 ? 1 : length;
    }
    return clean;
}

std::optional<char> EncodeCp1252(char32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == code) return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

// UTF-8 in which a byte that starts no valid sequence is a Windows-1252 character of its own.
std::string StrayBytesAsCp1252(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = Utf8SequenceLength(bytes, at);
        if (length > 0) {
            text.append(bytes.substr(at, length));
            at += length;
        } else {
            const auto byte = static_cast<unsigned char>(bytes[at++]);
            AppendUtf8(text, byte < 0xA0 ? kCp1252High[byte - 0x80] : byte);
        }
    }
    return text;
}

bool HasNonAscii(std::string_view bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    }
    return false;
}

enum class Encoding { Utf16LittleEndian, Utf16BigEndian, Utf8WithMark, Utf8, Windows1252 };

// The file's content taken apart once, by its encoding. The reader and the writer both parse its
// text and pass names, values and the edited text through it, so that a write keeps the file in
// the encoding it was read in. It refers to the content, which must outlive it.
class FileText {
  public:
    explicit FileText(std::string_view content);

    // The same file converted to UTF-8 throughout, without a mark: where a Windows-1252 file goes
    // when it cannot stay single-byte.
    FileText ConvertedToUtf8() const { return FileText(Encoding::Utf8, Cp1252ToUtf8(text())); }

    // What the lines are parsed in: UTF-8, with any unpaired UTF-16 halves (as code points of
    // their own) or stray bytes kept, or the bytes of a Windows-1252 file.
    std::string_view text() const { return decoded_ ? std::string_view(*decoded_) : body_; }

    // A name or value handed in, as it stands in the text; nothing when the file's encoding
    // cannot hold it.
    std::optional<std::string> Encode(std::string_view utf8) const {
        if (encoding_ == Encoding::Windows1252) return Utf8ToCp1252(utf8);
        return std::string(utf8);
    }

    // A value found in the text, as it is handed out.
    std::string Decode(std::string_view stored) const;

    // Whether a name found in the text is `wanted`, given as Encode gives it.
    bool SameName(std::string_view inFile, std::string_view wanted) const {
        if (strays_ && !IsValidUtf8(inFile)) {
            return EqualIgnoringCase(StrayBytesAsCp1252(inFile), wanted);
        }
        return EqualIgnoringCase(inFile, wanted);
    }

    // The file's bytes for an edited text; nothing when they would read as other text.
    std::optional<std::string> Bytes(std::string_view edited) const;

  private:
    FileText(Encoding encoding, std::string decoded)
        : encoding_(encoding), decoded_(std::move(decoded)) {}

    bool IsUtf16() const {
        return encoding_ == Encoding::Utf16LittleEndian || encoding_ == Encoding::Utf16BigEndian;
    }

    Encoding encoding_;
    std::string_view mark_;
    std::string_view body_;               // the content after the mark
    std::optional<std::string> decoded_;  // the text, where it is not the body itself
    std::string_view oddByte_;            // a UTF-16 body's odd last byte, no character
    // Marked UTF-8 holding bytes that start no UTF-8 sequence: names that hold them are compared
    // as they are read.
    bool strays_ = false;
};

FileText::FileText(std::string_view content) {
    if (content.starts_with(kUtf16LeMark)) {
        encoding_ = Encoding::Utf16LittleEndian;
        mark_ = content.substr(0, kUtf16LeMark.size());
    } else if (content.starts_with(kUtf16BeMark)) {
        encoding_ = Encoding::Utf16BigEndian;
        mark_ = content.substr(0, kUtf16BeMark.size());
    } else if (content.starts_with(kByteOrderMark)) {
        encoding_ = Encoding::Utf8WithMark;
        mark_ = content.substr(0, kByteOrderMark.size());
    } else {
        encoding_ = IsValidUtf8(content) ? Encoding::Utf8 : Encoding::Windows1252;
    }
    body_ = content.substr(mark_.size());
    if (IsUtf16()) {
        oddByte_ = body_.substr(body_.size() - body_.size() % 2);
        decoded_ = Utf16ToText(body_, encoding_ == Encoding::Utf16BigEndian);
    }
    strays_ = encoding_ == Encoding::Utf8WithMark && !IsValidUtf8(body_);
}

std::string FileText::Decode(std::string_view stored) const {
    switch (encoding_) {
        case Encoding::Utf16LittleEndian:
        case Encoding::Utf16BigEndian:
            return WithoutSurrogates(stored);
        case Encoding::Utf8WithMark:
            return StrayBytesAsCp1252(stored);
        case Encoding::Windows1252:
            return Cp1252ToUtf8(stored);
        case Encoding::Utf8:
            break;
    }
    return std::string(stored);
}

std::optional<std::string> FileText::Bytes(std::string_view edited) const {
    // The edit may have removed the only bytes that marked the file as single-byte; new bytes
    // that then happen to form valid UTF-8 would read as other characters.
    if (encoding_ == Encoding::Windows1252 && IsValidUtf8(edited) && HasNonAscii(edited)) {
        return std::nullopt;
    }
    std::string bytes(mark_);
    if (IsUtf16()) {
        bytes += TextToUtf16(edited, encoding_ == Encoding::Utf16BigEndian);
    } else {
        bytes += edited;
    }
    bytes += oddByte_;
    return bytes;
}

std::string_view Trim(std::string_view text) { return TrimmedBy(text, IsSettingsBlank); }

// One line of the file: [begin, end) is its text, [end, next) its line ending.
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
};

Line LineAt(std::string_view text, std::size_t begin) {
    Line line{begin, text.find_first_of("\r\n", begin), 0};
    if (line.end == std::string_view::npos) {
        line.end = line.next = text.size();
    } else if (text[line.end] == '\r' && line.end + 1 < text.size() && text[line.end + 1] == '\n') {
        line.next = line.end + 2;
    } else {
        line.next = line.end + 1;
    }
    return line;
}

enum class LineKind { Blank, Comment, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Blank;
    std::string_view name;   // section or key name, without surrounding blanks
    std::size_t equals = 0;  // offset of the key's "=" within the file, npos when it has none
};

ParsedLine Parse(std::string_view text, const Line& line) {
    const std::string_view whole = text.substr(line.begin, line.end - line.begin);
    const std::string_view trimmed = Trim(whole);
    if (trimmed.empty()) return {};
    if (trimmed.front() == ';') return {LineKind::Comment, {}, std::string_view::npos};
    if (trimmed.front() == '[') {
        const std::size_t close = trimmed.rfind(']');
        if (close != std::string_view::npos) {
            return {LineKind::Section, Trim(trimmed.substr(1, close - 1)), std::string_view::npos};
        }
    }
    const std::size_t equals = whole.find('=');
    if (equals == std::string_view::npos) return {LineKind::Key, trimmed, std::string_view::npos};
    return {LineKind::Key, Trim(whole.substr(0, equals)), line.begin + equals};
}

// Where a key stands, or where it would go.
struct Location {
    bool sectionFound = false;
    Line lastFilledLine;  // the section's last non-blank line, its header when it has no other
    bool keyFound = false;
    Line keyLine;
    ParsedLine key;
};

Location Locate(const FileText& file, std::string_view section, std::string_view key) {
    const std::string_view text = file.text();
    Location found;
    for (std::size_t at = 0; at < text.size();) {
        const Line line = LineAt(text, at);
        at = line.next;
        const ParsedLine parsed = Parse(text, line);
        if (parsed.kind == LineKind::Section) {
            if (found.sectionFound) break;
            if (file.SameName(parsed.name, section)) {
                found.sectionFound = true;
                found.lastFilledLine = line;
            }
            continue;
        }
        if (!found.sectionFound || parsed.kind == LineKind::Blank) continue;
        found.lastFilledLine = line;
        if (parsed.kind == LineKind::Key && file.SameName(parsed.name, key)) {
            found.keyFound = true;
            found.keyLine = line;
            found.key = parsed;
            break;
        }
    }
    return found;
}

std::string_view StoredValue(std::string_view text, const Location& location) {
    if (location.key.equals == std::string_view::npos) return {};
    std::string_view value =
        text.substr(location.key.equals + 1, location.keyLine.end - location.key.equals - 1);
    value = Trim(value.substr(0, value.find('\0')));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

std::string_view LineEndingOf(std::string_view text) {
    const std::size_t end = text.find_first_of("\r\n");
    if (end == std::string_view::npos || text[end] == '\n') return "\n";
    if (end + 1 < text.size() && text[end + 1] == '\n') return "\r\n";
    return "\r";
}

bool EndsLine(std::string_view text) {
    return text.empty() || text.back() == '\n' || text.back() == '\r';
}

// A name or value as it may go into the file: valid UTF-8 on one line.
std::string Storable(std::string_view text) {
    std::string clean = IsValidUtf8(text) ? std::string(text) : Cp1252ToUtf8(text);
    for (char& c : clean) {
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    }
    return clean;
}

std::string Edit(const FileText& file, std::string_view section, std::string_view key,
                 std::string_view value) {
    const std::string_view text = file.text();
    const Location location = Locate(file, section, key);
    std::string result;
    result.reserve(text.size() + section.size() + key.size() + value.size() + 8);
    const std::string_view eol = LineEndingOf(text);
    if (location.keyFound) {
        std::size_t valueBegin;
        if (location.key.equals == std::string_view::npos) {
            valueBegin = location.key.name.data() + location.key.name.size() - text.data();
            result.append(text.substr(0, valueBegin)).append("=");
        } else {
            // The blanks after "=" are the file's layout, unless the value brings its own.
            valueBegin = location.key.equals + 1;
            const bool ownBlanks = !value.empty() && IsSettingsBlank(value.front());
            while (!ownBlanks && valueBegin < location.keyLine.end &&
                   IsSettingsBlank(text[valueBegin])) {
                ++valueBegin;
            }
            result.append(text.substr(0, valueBegin));
        }
        result.append(value).append(text.substr(location.keyLine.end));
    } else if (location.sectionFound) {
        // Ending the new line like the one before it also keeps a lone CR from joining with an
        // LF that follows into one line ending.
        const Line& after = location.lastFilledLine;
        const bool ended = after.next > after.end;
        const std::string_view ending =
            ended ? text.substr(after.end, after.next - after.end) : eol;
        result.append(text.substr(0, after.next));
        if (!ended) result.append(ending);
        result.append(key).append("=").append(value).append(ending);
        result.append(text.substr(after.next));
    } else {
        result.append(text);
        if (!EndsLine(text)) result.append(eol);
        result.append("[").append(section).append("]").append(eol);
        result.append(key).append("=").append(value).append(eol);
    }
    return result;
}

// The file after the edit, in its own encoding; nothing when it cannot stay in it.
std::optional<std::string> Write(const FileText& file, std::string_view section,
                                 std::string_view key, std::string_view value) {
    const auto fileSection = file.Encode(section);
    const auto fileKey = file.Encode(key);
    const auto fileValue = file.Encode(value);
    if (!fileSection || !fileKey || !fileValue) return std::nullopt;
    return file.Bytes(Edit(file, *fileSection, *fileKey, *fileValue));
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = Utf8SequenceLength(bytes, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 2);
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        AppendUtf8(text, (byte >= 0x80 && byte < 0xA0) ? kCp1252High[byte - 0x80] : byte);
    }
    return text;
}

std::optional<std::string> Utf8ToCp1252(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) return std::nullopt;
        const auto encoded = EncodeCp1252(DecodeUtf8(text, at, length));
        if (!encoded) return std::nullopt;
        bytes += *encoded;
        at += length;
    }
    return bytes;
}

std::optional<std::string> ReadValue(std::string_view content, std::string_view section,
                                     std::string_view key) {
    section = Trim(section);
    key = Trim(key);
    const FileText file(content);
    // Names are compared in the file's own encoding; one it cannot hold is in no such file.
    const auto fileSection = file.Encode(section);
    const auto fileKey = file.Encode(key);
    if (!fileSection || !fileKey) return std::nullopt;
    const Location location = Locate(file, *fileSection, *fileKey);
    if (!location.keyFound) return std::nullopt;
    return file.Decode(StoredValue(file.text(), location));
}

bool IsStorableKeyName(std::string_view key) {
    const std::string_view name = Trim(key);
    return !name.empty() && name.front() != ';' && name.front() != '[' &&
           name.find('=') == std::string_view::npos;
}

std::optional<std::string> WriteValue(std::string_view content, std::string_view section,
                                      std::string_view key, std::string_view value) {
    const std::string cleanSection{Trim(Storable(section))};
    const std::string cleanKey{Trim(Storable(key))};
    if (!IsStorableKeyName(cleanKey)) return std::nullopt;
    const std::string cleanValue = Storable(value);
    const FileText file(content);
    if (auto written = Write(file, cleanSection, cleanKey, cleanValue)) return written;
    // A Windows-1252 file that cannot take the text: converted whole, so no character is lost.
    return Write(file.ConvertedToUtf8(), cleanSection, cleanKey, cleanValue);
}

}  // namespace vantle::ini
