#include "settings/ini_text.h"

#include <gtest/gtest.h>

#include <string>

namespace vantle::ini {
namespace {

using namespace std::string_literals;

std::string Read(std::string_view content, std::string_view section, std::string_view key) {
    return ReadValue(content, section, key).value_or("<absent>");
}

std::string Write(std::string_view content, std::string_view section, std::string_view key,
                  std::string_view value) {
    return WriteValue(content, section, key, value).value_or("<refused>");
}

TEST(IniRead, NamesMatchWithoutCaseAndSurroundingBlanks) {
    const std::string content = "  [ links ]\t\r\n \tLINK1\t =  http://a/b?c=d  \r\n";
    EXPECT_EQ(Read(content, "Links", "Link1"), "http://a/b?c=d");
    EXPECT_EQ(Read(content, " LINKS ", "\tlink1"), "http://a/b?c=d");
    EXPECT_EQ(Read(content, "Link", "Link1"), "<absent>");
    EXPECT_EQ(Read(content, "Links", "Link"), "<absent>");
}

TEST(IniRead, FirstSectionAndFirstKeyWin) {
    const std::string content =
        "[Links]\nLink1=first\nlink1=second\n[AI_Links]\nLink1=rotator\n[LINKS]\nLink1=third\n"
        "Link2=only in the duplicate\n";
    EXPECT_EQ(Read(content, "Links", "Link1"), "first");
    EXPECT_EQ(Read(content, "AI_Links", "Link1"), "rotator");
    // A duplicate section is never reached, as with the private-profile functions.
    EXPECT_EQ(Read(content, "Links", "Link2"), "<absent>");
}

TEST(IniRead, KeysBeforeAnySectionBelongToNone) {
    const std::string content = "Link1=loose\n[Links]\nLink2=x\n";
    EXPECT_EQ(Read(content, "Links", "Link1"), "<absent>");
    EXPECT_EQ(Read(content, "", "Link1"), "<absent>");
    EXPECT_EQ(Read("[]\nk=v\n", "", "k"), "v");
}

TEST(IniRead, ValueShapes) {
    const std::string content =
        "[S]\n"
        "empty=\n"
        "blank=   \t\n"
        "bare\n"
        "dq=\"  quoted  \"\n"
        "sq='single'\n"
        "mixed=\"a'\n"
        "lone=\"\n"
        "twoquotes=\"\"\n"
        "inner=a \"b\" c\n"
        "equals=a=b==c\n"
        "nul=ab\0cd\n"
        "; Link1=comment\n"
        "  ;Link2=comment too\n"
        "#hash=kept as a key\n"s;
    EXPECT_EQ(Read(content, "S", "empty"), "");
    EXPECT_EQ(Read(content, "S", "blank"), "");
    EXPECT_EQ(Read(content, "S", "bare"), "");
    EXPECT_EQ(Read(content, "S", "dq"), "  quoted  ");
    EXPECT_EQ(Read(content, "S", "sq"), "single");
    EXPECT_EQ(Read(content, "S", "mixed"), "\"a'");
    EXPECT_EQ(Read(content, "S", "lone"), "\"");
    EXPECT_EQ(Read(content, "S", "twoquotes"), "");
    EXPECT_EQ(Read(content, "S", "inner"), "a \"b\" c");
    EXPECT_EQ(Read(content, "S", "equals"), "a=b==c");
    EXPECT_EQ(Read(content, "S", "nul"), "ab");
    EXPECT_EQ(Read(content, "S", "Link1"), "<absent>");
    EXPECT_EQ(Read(content, "S", "Link2"), "<absent>");
    EXPECT_EQ(Read(content, "S", "#hash"), "kept as a key");
}

TEST(IniRead, SectionLines) {
    EXPECT_EQ(Read("[a]b]\nk=1\n", "a]b", "k"), "1");
    EXPECT_EQ(Read("[S] ; note\nk=1\n", "S", "k"), "1");
    EXPECT_EQ(Read("[S] ; see [x]\nk=1\n", "S", "k"), "<absent>");
    EXPECT_EQ(Read("[S]   \nk=1\n", "S", "k"), "1");
    // Without its "]" a line is a key, so it does not end the section before it.
    EXPECT_EQ(Read("[S]\n[T\nk=1\n", "S", "k"), "1");
    EXPECT_EQ(Read("[S]\n[T]\nk=1\n", "S", "k"), "<absent>");
}

TEST(IniRead, ValuesAreReadWhole) {
    const std::string url = "http://example.com/" + std::string(41, 'x');
    ASSERT_EQ(url.size(), 60u);
    EXPECT_EQ(Read("[Links]\nLink1=" + url + "\n", "Links", "Link1"), url);
    const std::string huge(1 << 20, 'v');
    EXPECT_EQ(Read("[S]\n" + std::string(1 << 20, ';') + "\nk=" + huge, "S", "k"), huge);
}

TEST(IniRead, EveryLineEndingStyle) {
    for (const char* eol : {"\n", "\r\n", "\r"}) {
        const std::string e = eol;
        const std::string content = "[A]" + e + "x=1" + e + "[B]" + e + "y=2" + e + "z=3";
        EXPECT_EQ(Read(content, "A", "x"), "1") << "ending " << testing::PrintToString(e);
        EXPECT_EQ(Read(content, "B", "y"), "2");
        EXPECT_EQ(Read(content, "B", "z"), "3");
        EXPECT_EQ(Read(content, "A", "y"), "<absent>");
    }
    const std::string mixed = "[A]\r\nx=1\ny=2\rz=3\r\n\n\r[B]\rw=4";
    EXPECT_EQ(Read(mixed, "A", "x"), "1");
    EXPECT_EQ(Read(mixed, "A", "y"), "2");
    EXPECT_EQ(Read(mixed, "A", "z"), "3");
    EXPECT_EQ(Read(mixed, "B", "w"), "4");
}

TEST(IniRead, ByteOrderMarkIsSkipped) {
    EXPECT_EQ(Read("\xEF\xBB\xBF[Links]\nLink1=a\n", "Links", "Link1"), "a");
    EXPECT_EQ(Read("\xEF\xBB\xBF", "Links", "Link1"), "<absent>");
}

TEST(IniRead, SingleByteFilesReadAsWindows1252) {
    const std::string content = "[S\xE9]\nk=caf\xE9 \x80 \x81\nK\xC9Y=x\n";
    EXPECT_EQ(Read(content, "S\u00e9", "k"), "caf\u00e9 \u20ac \u0081");
    // Only ASCII letters compare without case, as in the original functions.
    EXPECT_EQ(Read(content, "S\u00e9", "K\u00c9Y"), "x");
    EXPECT_EQ(Read(content, "S\u00e9", "k\u00e9y"), "<absent>");
    EXPECT_EQ(Read(content, "S\u3042", "k"), "<absent>");
    // Valid UTF-8 is not mistaken for two Windows-1252 characters.
    EXPECT_EQ(Read("[S]\nk=caf\u00e9\n", "S", "k"), "caf\u00e9");
}

TEST(IniRead, GarbageNeverMatchesByAccident) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 131 + 7) % 256);
    EXPECT_EQ(Read(garbage, "Links", "Link1"), "<absent>");
    EXPECT_EQ(Read(garbage + "\n[Links]\nLink1=after\n", "Links", "Link1"), "after");
}

