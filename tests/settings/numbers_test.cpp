#include "logic/numbers.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace vantle {
namespace {

TEST(ParseNumber, ReadsDecimalTextWithSignFractionAndBlanks) {
    const std::pair<const char*, double> cases[] = {
        {"1", 1},      {"1.0", 1},     {"01", 1},          {" 1 ", 1},      {"\t7\t", 7},
        {"-5", -5},    {"+5", 5},      {"2500.5", 2500.5}, {".5", 0.5},     {"5.", 5},
        {"1e3", 1000}, {"1E-2", 0.01}, {"-0", 0},          {"007.50", 7.5}, {"2.5e+1", 25},
    };
    for (const auto& [text, expected] : cases) {
        const auto number = ParseNumber(text);
        ASSERT_TRUE(number.has_value()) << text;
        EXPECT_DOUBLE_EQ(*number, expected) << text;
    }
}

TEST(ParseNumber, RejectsEverythingElse) {
    for (const char* text : {"",
                             " ",
                             "+",
                             "-",
                             ".",
                             "e5",
                             "1e",
                             "1e+",
                             "inf",
                             "-inf",
                             "nan",
                             "infinity",
                             "0x10",
                             "1a",
                             "1,5",
                             "--1",
                             "+-1",
                             "1 2",
                             "1..2",
                             "1.2.3",
                             "one",
                             "1\n",
                             "\xC2\xA0"
                             "1",
                             "1%",
                             "$1"}) {
        EXPECT_FALSE(ParseNumber(text).has_value()) << '"' << text << '"';
    }
}

TEST(ParseNumber, OutOfRangeIsNoNumberAboveAndZeroBelow) {
    EXPECT_FALSE(ParseNumber("1e400").has_value());
    EXPECT_FALSE(ParseNumber(std::string(400, '9')).has_value());
    EXPECT_FALSE(ParseNumber("0.001e99999999999999999999").has_value());
    EXPECT_EQ(ParseNumber("1e-400"), 0.0);
    EXPECT_EQ(ParseNumber("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(ParseNumber("0e99999999999"), 0.0);
    EXPECT_EQ(ParseNumber(std::string(400, '0') + "12"), 12.0);
}

// A locale with a decimal comma, built for the test: the machine may have none installed.
class DecimalCommaLocale {
  public:
    DecimalCommaLocale() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantle-locale-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
        std::ofstream(dir_ / "comma") << "LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \".\"\n"
                                         "grouping 3\nEND LC_NUMERIC\n";
        const std::string build = "localedef -c -i '" + (dir_ / "comma").string() + "' -f UTF-8 '" +
                                  (dir_ / "comma.UTF-8").string() + "' >/dev/null 2>&1";
        std::system(build.c_str());
        previous_ = std::setlocale(LC_NUMERIC, nullptr);
        ::setenv("LOCPATH", dir_.c_str(), 1);
        active_ = std::setlocale(LC_NUMERIC, "comma.UTF-8") != nullptr;
    }
    ~DecimalCommaLocale() {
        std::setlocale(LC_NUMERIC, previous_.c_str());
        ::unsetenv("LOCPATH");
        std::filesystem::remove_all(dir_);
    }
    bool active() const { return active_; }

  private:
    std::filesystem::path dir_;
    std::string previous_;
    bool active_ = false;
};

TEST(ParseNumber, IgnoresTheUsersLocale) {
    const DecimalCommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "localedef could not build a test locale";
    ASSERT_EQ(std::strtod("1,5", nullptr), 1.5) << "the locale is not in effect";
    EXPECT_EQ(ParseNumber("1.5"), 1.5);
    EXPECT_EQ(ParseNumber("2500.5"), 2500.5);
    EXPECT_FALSE(ParseNumber("1,5").has_value());
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(2500.5), 2500);
    EXPECT_EQ(RoundHalfEven(2501.5), 2502);
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
    EXPECT_EQ(RoundHalfEven(2.4999999), 2);
    EXPECT_EQ(RoundHalfEven(2.5000001), 3);
    EXPECT_EQ(RoundHalfEven(0.49999999999999994), 0);
    EXPECT_EQ(RoundHalfEven(-0.7), -1);
    EXPECT_EQ(RoundHalfEven(4503599627370497.0), 4503599627370497.0);
    EXPECT_TRUE(std::isinf(RoundHalfEven(INFINITY)));
    EXPECT_TRUE(std::isnan(RoundHalfEven(NAN)));
}

TEST(CheckStateFromText, RoundsAndClearsAnythingOutsideTheThreeStates) {
    const std::pair<const char*, int> cases[] = {
        {"0", 0},   {"1", 1},   {"2", 2},   {"1.0", 1}, {"01", 1},
        {" 2 ", 2}, {"2.4", 2}, {"1.5", 2}, {"0.5", 0}, {"2.5", 2},
        {"3", 0},   {"-1", 0},  {"", 0},    {"abc", 0}, {"http://example.com", 0},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(CheckStateFromText(text), expected) << text;
}

TEST(IsNumberOne, OnlyTextsThatReadAsExactlyOne) {
    for (const char* text : {"1", "1.0", "01", " 1 ", "+1", "1e0", "0.1e1"}) {
        EXPECT_TRUE(IsNumberOne(text)) << text;
    }
    for (const char* text : {"", "0", "2", "1.0001", "0.9999", "one", "1x", "-1", "true"}) {
        EXPECT_FALSE(IsNumberOne(text)) << text;
    }
}

TEST(IntervalFromText, RoundsHalfToEvenWithinOneToInt32Max) {
    EXPECT_EQ(IntervalFromText("1000"), 1000);
    EXPECT_EQ(IntervalFromText("2500.5"), 2500);
    EXPECT_EQ(IntervalFromText("2501.5"), 2502);
    EXPECT_EQ(IntervalFromText("1.5"), 2);
    EXPECT_EQ(IntervalFromText("1"), 1);
    EXPECT_EQ(IntervalFromText("2147483647"), 2147483647);
    EXPECT_EQ(IntervalFromText("2147483647.4"), 2147483647);
    for (const char* text : {"0", "0.5", "-5", "2147483647.5", "2147483648", "1e300", "", "abc"}) {
        EXPECT_FALSE(IntervalFromText(text).has_value()) << text;
    }
}

}  // namespace
}  // namespace vantle
