#include "logic/numbers.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace vantle {
namespace {

TEST(ParseNumber, ReadsDecimalTextOnly) {
    const std::pair<const char*, double> numbers[] = {
        {"1", 1},       {"1.0", 1}, {"01", 1},     {" 1 ", 1},
        {"\t7\t", 7},   {"-5", -5}, {"+5", 5},     {"2500.5", 2500.5},
        {".5", 0.5},    {"5.", 5},  {"1e3", 1000}, {"1E-2", 0.01},
        {"2.5e+1", 25}, {"-0", 0},  {"1e-400", 0}, {"0e99999999", 0},
    };
    for (const auto& [text, expected] : numbers) {
        const auto number = ParseNumber(text);
        ASSERT_TRUE(number.has_value()) << text;
        EXPECT_DOUBLE_EQ(*number, expected) << text;
    }
    EXPECT_EQ(ParseNumber(std::string(400, '0') + "12"), 12);
    EXPECT_EQ(ParseNumber("0." + std::string(400, '0') + "1"), 0);

    for (const char* text :
         {"",     " ",     "+",        "-",    ".",       "e5",  "1e",  "1e+",  "inf",
          "-inf", "nan",   "infinity", "0x10", "1a",      "1,5", "--1", "+-1",  "1 2",
          "1..2", "1.2.3", "one",      "1\n",  "\u00a01", "1%",  "$1",  "1e400"}) {
        EXPECT_FALSE(ParseNumber(text).has_value()) << '"' << text << '"';
    }
    EXPECT_FALSE(ParseNumber("0.001e99999999999999999999").has_value());
    EXPECT_FALSE(ParseNumber(std::string(400, '9')).has_value());
}

// A decimal comma locale, built for the test since the machine may have none installed.
TEST(ParseNumber, IgnoresTheUsersLocale) {
    std::string dir = (std::filesystem::temp_directory_path() / "vantle-locale-XXXXXX").string();
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    std::ofstream(dir + "/comma") << "LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \".\"\n"
                                     "grouping 3\nEND LC_NUMERIC\n";
    std::system(
        ("localedef -c -i '" + dir + "/comma' -f UTF-8 '" + dir + "/comma.UTF-8' >/dev/null 2>&1")
            .c_str());
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    ::setenv("LOCPATH", dir.c_str(), 1);
    const bool active =
        std::setlocale(LC_NUMERIC, "comma.UTF-8") != nullptr && std::strtod("1,5", nullptr) == 1.5;
    const auto point = ParseNumber("2500.5"), comma = ParseNumber("1,5");
    std::setlocale(LC_NUMERIC, previous.c_str());
    ::unsetenv("LOCPATH");
    std::filesystem::remove_all(dir);
    if (!active) GTEST_SKIP() << "localedef could not build a test locale";
    EXPECT_EQ(point, 2500.5);
    EXPECT_FALSE(comma.has_value());
}

// How a stored text reads as a check box state, as the switch "1", and as a timer interval
// (0 where it gives none); halves round to the even neighbour.
TEST(SettingNumbers, CheckStateSwitchAndInterval) {
    struct Case {
        const char* text;
        int state;
        bool one;
        std::int32_t interval;
    };
    const Case cases[] = {
        {"1", 1, true, 1},          {"1.0", 1, true, 1},    {" 1 ", 1, true, 1},
        {"0.1e1", 1, true, 1},      {"+1", 1, true, 1},     {"1.0001", 1, false, 1},
        {"0", 0, false, 0},         {"0.5", 0, false, 0},   {"2", 2, false, 2},
        {"1.5", 2, false, 2},       {"2.5", 2, false, 2},   {"2.4", 2, false, 2},
        {"3", 0, false, 3},         {"-1", 0, false, 0},    {"", 0, false, 0},
        {"abc", 0, false, 0},       {"http:", 0, false, 0}, {"2500.5", 0, false, 2500},
        {"2501.5", 0, false, 2502},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckStateFromText(c.text), c.state) << c.text;
        EXPECT_EQ(IsNumberOne(c.text), c.one) << c.text;
        EXPECT_EQ(IntervalFromText(c.text).value_or(0), c.interval) << c.text;
    }
    EXPECT_EQ(CheckStateFromText("0.49999999999999994"), 0);  // plus 0.5 is exactly 1
    EXPECT_EQ(IntervalFromText("2147483647.4"), 2147483647);
    for (const char* text : {"2147483647.5", "2147483648", "1e300"}) {
        EXPECT_FALSE(IntervalFromText(text).has_value()) << text;
    }
}

}  // namespace
}  // namespace vantle
