// The curve arithmetic: points column by column in extended precision, the three errors where
// they arise, the text of a point, reading a cell, and the point bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "CurveMath.h"

namespace pace {
namespace {

struct CurveOutcome {
    std::vector<std::int64_t> Points;  // the columns written before the error, if any
    std::string Error;                 // empty when every column was written
};

CurveOutcome Compute(double min, double max, double shape) {
    CurveOutcome out;
    try {
        ForEachCurvePoint(min, max, shape, [&](int column, std::int64_t point) {
            EXPECT_EQ(column, static_cast<int>(out.Points.size()));
            out.Points.push_back(point);
        });
    } catch (const std::runtime_error& e) {
        out.Error = e.what();
    }
    return out;
}

struct CurveCase {
    const char* Name;
    double Min, Max, Shape;
    // The first points written (all of them, for the short curves).
    std::vector<std::int64_t> Leading;
    std::size_t Written;  // how many columns were written
    std::string Error;
};

void PrintTo(const CurveCase& c, std::ostream* os) { *os << c.Name; }

class CurveTable : public ::testing::TestWithParam<CurveCase> {};

TEST_P(CurveTable, GivesThePointsColumnByColumnAndStopsAtTheError) {
    const CurveCase& c = GetParam();
    const CurveOutcome out = Compute(c.Min, c.Max, c.Shape);
    ASSERT_EQ(out.Points.size(), c.Written);
    const std::vector<std::int64_t> leading(
        out.Points.begin(), out.Points.begin() + static_cast<long>(c.Leading.size()));
    EXPECT_EQ(leading, c.Leading);
    EXPECT_EQ(out.Error, c.Error);
}

using Points = std::vector<std::int64_t>;

INSTANTIATE_TEST_SUITE_P(
    Curves, CurveTable,
    ::testing::Values(
        CurveCase{"StraightLine", 0, 100, 1, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}, 11, ""},
        CurveCase{"Square", 0, 100, 2, {0, 19, 36, 51, 64, 75, 84, 91, 96, 99, 100}, 11, ""},
        CurveCase{"SquareRoot", 0, 100, 0.5, {0, 5, 11, 16, 23, 29, 37, 45, 55, 68, 100}, 11, ""},
        // Column 5 is 87.5 exactly, which goes to the even 88.
        CurveCase{"Cube", 0, 100, 3, {0, 27, 49, 66, 78, 88, 94, 97, 99, 100, 100}, 11, ""},
        // Column 5 is 48.5 exactly, which goes to the even 48.
        CurveCase{"Max97", 0, 97, 1, {0, 10, 19, 29, 39, 48, 58, 68, 78, 87, 97}, 11, ""},
        CurveCase{"Min20Max80", 20, 80, 1, {20, 26, 32, 38, 44, 50, 56, 62, 68, 74, 80}, 11, ""},
        CurveCase{"Falling", 100, 0, 1, {100, 90, 80, 70, 60, 50, 40, 30, 20, 10, 0}, 11, ""},
        CurveCase{"ShapeZeroGivesMinEverywhere", 0, 100, 0, Points(11, 0), 11, ""},
        CurveCase{"ShapeZeroWithMin30", 30, 100, 0, Points(11, 30), 11, ""},
        // Column 5 is 616.5, which goes to the even 616.
        CurveCase{
            "Max1233", 0, 1233, 1, {0, 123, 247, 370, 493, 616, 740, 863, 986, 1110, 1233}, 11, ""},
        // A whole negative shape divides by the zero base of column 10.
        CurveCase{"MinusOne",
                  0,
                  100,
                  -1,
                  {0, -11, -25, -43, -67, -100, -150, -233, -400, -900},
                  10,
                  DivisionByZeroText},
        CurveCase{"MinusTwo",
                  0,
                  100,
                  -2,
                  {0, -23, -56, -104, -178, -300, -525, -1011, -2400, -9900},
                  10,
                  DivisionByZeroText},
        CurveCase{"MinusSixteen",
                  0,
                  100,
                  -16,
                  {0, -440, -3453, -29991, -354370, -6553500},
                  10,
                  DivisionByZeroText},
        // A negative shape that is not whole gives 0 at the zero base, so Max there.
        CurveCase{"MinusHalfReachesMaxAtTheEnd",
                  0,
                  100,
                  -0.5,
                  {0, -5, -12, -20, -29, -41, -58, -83, -124, -216, 100},
                  11,
                  ""},
        // Column 9 is about -10^22, beyond the 64-bit range.
        CurveCase{"MinusTwentyLeavesTheRange",
                  0,
                  100,
                  -20,
                  {0, -723, -8574, -125225, -2735011, -104857500, -9094946918, -2867971990692},
                  9,
                  InvalidOperationText},
        // 0.9 to the power -200000.5 exceeds the extended range.
        CurveCase{
            "HugeNegativeFractionOverflowsInColumnOne", 0, 100, -200000.5, {0}, 1, OverflowText},
        // (1 - a) * (Max - Min) beyond the extended range, with a finite power.
        CurveCase{"ProductBeyondTheExtendedRange", 0, 1e308, -102700.5, {0}, 1, OverflowText},
        // A whole power too small for the extended format (0.1^6000) is a division by zero as
        // well; with Min = Max the earlier columns stay at 0.
        CurveCase{"PowerUnderflowsToZero", 0, 0, -6000, Points(9, 0), 9, DivisionByZeroText}),
    [](const ::testing::TestParamInfo<CurveCase>& info) { return std::string(info.param.Name); });

TEST(Power, FollowsTheRulesForWholeAndFractionalExponents) {
    EXPECT_EQ(Power(0, 0), 1);
    EXPECT_EQ(Power(0.5L, 3), 0.125L);
    EXPECT_EQ(Power(2, -2), 0.25L);
    EXPECT_EQ(Power(0, 0.5), 0);
    EXPECT_EQ(Power(0, -0.5), 0);
    EXPECT_EQ(Power(0, 3), 0);
    // 2^31 - 1 is still whole: repeated squaring of 1 stays 1.
    EXPECT_EQ(Power(1, 2147483647.0), 1);
    // Beyond it the logarithm rule applies: 1 to any power is 1 there too, and 0 stays 0.
    EXPECT_EQ(Power(1, 2147483648.0), 1);
    EXPECT_EQ(Power(0, -2147483648.0), 0);
    EXPECT_NEAR(static_cast<double>(Power(0.25L, 0.5)), 0.5, 1e-18);
    EXPECT_THROW((void)Power(0, -1), std::runtime_error);
    EXPECT_THROW((void)Power(-0.5L, 0.5), std::runtime_error);
}

struct RoundCase {
    long double Value;
    std::int64_t Expected;
};

void PrintTo(const RoundCase& c, std::ostream* os) { *os << static_cast<double>(c.Value); }

class RoundTable : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundTable, RoundsHalvesToEven) {
    EXPECT_EQ(RoundHalfEven(GetParam().Value), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RoundTable,
    ::testing::Values(RoundCase{0.5L, 0}, RoundCase{1.5L, 2}, RoundCase{2.5L, 2},
                      RoundCase{-0.5L, 0}, RoundCase{-1.5L, -2}, RoundCase{-2.5L, -2},
                      RoundCase{2.4999L, 2}, RoundCase{-2.5001L, -3}, RoundCase{87.5L, 88},
                      RoundCase{-9223372036854775808.0L, std::numeric_limits<std::int64_t>::min()},
                      RoundCase{9223372036854775807.0L, std::numeric_limits<std::int64_t>::max()},
                      // The even neighbour of 2^63 - 1.5 lies inside the range.
                      RoundCase{9223372036854775806.5L, 9223372036854775806}));

TEST(RoundHalfEven, RefusesResultsOutsideTheSignedRange) {
    for (long double v :
         {9223372036854775807.5L, 9223372036854775808.0L, -9223372036854775809.0L, 1e22L, -1e22L}) {
        try {
            (void)RoundHalfEven(v);
            ADD_FAILURE() << "no error for " << static_cast<double>(v);
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), InvalidOperationText);
        }
    }
}

