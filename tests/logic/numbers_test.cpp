#include "logic/numbers.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <clocale>
#include <fstream>

#include "support/temp_folder.h"

namespace vantle {

// Beyond a double's range, numbers below it are zero and numbers above it none at all.
TEST(ParseNumber, ReadsDecimalTextOnly) {
    const std::pair<const char*, double> numbers[] = {
        {" 1 ", 1}, {"\t7\t", 7},   {"-5", -5},     {"+5", 5},     {".5", 0.5},
        {"5.", 5},  {"1E-2", 0.01}, {"2.5e+1", 25}, {"1e-400", 0}, {"0e99999999", 0},
    };
    for (const auto& [text, expected] : numbers) EXPECT_EQ(ParseNumber(text), expected) << text;
    EXPECT_EQ(ParseNumber(std::string(400, '0') + "12"), 12);
    EXPECT_EQ(ParseNumber("0." + std::string(400, '0') + "1"), 0);
    for (const char* text :
         {"", " ", "+", ".", "e5", "1e", "1e+", "inf", "nan", "0x10", "1,5", "--1", "1 2", "1..2",
          "1\n", "\u00a01", "1e400", "0.001e99999999999999999999"})
        EXPECT_FALSE(ParseNumber(text).has_value()) << '"' << text << '"';
    EXPECT_FALSE(ParseNumber(std::string(400, '9')).has_value());
}

// A decimal comma locale, built for the test since the machine may have none installed.
TEST(ParseNumber, IgnoresTheUsersLocale) {
    const test::TempFolder folder("vantle-locale");
    const std::string dir = folder.path().string();
    std::ofstream(dir + "/comma")
        << "LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \"\"\ngrouping -1\nEND LC_NUMERIC\n";
    const std::string build = "localedef -c -i " + dir + "/comma -f UTF-8 " + dir + "/comma.UTF-8";
    // It warns, and exits 1, about the categories left out; whether the locale works shows below.
    if (std::system((build + " >/dev/null 2>&1").c_str()) == -1)
        GTEST_SKIP() << "could not run localedef";
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    ::setenv("LOCPATH", dir.c_str(), 1);
    const bool active =
        std::setlocale(LC_NUMERIC, "comma.UTF-8") && std::strtod("1,5", nullptr) == 1.5;
    const auto point = ParseNumber("2500.5"), comma = ParseNumber("1,5");
    std::setlocale(LC_NUMERIC, previous.c_str());
    ::unsetenv("LOCPATH");
    if (!active) GTEST_SKIP() << "localedef could not build a test locale";
    EXPECT_EQ(point, 2500.5);
    EXPECT_FALSE(comma.has_value());
}

// A stored text as a check box state, as the Refresher's switch "1" (exactly one, not rounded to
// it; the Rotator's takes only the text "1") and as a timer interval (0: none); halves round to
// the even neighbour.
TEST(SettingNumbers, CheckStateSwitchAndInterval) {
    const std::tuple<const char*, int, bool, std::int32_t> cases[] = {
        {"1.0", 1, true, 1},    {"0.1e1", 1, true, 1},      {"1.0001", 1, false, 1},
        {"0.5", 0, false, 0},   {"1.5", 2, false, 2},       {"2.5", 2, false, 2},
        {"3", 0, false, 3},     {"-1", 0, false, 0},        {"abc", 0, false, 0},
        {"1e300", 0, false, 0}, {"2500.5", 0, false, 2500}, {"2501.5", 0, false, 2502},
    };
    for (const auto& [text, state, one, interval] : cases) {
        EXPECT_EQ(CheckStateFromText(text), state) << text;
        EXPECT_EQ(IsNumberOne(text), one) << text;
        EXPECT_FALSE(IsTextOne(text)) << text;
        EXPECT_EQ(IntervalFromText(text).value_or(0), interval) << text;
    }
    EXPECT_TRUE(IsTextOne("1") && IsNumberOne("01") && !IsTextOne("01"));
    EXPECT_EQ(CheckStateFromText("0.49999999999999994"), 0);  // plus 0.5 is exactly 1
    EXPECT_EQ(IntervalFromText("2147483647.4"), 2147483647);
    EXPECT_FALSE(IntervalFromText("2147483647.5").has_value());
}

}  // namespace vantle