TEST(IniWrite, ReplacingChangesOnlyTheValue) {
    const std::string before =
        "; Vantle settings\r\n"
        "\r\n"
        "[Links]\r\n"
        "  link1 =\t http://old\t\r\n"
        "Unknown=kept\n"
        "\r\n"
        "[Popups]\r\n"
        "Allow=0";
    EXPECT_EQ(Write(before, "Links", "Link1", "http://new"),
              "; Vantle settings\r\n"
              "\r\n"
              "[Links]\r\n"
              "  link1 =\t http://new\r\n"
              "Unknown=kept\n"
              "\r\n"
              "[Popups]\r\n"
              "Allow=0");
    EXPECT_EQ(Write(before, "popups", "ALLOW", "1"), before.substr(0, before.size() - 1) + "1");
    EXPECT_EQ(Write("[S]\n  bare  \nk=1\n", "S", "BARE", "v"), "[S]\n  bare=v\nk=1\n");
}

TEST(IniWrite, MissingKeyGoesAfterTheSectionsLastNonBlankLine) {
    EXPECT_EQ(Write("[A]\r\nx=1\r\n; note\r\n\r\n\r\n[B]\r\ny=2\r\n", "a", "Link1", "v"),
              "[A]\r\nx=1\r\n; note\r\nLink1=v\r\n\r\n\r\n[B]\r\ny=2\r\n");
    EXPECT_EQ(Write("[A]\n\n[B]\n", "A", "k", "v"), "[A]\nk=v\n\n[B]\n");
    EXPECT_EQ(Write("[A]\nx=1", "A", "k", "v"), "[A]\nx=1\nk=v\n");
    EXPECT_EQ(Write("[A]\rx=1\r\n", "A", "k", "v"), "[A]\rx=1\r\nk=v\r\n");
    EXPECT_EQ(Write("[A]\rx=1\n\n[B]\r", "A", "k", "v"), "[A]\rx=1\nk=v\n\n[B]\r");
    EXPECT_EQ(Write("k=loose\n[A]\n", "A", "k", "v"), "k=loose\n[A]\nk=v\n");
    // Only the first of duplicate sections is written, as it is the only one read.
    EXPECT_EQ(Write("[A]\nx=1\n[A]\nk=old\n", "A", "k", "v"), "[A]\nx=1\nk=v\n[A]\nk=old\n");
}