TEST(PointText, ShowsThreeSignificantDigitsAndScientificFromAThousand) {
    const std::vector<std::pair<std::int64_t, std::string>> cases{
        {0, "0"},           {100, "100"},      {-900, "-900"},    {999, "999"},
        {1000, "1E3"},      {1200, "1.2E3"},   {1233, "1.23E3"},  {1235, "1.24E3"},
        {-1011, "-1.01E3"}, {-2400, "-2.4E3"}, {-9900, "-9.9E3"}, {9999, "1E4"}};
    for (const auto& [point, text] : cases) EXPECT_EQ(PointText(point, '.'), text) << point;
    EXPECT_EQ(PointText(1233, ','), "1,23E3");
}

TEST(ReadCell, ReadsNumbersAndNamesTheTextThatIsNone) {
    EXPECT_EQ(ReadCell("50", '.'), 50);
    EXPECT_EQ(ReadCell(" 12.5 ", '.'), 12.5);
    EXPECT_EQ(ReadCell("1.23E3", '.'), 1230);
    EXPECT_EQ(ReadCell("-1.01E3", '.'), -1010);
    EXPECT_EQ(ReadCell("12,5", ','), 12.5);
    const std::vector<std::pair<std::string, std::string>> bad{
        {"abc", "'abc' is not a valid floating point value"},
        {"", "'' is not a valid floating point value"},
        {"12,5", "'12,5' is not a valid floating point value"},
        {"1e5000", "'1e5000' is not a valid floating point value"}};
    for (const auto& [text, message] : bad) {
        try {
            (void)ReadCell(text, '.');
            ADD_FAILURE() << "no error for " << text;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
    // A number of the extended range that a double cannot hold.
    try {
        (void)ReadCell("1e400", '.');
        ADD_FAILURE() << "no error for 1e400";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), OverflowText);
    }
}

TEST(PointByte, ScalesToAByteWithHalvesToEven) {
    const std::vector<std::pair<double, int>> cases{
        {0, 0x00},  {10, 0x1A}, {20, 0x33}, {30, 0x4C},  {40, 0x66}, {50, 0x80},   {60, 0x99},
        {70, 0xB2}, {80, 0xCC}, {90, 0xE6}, {100, 0xFF}, {1, 0x03},  {12.5, 0x20}, {99, 0xFC}};
    for (const auto& [v, byte] : cases) EXPECT_EQ(PointByte(v), byte) << v;
}

TEST(PointInRange, TakesZeroToHundredInclusive) {
    EXPECT_TRUE(PointInRange(0));
    EXPECT_TRUE(PointInRange(100));
    EXPECT_FALSE(PointInRange(-0.5));
    EXPECT_FALSE(PointInRange(100.5));
    EXPECT_FALSE(PointInRange(std::numeric_limits<double>::quiet_NaN()));
}

}  // namespace
}  // namespace pace
