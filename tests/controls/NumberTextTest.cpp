// The number format and the number parsing, as tables of cases.
#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <clocale>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "NumberText.h"

namespace pace {
namespace {

// The extended value just below x: its exact binary expansion lies under x, while its 18
// significant digits still read x.
Extended JustBelow(Extended x) { return std::nextafter(x, Extended{0}); }

struct FormatCase {
    const char* Name;
    Extended X;
    int Precision;
    int Decimals;
    char Separator;
    const char* Expected;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.Name; }

class FormatNumberTable : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatNumberTable, FormatsAsTheRulesSay) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatNumber(c.X, c.Precision, c.Decimals, c.Separator), c.Expected);
}

const FormatCase kFormatCases[] = {
    // The edit box with one decimal.
    {"one", 1, 15, 1, '.', "1.0"},
    {"hundred", 100, 15, 1, '.', "100.0"},
    {"zero", 0, 15, 1, '.', "0.0"},
    {"half_at_second_decimal_rounds_away", 2.25, 15, 1, '.', "2.3"},
    {"small_negative_rounds_to_unsigned_zero", -0.04, 15, 1, '.', "0.0"},
    {"small_negative_rounds_to_minus_tenth", -0.06, 15, 1, '.', "-0.1"},
    {"negative_zero_has_no_sign", -0.0, 15, 1, '.', "0.0"},
    // The edit box with no decimals.
    {"twelve_and_a_half_goes_up", 12.5, 15, 0, '.', "13"},
    {"eleven_and_a_half_goes_up_not_to_even", 11.5, 15, 0, '.', "12"},
    {"negative_half_goes_away_from_zero", -12.5, 15, 0, '.', "-13"},
    {"sixteen_integer_digits_is_scientific", 1e15, 15, 0, '.', "1E15"},
    {"fifteen_integer_digits_stay_fixed", 999999999999999.0, 15, 0, '.', "999999999999999"},
    {"rounding_up_to_sixteen_digits_turns_scientific", 999999999999999.5L, 15, 0, '.', "1E15"},
    {"minus_point_four_is_unsigned_zero", -0.4, 15, 0, '.', "0"},
    {"pin_above_9999", 123456, 15, 0, '.', "123456"},
    {"largest_double", DBL_MAX, 15, 0, '.', "1.79769313486232E308"},
    {"beyond_double_range", 1e4000L, 15, 1, '.', "1E4000"},
    // Curve points: three significant digits, no decimals.
    {"curve_1000", 1000, 3, 0, '.', "1E3"},
    {"curve_1200", 1200, 3, 0, '.', "1.2E3"},
    {"curve_1233", 1233, 3, 0, '.', "1.23E3"},
    {"curve_1235_half_goes_up", 1235, 3, 0, '.', "1.24E3"},
    {"curve_minus_1011", -1011, 3, 0, '.', "-1.01E3"},
    {"curve_9999_carries_into_next_power", 9999, 3, 0, '.', "1E4"},
    {"curve_999_4_stays_fixed", 999.4, 3, 0, '.', "999"},
    {"curve_999_5_carries_into_scientific", 999.5, 3, 0, '.', "1E3"},
    {"curve_small_fraction", 0.4, 3, 0, '.', "0"},
    {"curve_negative", -37.5, 3, 0, '.', "-38"},
    // Precision cuts before the decimals do.
    {"precision_before_decimals", 123.456, 3, 2, '.', "123.00"},
    {"precision_inside_decimals", 1.23456, 3, 4, '.', "1.2300"},
    // The 18-digit step: these values lie just below a half in binary, but their first 18
    // significant digits are the half itself, which rounds away from zero.
    {"extended_just_below_0_285", JustBelow(0.285L), 15, 2, '.', "0.29"},
    {"extended_just_below_1_005", JustBelow(1.005L), 15, 2, '.', "1.01"},
    {"extended_just_below_1234_5", JustBelow(1234.5L), 15, 0, '.', "1235"},
    {"extended_just_below_curve_half", JustBelow(1235.0L), 3, 0, '.', "1.24E3"},
    // ...and the double nearest to 0.285 or 1.005 is too far below for 18 digits to reach
    // the half: the double's own digits decide, not the literal's.
    {"double_0_285_is_below_half", 0.285, 15, 2, '.', "0.28"},
    {"double_1_005_is_below_half", 1.005, 15, 2, '.', "1.00"},
    // A double whose 16th digit is 4999999(6...) exactly, 5 at 18 digits: the 15th digit
    // goes up.
    {"double_rounded_at_15th_digit_by_18_digits", 55537490474.72715, 15, 4, '.',
     "55537490474.7272"},
    {"double_rounded_at_15th_digit_small", 13.45643871447915, 15, 13, '.', "13.4564387144792"},
    // Ten integer digits and six decimals: 15 significant digits, the sixth decimal is 0.
    {"ten_integer_digits_six_decimals", 1234567890.123456, 15, 6, '.', "1234567890.123460"},
    {"ten_integer_digits_six_decimals_carry", 9999999999.999996, 15, 6, '.', "10000000000.000000"},
    // Many decimals.
    {"decimals_above_18_count_as_18", 0.5, 15, 25, '.', "0.500000000000000000"},
    {"eighteen_digits_of_a_third", 1.0L / 3, 18, 18, '.', "0.333333333333333333"},
    {"half_at_18th_decimal_rounds_up", 5e-19L, 15, 18, '.', "0.000000000000000001"},
    {"negative_half_at_18th_decimal", -5e-19L, 15, 18, '.', "-0.000000000000000001"},
    {"tiny_is_unsigned_zero", -1e-30L, 15, 18, '.', "0.000000000000000000"},
    {"negative_decimals_count_as_zero", 12.5, 15, -3, '.', "13"},
    // Another separator.
    {"comma_fixed", 2.25, 15, 1, ',', "2,3"},
    {"comma_zero", 0, 15, 2, ',', "0,00"},
    {"comma_negative", -1234.5, 15, 2, ',', "-1234,50"},
    {"comma_scientific", 1235, 3, 0, ',', "1,24E3"},
    {"no_grouping", 1234567.0, 15, 0, ',', "1234567"},
    // Values that are not numbers.
    {"not_a_number", NAN, 15, 1, '.', "NAN"},
    {"infinity", INFINITY, 15, 1, '.', "INF"},
    {"negative_infinity", -INFINITY, 15, 1, '.', "-INF"},
};

