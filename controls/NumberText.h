// Numbers as the user sees and types them: the number format and the number parsing shared
// by the numeric edit box and the curve grid. No widgets here.
#pragma once

#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace pace {

// The arithmetic of the number rules and the curve maths runs in the IEEE double-extended
// format (64-bit significand). Refuse to build where long double is anything else.
using Extended = long double;
static_assert(std::numeric_limits<Extended>::digits == 64,
              "long double must be the x87 double-extended format (64-bit significand)");

// Formats x with at most `precision` significant digits and `decimals` decimals (see
// NumberText.cpp for the rules); `separator` is the decimal separator to write.
[[nodiscard]] std::string FormatNumber(Extended x, int precision, int decimals, char separator);

// Parses spaces, an optional sign, digits with at most one separator, an optional exponent and
// spaces. Returns nothing when the text is not a number or lies beyond the extended range.
[[nodiscard]] std::optional<Extended> ParseNumber(std::string_view text, char separator);

}  // namespace pace
