// The arithmetic of the throttle curve: the curve points from Min, Max and Shape, their text
// in the grid, reading a cell back as a number, and the point bytes of the curve frame. No
// widgets here.
//
// Every intermediate is held in the double-extended format (pace::Extended). Underflow and
// inexact results pass silently; a division by zero, an invalid operation and an overflow end
// the calculation with a std::runtime_error whose message is one of the texts below.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "NumberText.h"

namespace pace {

inline constexpr char DivisionByZeroText[] = "Floating point division by zero";
inline constexpr char InvalidOperationText[] = "Invalid floating point operation";
inline constexpr char OverflowText[] = "Floating point overflow";

// The curve has a point for every tenth of the throttle travel: columns 0 to 10.
inline constexpr int CurveColumns = 11;

// base raised to exponent:
// - a whole exponent n with |n| <= 2^31 - 1 by repeated squaring (1 for n = 0, also for a zero
//   base); for n < 0 the reciprocal, so a zero base, or a power too small for the extended
//   format, is a division by zero;
// - otherwise 0 for a zero base, whatever the exponent's sign;
// - otherwise 2 raised to exponent * log2(base).
[[nodiscard]] Extended Power(Extended base, double exponent);

// v rounded to the nearest whole number, an exact half to the even neighbour. Throws the
// invalid-operation error when the result lies outside the signed 64-bit range.
[[nodiscard]] std::int64_t RoundHalfEven(Extended v);

// The point of one column: Min + (1 - (1 - column / 10)^Shape) * (Max - Min), rounded.
[[nodiscard]] std::int64_t CurvePoint(int column, double min, double max, double shape);

// Computes the columns 0 to 10 in order and hands each point to `writeColumn` before the
// next column is computed, so that an error leaves the earlier columns handed out.
void ForEachCurvePoint(double min, double max, double shape,
                       const std::function<void(int column, std::int64_t point)>& writeColumn);

// A point as the grid shows it: at most 3 significant digits, no decimals, scientific
// notation from 1000 on.
[[nodiscard]] std::string PointText(std::int64_t point, char separator);

// The text of a grid cell as a number. Throws "'<text>' is not a valid floating point value"
// when it is no number, and the overflow error when a double cannot hold it.
[[nodiscard]] double ReadCell(std::string_view text, char separator);
// The same for a text already parsed (nothing when it is no number).
[[nodiscard]] double CellValue(const std::optional<Extended>& parsed, std::string_view text);

// The message of the error for a cell text that is no number.
[[nodiscard]] std::string NotANumberText(std::string_view text);

// A point that may be sent: 0 <= v <= 100 (not-a-number is refused too).
[[nodiscard]] bool PointInRange(double v);

// The byte that carries a point: v * 255 / 100, rounded half to even. v must be in range.
[[nodiscard]] std::uint8_t PointByte(double v);

}  // namespace pace
