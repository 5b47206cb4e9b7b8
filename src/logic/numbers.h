#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vantle {

// Reads a setting's text as a decimal number: surrounding blanks are ignored, a sign and a
// fraction are allowed ("1", "1.0", "01", " 1 ", "-5", "2500.5"). Anything else, an empty text
// included, is not a number. Never depends on the user's locale.
std::optional<double> ParseNumber(std::string_view text);

// Nearest whole number, halves to the even neighbour (2500.5 -> 2500, 2501.5 -> 2502).
double RoundHalfEven(double value);

// A stored check box state: 0 clear, 1 ticked, 2 greyed. A text that is not a number, or a
// number that rounds to anything else, is clear.
int CheckStateFromText(std::string_view text);

// The two rules for a stored switch being on; they differ, and stay so that every file reads as
// it always has. The Refresher reads its switches as numbers: on for a text that reads as exactly
// the number 1 ("1", "1.0", "01").
bool IsNumberOne(std::string_view text);
// The Rotator holds its switches as text and compares that: on only for "1" itself (" 1", "1.0"
// and "01" are off).
bool IsTextOne(std::string_view text);

// A timer interval in whole milliseconds from its stored text, halves to even; nothing when the
// text is not a number or the result lies outside 1 to 2,147,483,647 ms.
std::optional<std::int32_t> IntervalFromText(std::string_view text);

}  // namespace vantle