TEST(IniWrite, MissingSectionGoesAtTheEndOfTheFile) {
    EXPECT_EQ(Write("", "Links", "Link1", "a"), "[Links]\nLink1=a\n");
    EXPECT_EQ(Write("[A]\r\nx=1\r\n", "B", "k", "v"), "[A]\r\nx=1\r\n[B]\r\nk=v\r\n");
    EXPECT_EQ(Write("[A]\r\nx=1", "B", "k", "v"), "[A]\r\nx=1\r\n[B]\r\nk=v\r\n");
    EXPECT_EQ(Write("x=1", "B", "k", "v"), "x=1\n[B]\nk=v\n");
    EXPECT_EQ(Write("\xEF\xBB\xBF", "B", "k", "v"), "\xEF\xBB\xBF[B]\nk=v\n");
    EXPECT_EQ(Write(" [ B ] \n", "b", " k ", "v"), " [ B ] \nk=v\n");
}

TEST(IniWrite, ValueIsStoredAsGivenButNeverOnTwoLines) {
    EXPECT_EQ(Write("[S]\nk=1\n", "S", "k", "  spaced  "), "[S]\nk=  spaced  \n");
    EXPECT_EQ(Write("[S]\nk = 1\n", "S", "k", "  spaced"), "[S]\nk =  spaced\n");
    EXPECT_EQ(Write("[S]\nk = 1\n", "S", "k", ""), "[S]\nk = \n");
    EXPECT_EQ(Write("[S]\nk=1\n", "S", "k", ""), "[S]\nk=\n");
    EXPECT_EQ(Write("[S]\nk=1\n", "S", "k", "a\r\n[Evil]\nx=1\0b"s), "[S]\nk=a  [Evil] x=1 b\n");
    EXPECT_EQ(Write("", "S\nT", "k\r", "v"), "[S T]\nk=v\n");
}

TEST(IniWrite, RefusesKeyNamesThatWouldReadBackAsSomethingElse) {
    for (const char* key : {"", "  ", ";k", "[k]", "a=b"}) {
        EXPECT_FALSE(WriteValue("[S]\n", "S", key, "v").has_value()) << key;
    }
}

TEST(IniWrite, ByteOrderMarkIsKept) {
    EXPECT_EQ(Write("\xEF\xBB\xBF[S]\nk=1\n", "S", "k", "2"), "\xEF\xBB\xBF[S]\nk=2\n");
}

