#include "logic/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "base/ascii_text.h"

namespace vantle {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<double> ParseNumber(std::string_view text) {
    text = TrimmedBy(text, IsSpaceOrTab);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Validated by hand first: from_chars alone would also take "inf", "nan" and a bare exponent.
    std::size_t i = 0;
    while (i < text.size() && IsDigit(text[i])) ++i;
    const std::string_view integer = text.substr(0, i);
    std::string_view fraction;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fractionBegin = ++i;
        while (i < text.size() && IsDigit(text[i])) ++i;
        fraction = text.substr(fractionBegin, i - fractionBegin);
    }
    if (integer.empty() && fraction.empty()) return std::nullopt;
    long long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const bool negativeExponent = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        const std::size_t exponentBegin = i;
        for (; i < text.size() && IsDigit(text[i]); ++i) {
            if (exponent < 1'000'000'000) exponent = exponent * 10 + (text[i] - '0');
        }
        if (i == exponentBegin) return std::nullopt;
        if (negativeExponent) exponent = -exponent;
    }
    if (i != text.size()) return std::nullopt;

    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        // Out of range below is zero; out of range above is no usable number. The decimal order
        // of magnitude tells the two apart.
        const auto firstInteger = integer.find_first_not_of('0');
        long long order;
        if (firstInteger != std::string_view::npos) {
            order = static_cast<long long>(integer.size() - firstInteger) - 1;
        } else {
            const auto firstFraction = fraction.find_first_not_of('0');
            if (firstFraction == std::string_view::npos) return negative ? -0.0 : 0.0;
            order = -static_cast<long long>(firstFraction) - 1;
        }
        if (order + exponent >= 0) return std::nullopt;
        value = 0;
    } else if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

double RoundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction < 0.5) return below;
    if (fraction > 0.5) return below + 1;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

int CheckStateFromText(std::string_view text) {
    const auto number = ParseNumber(text);
    if (!number) return 0;
    const double rounded = RoundHalfEven(*number);
    if (rounded == 1) return 1;
    if (rounded == 2) return 2;
    return 0;
}

bool IsNumberOne(std::string_view text) {
    const auto number = ParseNumber(text);
    return number && *number == 1;
}

bool IsTextOne(std::string_view text) { return text == "1"; }

std::optional<std::int32_t> IntervalFromText(std::string_view text) {
    const auto number = ParseNumber(text);
    if (!number) return std::nullopt;
    const double rounded = RoundHalfEven(*number);
    if (rounded < 1 || rounded > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

}  // namespace vantle