INSTANTIATE_TEST_SUITE_P(Cases, FormatNumberTable, ::testing::ValuesIn(kFormatCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// The 18-digit cases above only prove something when the values really lie below the half.
TEST(FormatNumberStep, ExtendedCasesLieBelowTheHalfInBinary) {
    for (Extended x : {JustBelow(0.285L), JustBelow(1.005L), JustBelow(1234.5L)}) {
        char buffer[80];
        auto r =
            std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific, 30);
        const std::string exact(buffer, r.ptr);
        EXPECT_NE(exact.find("49999999999"), std::string::npos) << exact;
    }
}

struct ParseCase {
    const char* Name;
    const char* Text;
    char Separator;
    std::optional<Extended> Expected;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.Name << " \"" << c.Text << '"'; }

class ParseNumberTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseNumberTable, AcceptsExactlyTheGrammar) {
    const ParseCase& c = GetParam();
    const std::optional<Extended> parsed = ParseNumber(c.Text, c.Separator);
    ASSERT_EQ(parsed.has_value(), c.Expected.has_value());
    if (parsed) {
        EXPECT_EQ(*parsed, *c.Expected);
        EXPECT_EQ(std::signbit(*parsed), std::signbit(*c.Expected));
    }
}

const std::optional<Extended> kNo = std::nullopt;

