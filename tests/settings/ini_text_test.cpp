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
        {"[S]\n" + std::string(1 << 20, ';') + "\nk=" + huge, "S", "k", huge},
        // Bytes that are not UTF-8 are Windows-1252, in names too.
        {cp1252, "S\u00e9", "k", "caf\u00e9 \u20ac \u0081"},
        {cp1252, "S\u00e9", "K\u00c9Y", "x"},
        {"[S]\nk=caf\u00e9\n", "S", "k", "caf\u00e9"},
    };
    for (const auto& [content, section, key, expected] : cases)
        EXPECT_EQ(ReadValue(content, section, key).value_or("<absent>"), expected) << key;
    const std::string shapes =
        "[S]\nbare\ndq=\" q \"\nsq='s'\nmixed=\"a'\nlone=\"\nequals=a=b\nnul=a\0b\n  ;c=x\n#h=x\n"s;
    const std::pair<const char*, const char*> values[] = {
        {"bare", ""},      {"dq", " q "}, {"sq", "s"},       {"mixed", "\"a'"}, {"lone", "\""},
        {"equals", "a=b"}, {"nul", "a"},  {"c", "<absent>"}, {"#h", "x"},
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

TEST(Encoding, Utf8ValidationAndWindows1252) {
    EXPECT_TRUE(IsValidUtf8("plain\0ascii \u00e9\u20ac\U0010FFFF"s));
    for (const char* bad : {"\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                            "\xF5\x80\x80\x80", "\x80", "\xE2\x82", "\xFF"})
        EXPECT_FALSE(IsValidUtf8(bad)) << testing::PrintToString(std::string(bad));
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);  // every byte survives the round trip
    EXPECT_FALSE(Utf8ToCp1252("\u0100").has_value());
}

}  // namespace
}  // namespace vantle::ini
