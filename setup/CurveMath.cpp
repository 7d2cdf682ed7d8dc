#include "CurveMath.h"

#include <cfloat>
#include <cmath>
#include <stdexcept>

namespace pace {

namespace {

[[noreturn]] void Fail(const char* text) { throw std::runtime_error(text); }

// Every operation's result passes through here: an infinite result of finite operands is an
// overflow, a NaN an invalid operation.
Extended Checked(Extended r) {
    if (std::isnan(r)) Fail(InvalidOperationText);
    if (std::isinf(r)) Fail(OverflowText);
    return r;
}

Extended Divide(Extended dividend, Extended divisor) {
    if (divisor == 0) Fail(DivisionByZeroText);
    return Checked(dividend / divisor);
}

constexpr double MaxWholeExponent = 2147483647.0;  // 2^31 - 1

// b^n for n >= 1: square b for every bit of n, multiply the result by the current square at
// each 1 bit, lowest bit first.
Extended RepeatedSquaring(Extended b, std::uint32_t n) {
    Extended result = 1;
    Extended square = b;
    for (;;) {
        if (n & 1u) result = Checked(result * square);
        n >>= 1;
        if (n == 0) return result;
        square = Checked(square * square);
    }
}

}  // namespace

Extended Power(Extended base, double exponent) {
    if (std::isnan(base) || std::isnan(exponent)) Fail(InvalidOperationText);
    if (std::trunc(exponent) == exponent && std::fabs(exponent) <= MaxWholeExponent) {
        const auto n = static_cast<std::int64_t>(exponent);
        if (n == 0) return 1;
        const Extended magnitude =
            RepeatedSquaring(base, static_cast<std::uint32_t>(n < 0 ? -n : n));
        return n < 0 ? Divide(1, magnitude) : magnitude;
    }
    if (base == 0) return 0;
    // The logarithm of a negative base does not exist.
    if (base < 0) Fail(InvalidOperationText);
    return Checked(std::exp2(Checked(static_cast<Extended>(exponent) * std::log2(base))));
}

std::int64_t RoundHalfEven(Extended v) {
    if (std::isnan(v) || std::isinf(v)) Fail(InvalidOperationText);
    // Below 2^63 in magnitude the fraction v - floor(v) is exact; above it v is whole.
    Extended whole = std::floor(v);
    const Extended fraction = v - whole;
    if (fraction > 0.5L || (fraction == 0.5L && std::fmod(whole, 2.0L) != 0)) whole += 1;
    constexpr Extended lowest = -9223372036854775808.0L;  // -2^63
    constexpr Extended highest = 9223372036854775807.0L;  // 2^63 - 1, exact in extended
    if (whole < lowest || whole > highest) Fail(InvalidOperationText);
    return static_cast<std::int64_t>(whole);
}

std::int64_t CurvePoint(int column, double min, double max, double shape) {
    const Extended base = Checked(1.0L - Divide(static_cast<Extended>(column), 10.0L));
    const Extended a = Power(base, shape);
    const Extended lo = min;
    const Extended hi = max;
    const Extended v = Checked(lo + Checked(Checked(1.0L - a) * Checked(hi - lo)));
    return RoundHalfEven(v);
}

void ForEachCurvePoint(double min, double max, double shape,
                       const std::function<void(int column, std::int64_t point)>& writeColumn) {
    for (int c = 0; c < CurveColumns; ++c) writeColumn(c, CurvePoint(c, min, max, shape));
}

std::string PointText(std::int64_t point, char separator) {
    return FormatNumber(static_cast<Extended>(point), 3, 0, separator);
}

std::string NotANumberText(std::string_view text) {
    std::string message = "'";
    message += text;
    message += "' is not a valid floating point value";
    return message;
}

double ReadCell(std::string_view text, char separator) {
    return CellValue(ParseNumber(text, separator), text);
}

double CellValue(const std::optional<Extended>& value, std::string_view text) {
    if (!value) throw std::runtime_error(NotANumberText(text));
    const auto asDouble = static_cast<double>(*value);
    if (std::isinf(asDouble)) Fail(OverflowText);
    return asDouble;
}

bool PointInRange(double v) { return v >= 0 && v <= 100; }

std::uint8_t PointByte(double v) {
    const Extended scaled = Divide(Checked(static_cast<Extended>(v) * 255.0L), 100.0L);
    return static_cast<std::uint8_t>(RoundHalfEven(scaled));
}

}  // namespace pace
