#include "settings/ini_text.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace vantle::ini {
namespace {

using namespace std::string_literals;

// Files read as the Windows private-profile functions read them, so that both sides agree.
TEST(IniRead, FindsTheValueAsThePrivateProfileFunctionsDo) {
    const std::string dup = "[Links]\nLink1=first\nlink1=second\n[LINKS]\nLink2=dup\n";
    const std::string cp1252 = "[S\xE9]\nk=caf\xE9 \x80 \x81\nK\xC9Y=x\n", huge(1 << 20, 'v');
    const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
        {"  [ links ]\t\r\n \tLINK1\t =  http://a/b  \r\n", " Links", "link1\t", "http://a/b"},
        {dup, "Links", "Link1", "first"},  // the first section and key win
        {dup, "Links", "Link2", "<absent>"},
        {"Link1=loose\n[Links]\n", "Links", "Link1", "<absent>"},
        {"[S] ; see [x]\nk=1\n", "S", "k", "<absent>"},  // the last "]" closes the name
        {"[S] ; note\n[T\nk=1\n", "S", "k", "1"},
        {"[A]\ny=2\rz=3\r\n\n\r[B]\rw=4", "A", "z", "3"},
        {"\xEF\xBB\xBF[Links]\nLink1=a\n", "Links", "Link1", "a"},
        // The blanks of the Windows functions, in the file and in the names asked for.
        {"\v[S]\f\n\fk \x1A=\t\v v \x1A\f\r\n", "\x1AS\v", "k\r", "v"},
        {"[S]\n" + std::string(1 << 20, ';') + "\nk=" + huge, "S", "k", huge},
        // Bytes that are not UTF-8 are Windows-1252, in names too.
        {cp1252, "S\u00e9", "k", "caf\u00e9 \u20ac \u0081"},
        {cp1252, "S\u00e9", "K\u00c9Y", "x"},
        {"[S]\nk=caf\u00e9\n", "S", "k", "caf\u00e9"},
        {"[ZONE]\nKEYZ=z\n", "zone", "keyz", "z"},  // A to Z, both ends
    };
    for (const auto& [content, section, key, expected] : cases)
        EXPECT_EQ(ReadValue(content, section, key).value_or("<absent>"), expected) << key;
    const std::string shapes =
        "[S]\nbare\ndq=\" q \"\nsq='s'\nmixed=\"a'\nlone=\"\nequals=a=b\nnul=a\0b\n  ;c=x\n#h=x\n"s;
    const std::pair<const char*, const char*> values[] = {
        {"bare", ""},      {"dq", " q "}, {"sq", "s"},       {"mixed", "\"a'"},  {"lone", "\""},
        {"equals", "a=b"}, {"nul", "a"},  {"c", "<absent>"}, {";c", "<absent>"}, {"#h", "x"},
    };
    for (const auto& [key, expected] : values)
        EXPECT_EQ(ReadValue(shapes, "S", key).value_or("<absent>"), expected) << key;
}