TEST(IniWrite, SingleByteFileStaysSingleByteWhenItCan) {
    const std::string before = "; caf\xE9\r\n[S]\r\nk=old\r\nother=\xE0 la\r\n";
    const std::string after = Write(before, "S", "k", "na\u00efve \u20ac");
    EXPECT_EQ(after, "; caf\xE9\r\n[S]\r\nk=na\xEFve \x80\r\nother=\xE0 la\r\n");
    EXPECT_EQ(Read(after, "S", "k"), "na\u00efve \u20ac");
    EXPECT_EQ(Read(after, "S", "other"), "\u00e0 la");
}

TEST(IniWrite, SingleByteFileBecomesUtf8WhenTheValueNeedsIt) {
    const std::string before = "; caf\xE9\n[S]\nk=old\nother=\xE0 la\n";
    const std::string after = Write(before, "S", "k", "\u65e5\u672c");
    EXPECT_EQ(after, "; caf\u00e9\n[S]\nk=\u65e5\u672c\nother=\u00e0 la\n");
    EXPECT_EQ(Read(after, "S", "other"), "\u00e0 la");
}

TEST(IniWrite, SingleByteValueThatWouldLookLikeUtf8IsNotMisread) {
    // Encoded as Windows-1252, "Ã©" is C3 A9, which is UTF-8 for "é"; once the only other
    // non-UTF-8 byte is gone, the file would read differently.
    const std::string after = Write("[S]\nk=\xE9\n", "S", "k", "\u00c3\u00a9");
    EXPECT_EQ(Read(after, "S", "k"), "\u00c3\u00a9");
    EXPECT_TRUE(IsValidUtf8(after));
}

TEST(IniWrite, InvalidUtf8InputIsTakenAsWindows1252) {
    const std::string after = Write("[S]\nk=\u00e9\n", "S", "k", "caf\xE9");
    EXPECT_EQ(after, "[S]\nk=caf\u00e9\n");
}

TEST(IniWrite, WhatIsWrittenReadsBack) {
    const char* contents[] = {"", "[Links]\nLink1=x\n",
                              "\xEF\xBB\xBF[links]\r\nLINK1 = 'q'\r\n\r\n[AI_Links]\r\n",
                              "Link1=loose\r[AI_Links]\rLink1=a", "[AI_Links]\n\xFF\xFE garbage\n"};
    const char* values[] = {
        "",      "http://example.com/?a=b&c=d", "caf\u00e9", "\u65e5", "x=y ; [z]", "\"quoted\"",
        "  lead"};
    const char* expected[] = {
        "", "http://example.com/?a=b&c=d", "caf\u00e9", "\u65e5", "x=y ; [z]", "quoted", "lead"};
    for (const char* content : contents) {
        for (std::size_t i = 0; i < std::size(values); ++i) {
            std::string file = Write(content, "AI_Links", "Link1", values[i]);
            file = Write(file, "Links", "Link1", "other");
            EXPECT_EQ(Read(file, "ai_links", "link1"), expected[i])
                << testing::PrintToString(std::string(content));
            EXPECT_EQ(Read(file, "Links", "Link1"), "other");
            EXPECT_EQ(Write(file, "AI_Links", "Link1", values[i]), file) << "not idempotent";
        }
    }
}

TEST(Encoding, Utf8Validation) {
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("plain\0ascii"s));
    EXPECT_TRUE(IsValidUtf8("\u00e9\u20ac\U0010FFFF"));
    for (const char* bad : {"\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                            "\xF5\x80\x80\x80", "\x80", "\xE2\x82", "\xFF"}) {
        EXPECT_FALSE(IsValidUtf8(bad)) << testing::PrintToString(std::string(bad));
    }
}

TEST(Encoding, Windows1252RoundTripsEveryByte) {
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    const std::string utf8 = Cp1252ToUtf8(all);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(Utf8ToCp1252(utf8), all);
    EXPECT_EQ(Cp1252ToUtf8("\x80\x9F\xA0\xFF"), "\u20ac\u0178\u00a0\u00ff");
    EXPECT_FALSE(Utf8ToCp1252("\u0100").has_value());
    EXPECT_FALSE(Utf8ToCp1252("\xE9").has_value());
}

}  // namespace
}  // namespace vantle::ini
