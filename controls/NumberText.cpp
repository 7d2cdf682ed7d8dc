// The number format and the number parsing. Both are independent of the process's C locale:
// the digits come from std::to_chars and the values from std::from_chars (or strtold_l with
// an explicit "C" locale), never from printf/strtod, which follow LC_NUMERIC.
#include "NumberText.h"

#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>

namespace pace {

namespace {

// All the significant digits the format ever looks at.
constexpr int kSignificantDigits = 18;

// The first 18 significant digits of |x| (x finite), correctly rounded to nearest, and the
// number of digits before the decimal point: |x| ~ 0.d1d2...d18 * 10^pointPos.
struct DecimalDigits {
    std::string Digits;
    int PointPos = 0;
};

DecimalDigits EighteenDigits(Extended x) {
    // "d.ddddddddddddddddde+XX": 1 + 17 digits, then the exponent.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(x),
                                      std::chars_format::scientific, kSignificantDigits - 1);
    DecimalDigits out;
    out.Digits.push_back(buffer[0]);
    out.Digits.append(buffer + 2, buffer + 1 + kSignificantDigits);
    const char* e = std::find(buffer, result.ptr, 'e');
    const char* expStart = e + 1;
    if (expStart < result.ptr && *expStart == '+') ++expStart;
    int exponent = 0;
    std::from_chars(expStart, result.ptr, exponent);
    out.PointPos = exponent + 1;
    return out;
}

// Adds one unit in the last place of a digit string; returns true when the carry runs out
// of the front ("99" -> "00", carry).
bool IncrementDigits(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return false;
        }
        *it = '0';
    }
    return true;
}

}  // namespace

// Rules:
// - The 18 significant digits of |x| are rounded at `decimals` places after the point or
//   after the `precision`-th significant digit, whichever comes first; a dropped part of 5
//   or more rounds up, so halves go away from zero.
// - More than `precision` digits before the point: scientific notation, "d[<sep>ddd]E<exp>"
//   with the mantissa's trailing zeros dropped, '-' only for a negative exponent, no '+',
//   no leading zeros in the exponent.
// - Otherwise fixed notation with exactly `decimals` decimals (none and no separator when
//   0), "0" as integer part when there is none, no digit grouping.
// - A result that rounds to zero has no sign.
// - `decimals` above 18 counts as 18; a negative `decimals` counts as 0 (whole numbers).
//   `precision` is taken between 1 and 18.
// - Not finite: "NAN", "INF" or "-INF" (nothing in the programs formats such a value; the
//   texts are not numbers to the parser, so a box holding one keeps it).
std::string FormatNumber(Extended x, int precision, int decimals, char separator) {
    if (std::isnan(x)) return "NAN";
    if (std::isinf(x)) return x < 0 ? "-INF" : "INF";

    const int p = std::clamp(precision, 1, kSignificantDigits);
    const int d = std::clamp(decimals, 0, kSignificantDigits);

    DecimalDigits value = EighteenDigits(x);
    std::string& digits = value.Digits;
    const int keep = std::min(p, value.PointPos + d);
    if (keep < 0) {
        digits.clear();
    } else if (keep < kSignificantDigits) {
        const bool up = digits[keep] >= '5';
        digits.resize(keep);
        if (up && IncrementDigits(digits)) {
            digits.insert(digits.begin(), '1');
            ++value.PointPos;
        }
    }
    while (!digits.empty() && digits.back() == '0') digits.pop_back();

    std::string text;
    if (digits.empty()) {
        text = "0";
        if (d > 0) {
            text.push_back(separator);
            text.append(d, '0');
        }
        return text;
    }
    if (std::signbit(x)) text.push_back('-');

    if (value.PointPos > p) {
        text.push_back(digits[0]);
        if (digits.size() > 1) {
            text.push_back(separator);
            text.append(digits, 1);
        }
        text.push_back('E');
        text += std::to_string(value.PointPos - 1);
        return text;
    }

    const int size = static_cast<int>(digits.size());
    auto digitAt = [&](int index) { return index >= 0 && index < size ? digits[index] : '0'; };
    if (value.PointPos <= 0) {
        text.push_back('0');
    } else {
        for (int i = 0; i < value.PointPos; ++i) text.push_back(digitAt(i));
    }
    if (d > 0) {
        text.push_back(separator);
        for (int i = 0; i < d; ++i) text.push_back(digitAt(value.PointPos + i));
    }
    return text;
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A value that std::from_chars reports out of range: an overflow (not a number) or an
// underflow to a denormal or zero (a number). strtold_l with the "C" locale tells them apart
// and gives the denormal. `normalized` is "[-]digits.digitse[-]digits".
std::optional<Extended> OutOfRangeValue(const std::string& normalized) {
    const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    if (cLocale == nullptr) return std::nullopt;
    errno = 0;
    const Extended value = strtold_l(normalized.c_str(), nullptr, cLocale);
    freelocale(cLocale);
    if (std::isinf(value)) return std::nullopt;
    return value;
}

}  // namespace

// The grammar, in this order and nothing else:
//   spaces (' ' only), an optional '+' or '-', decimal digits with at most one separator
//   before, among or after them (at least one digit or the separator: "." alone is 0),
//   optionally 'E' or 'e' with an optional sign and any number of digits (none means an
//   exponent of 0, so "1E" and "1e+" are 1), spaces.
// The value is converted to the extended format with rounding to nearest. Beyond its range
// the text is not a number; a value too small for it becomes a denormal or a signed zero and
// is a number. The separator is expected to be none of ' ', '+', '-', 'E', 'e' or a digit.
std::optional<Extended> ParseNumber(std::string_view text, char separator) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && text[i] == ' ') ++i;

    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    std::string integerDigits;
    std::string fractionDigits;
    bool seenSeparator = false;
    bool seenAny = false;
    for (; i < n; ++i) {
        const char c = text[i];
        if (IsDigit(c)) {
            (seenSeparator ? fractionDigits : integerDigits).push_back(c);
        } else if (c == separator && !seenSeparator) {
            seenSeparator = true;
        } else {
            break;
        }
        seenAny = true;
    }
    if (!seenAny) return std::nullopt;

    bool negativeExponent = false;
    std::string exponentDigits;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
        while (i < n && IsDigit(text[i])) exponentDigits.push_back(text[i++]);
    }

    while (i < n && text[i] == ' ') ++i;
    if (i != n) return std::nullopt;

    // A form std::from_chars takes as it is: no '+', digits on both sides of a '.'.
    std::string normalized;
    normalized.reserve(integerDigits.size() + fractionDigits.size() + exponentDigits.size() + 8);
    if (negative) normalized.push_back('-');
    normalized += integerDigits.empty() ? "0" : integerDigits;
    normalized.push_back('.');
    normalized += fractionDigits.empty() ? "0" : fractionDigits;
    normalized.push_back('e');
    if (negativeExponent) normalized.push_back('-');
    normalized += exponentDigits.empty() ? "0" : exponentDigits;

    Extended value = 0;
    const char* first = normalized.data();
    const char* last = first + normalized.size();
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) return OutOfRangeValue(normalized);
    if (result.ec != std::errc{} || result.ptr != last) return std::nullopt;
    return value;
}

}  // namespace pace