// Only the key's own line may change, and no value may end it or start a line of its own.
TEST(IniWrite, ChangesOnlyItsOwnLine) {
    const std::string hand = "; V\r\n\r\n[Links]\r\n  link1 =\t old\t\r\nOther=1\n\r\n[P]\rAllow=0";
    const std::tuple<std::string, std::string, std::string, std::string, std::string> cases[] = {
        {hand, "Links", "Link1", "new",
         "; V\r\n\r\n[Links]\r\n  link1 =\t new\r\nOther=1\n\r\n[P]\rAllow=0"},
        {hand, "p", "ALLOW", "1", hand.substr(0, hand.size() - 1) + "1"},
        {"[S]\n  bare  \nk=1\n", "S", "BARE", "v", "[S]\n  bare=v\nk=1\n"},
        // A new key follows its section's last non-blank line and ends like it.
        {"[A]\r\nx=1\r\n; c\r\n\r\n[B]\r\n", "a", "k", "v",
         "[A]\r\nx=1\r\n; c\r\nk=v\r\n\r\n[B]\r\n"},
        {"[A]\rx=1\n\n[B]\r", "A", "k", "v", "[A]\rx=1\nk=v\n\n[B]\r"},
        {"[A]\nx=1", "A", "k", "v", "[A]\nx=1\nk=v\n"},
        {"[A]\nx=1\n\x1A", "\fA", "k\x1A", "v", "[A]\nx=1\nk=v\n\x1A"},  // Ctrl-Z is blank
        // A new section goes at the end, ending like the file's first line.
        {"", "Links", "Link1", "a", "[Links]\nLink1=a\n"},
        {"\xEF\xBB\xBF[A]\r\nx=1", "B", "k", "v", "\xEF\xBB\xBF[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        {"[S]\nk = 1\n", "S", "k", "  spaced ", "[S]\nk =  spaced \n"},  // its own blanks
        {"[S]\nk=1\n", "S", "k", "a\r\n[Evil]\nx=1\0b"s, "[S]\nk=a  [Evil] x=1 b\n"},
        {"", "S\nT", "k\r", "v", "[S T]\nk=v\n"},
        // A Windows-1252 file stays single-byte unless the value needs UTF-8.
        {"; \xE9\r\n[S]\r\nk=old\r\n", "S", "k", "\u00ef \u20ac",
         "; \xE9\r\n[S]\r\nk=\xEF \x80\r\n"},
        {"; \xE9\n[S]\nk=old\no=\xE0\n", "S", "k", "\u65e5", "; \u00e9\n[S]\nk=\u65e5\no=\u00e0\n"},
        {"[S]\nk=\u00e9\n", "S", "k", "caf\xE9", "[S]\nk=caf\u00e9\n"},
        // C3 A9 is UTF-8 for "\u00e9": once the file's only other high byte is gone it would
        // read as that, so the file turns UTF-8.
        {"[S]\nk=\xE9\n", "S", "k", "\u00c3\u00a9", "[S]\nk=\u00c3\u00a9\n"},
    };
    for (const auto& [content, section, key, value, expected] : cases)
        EXPECT_EQ(WriteValue(content, section, key, value).value_or("<refused>"), expected);
    for (const char* key : {"", "  ", ";k", "[k]", "a=b"})  // would read back as something else
        EXPECT_FALSE(WriteValue("[S]\n", "S", key, "v").has_value()) << key;
}

// UTF-16 in the byte order given, with its mark.
std::string Utf16(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

// Windows writes "Unicode" profile files in UTF-16; a write must keep them so, byte for byte
// outside the changed line, unpaired surrogates and an odd last byte included.
TEST(IniEncodings, Utf16FilesAreReadAndStayUtf16) {
    const std::u16string before =
        u"; \xD800\r\n[S\u00e9]\r\nk=old\r\nj=\u65e5\U0001F600\r\n\r\n[T]\r\nx=a\xDC00";
    const std::u16string changed =
        u"; \xD800\r\n[S\u00e9]\r\nk=n\u00fc\r\nj=\u65e5\U0001F600\r\n\r\n[T]\r\nx=a\xDC00";
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        const std::string file = Utf16(before, bigEndian);
        EXPECT_EQ(ReadValue(file, "s\u00e9", "J"), "\u65e5\U0001F600");
        EXPECT_EQ(ReadValue(file, "T", "x"), "a\uFFFD");
        EXPECT_EQ(WriteValue(file, "S\u00e9", "k", "n\u00fc"), Utf16(changed, bigEndian));
        EXPECT_EQ(WriteValue(file + "\x01", "S\u00e9", "k", "n\u00fc"),
                  Utf16(changed, bigEndian) + "\x01");
        EXPECT_EQ(WriteValue(file, "U", "k", "v"),
                  Utf16(before + u"\r\n[U]\r\nk=v\r\n", bigEndian));
    }
}

// A file with the UTF-8 mark is UTF-8: a stray byte is one Windows-1252 character and leaves the
// rest alone. Without the mark nothing says so, and the file is Windows-1252 throughout.
TEST(IniEncodings, AStrayByteInAUtf8FileIsOneWindows1252Character) {
    const std::string marked = "\xEF\xBB\xBF[S\xE9]\nk=caf\xC3\xA9 \x80\nj=\xE6\x97\xA5\n";
    EXPECT_EQ(ReadValue(marked, "S\u00e9", "k"), "caf\u00e9 \u20ac");
    EXPECT_EQ(ReadValue(marked, "S\u00e9", "j"), "\u65e5");
    EXPECT_EQ(WriteValue(marked, "S\u00e9", "j", "\u00fc"),
              "\xEF\xBB\xBF[S\xE9]\nk=caf\xC3\xA9 \x80\nj=\xC3\xBC\n");
    EXPECT_EQ(ReadValue(marked.substr(3), "S\u00e9", "k"), "caf\u00c3\u00a9 \u20ac");
}

TEST(Encoding, Utf8ValidationAndWindows1252) {
    EXPECT_TRUE(IsValidUtf8("plain\0ascii \u00e9\u20ac\U0010FFFF"s));
    for (const char* bad : {"\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                            "\xF5\x80\x80\x80", "\x80", "\xE2\x82", "\xFF", "\xF0\x8F\xBF\xBF",
                            "\xE2\x82\x41", "\xF0\x9F\x98\x41"})
        EXPECT_FALSE(IsValidUtf8(bad)) << testing::PrintToString(std::string(bad));
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);  // every byte survives the round trip
    EXPECT_EQ(Cp1252ToUtf8("\x80\x82\x9F"), "\u20ac\u201a\u0178");
    EXPECT_FALSE(Utf8ToCp1252("\u0100").has_value());
}

}  // namespace
}  // namespace vantle::ini