const ParseCase kParseCases[] = {
    // Accepted.
    {"zero", "0", '.', 0.0L},
    {"decimal", "12.5", '.', 12.5L},
    {"spaces_around", "   12.5  ", '.', 12.5L},
    {"plus_sign", "+1", '.', 1.0L},
    {"minus_sign", "-2.5", '.', -2.5L},
    {"spaces_then_sign", "  -3", '.', -3.0L},
    {"separator_last", "1.", '.', 1.0L},
    {"separator_first", ".5", '.', 0.5L},
    {"separator_alone", ".", '.', 0.0L},
    {"minus_separator_alone", "-.", '.', -0.0L},
    {"leading_zeros", "007", '.', 7.0L},
    {"exponent", "1e3", '.', 1000.0L},
    {"exponent_upper", "1E3", '.', 1000.0L},
    {"exponent_plus", "1e+3", '.', 1000.0L},
    {"exponent_minus", "2.5e-1", '.', 0.25L},
    {"exponent_without_digits_is_zero", "1e", '.', 1.0L},
    {"exponent_sign_without_digits", "7E-", '.', 7.0L},
    {"exponent_after_separator_alone", ".e5", '.', 0.0L},
    {"exponent_then_spaces", "1.5e2  ", '.', 150.0L},
    {"exponent_with_many_digits", "1e0000000000000000000000000002", '.', 100.0L},
    {"comma_separator", "1,5", ',', 1.5L},
    {"comma_separator_exponent", "-2,5E1", ',', -25.0L},
    {"extended_precision", "0.1", '.', 0.1L},
    {"beyond_double_within_extended", "1e400", '.', 1e400L},
    {"largest_extended", "1.18973149535723176502e4932", '.', LDBL_MAX},
    {"underflow_to_zero", "1e-5000", '.', 0.0L},
    {"negative_underflow_to_zero", "-1e-5000", '.', -0.0L},
    {"many_digits", "123456789012345678901234567890", '.', 123456789012345678901234567890.0L},
    // Refused.
    {"empty", "", '.', kNo},
    {"only_spaces", "   ", '.', kNo},
    {"only_sign", "+", '.', kNo},
    {"only_minus", "-", '.', kNo},
    {"exponent_without_mantissa", "e5", '.', kNo},
    {"sign_and_exponent_only", "-E3", '.', kNo},
    {"comma_when_separator_is_point", "1,5", '.', kNo},
    {"point_when_separator_is_comma", "1.5", ',', kNo},
    {"second_separator", "1.2.3", '.', kNo},
    {"digit_grouping_comma", "1,000.5", '.', kNo},
    {"digit_grouping_space", "1 000", '.', kNo},
    {"space_after_sign", "- 1", '.', kNo},
    {"space_before_exponent", "1 e3", '.', kNo},
    {"two_signs", "+-1", '.', kNo},
    {"two_exponent_signs", "1e+-3", '.', kNo},
    {"fractional_exponent", "1e3.5", '.', kNo},
    {"second_exponent", "1e3e3", '.', kNo},
    {"leading_tab", "\t1", '.', kNo},
    {"trailing_tab", "1\t", '.', kNo},
    {"trailing_newline", "1\n", '.', kNo},
    {"letters", "abc", '.', kNo},
    {"trailing_letter", "1a", '.', kNo},
    {"hexadecimal", "0x10", '.', kNo},
    {"infinity_word", "inf", '.', kNo},
    {"nan_word", "nan", '.', kNo},
    {"overflow", "1e5000", '.', kNo},
    {"negative_overflow", "-1e5000", '.', kNo},
    {"just_beyond_largest_extended", "1.2e4932", '.', kNo},
    {"huge_exponent", "1e99999999999999999999", '.', kNo},
};

INSTANTIATE_TEST_SUITE_P(Cases, ParseNumberTable, ::testing::ValuesIn(kParseCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(ParseNumberRange, ValueBelowTheNormalRangeIsADenormal) {
    const std::optional<Extended> parsed = ParseNumber("1e-4940", '.');
    ASSERT_TRUE(parsed.has_value());
    EXPECT_GT(*parsed, 0.0L);
    EXPECT_LT(*parsed, LDBL_MIN);
    EXPECT_NEAR(static_cast<double>(*parsed / 1e-4940L), 1.0, 1e-3);
}

TEST(ParseNumberRange, NulInsideTheTextIsNotANumber) {
    EXPECT_FALSE(ParseNumber(std::string_view("1\0", 2), '.').has_value());
}

// Both conversions must ignore the C library's locale, which a Qt application sets from the
// environment and which may use a comma.
TEST(NumberTextLocale, IgnoresTheCLibraryNumericLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    const char* commaLocale = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            commaLocale = name;
            break;
        }
    }
    if (commaLocale == nullptr) GTEST_SKIP() << "no locale with a decimal comma is installed";
    const std::string format = FormatNumber(2.25, 15, 2, '.');
    const std::optional<Extended> point = ParseNumber("2.25", '.');
    const std::optional<Extended> denormal = ParseNumber("1.5e-4940", '.');
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_EQ(format, "2.25");
    ASSERT_TRUE(point.has_value());
    EXPECT_EQ(*point, 2.25L);
    ASSERT_TRUE(denormal.has_value());
    EXPECT_GT(*denormal, 1e-4940L);
}

}  // namespace
}  // namespace pace
