// The numeric edit box, offscreen: what it shows, what a read returns, and its fall-back.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QString>
#include <QtGlobal>
#include <cfloat>
#include <optional>
#include <string>

#include "LocaleNumber.h"
#include "NumEdit.h"

namespace {

// A text written with '.' as separator, in the user's separator.
QString Shown(const char* text) {
    return QString::fromLatin1(text).replace(QLatin1Char('.'), pace::SystemDecimalSeparator());
}

// The separator that the user's locale does not use.
QString OtherSeparator() {
    return pace::SystemDecimalSeparator() == QLatin1String(",") ? QStringLiteral(".")
                                                                : QStringLiteral(",");
}

TEST(NumEdit, NewBoxShowsZero) {
    TNumEdit box;
    EXPECT_EQ(box.text(), QStringLiteral("0"));
    EXPECT_EQ(box.Decimals(), 0);
    EXPECT_EQ(box.Value(), 0.0);
    EXPECT_EQ(box.text(), QStringLiteral("0"));
}

TEST(NumEdit, FiltersNoKeys) {
    TNumEdit box;
    EXPECT_EQ(box.validator(), nullptr);
    EXPECT_TRUE(box.inputMask().isEmpty());
    box.clear();
    for (const char c : {'a', 'b', 'c'}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(c)));
        QCoreApplication::sendEvent(&box, &press);
    }
    EXPECT_EQ(box.text(), QStringLiteral("abc"));
}

// A window design sets the text first, then Value (when not 0), then Decimals.
struct DesignCase {
    const char* Name;
    const char* Text;
    std::optional<double> Value;
    int Decimals;
    const char* Expected;
};

class NumEditDesign : public ::testing::TestWithParam<DesignCase> {};

TEST_P(NumEditDesign, EndsWithTheValueFormatted) {
    const DesignCase& c = GetParam();
    TNumEdit box;
    box.setText(Shown(c.Text));
    if (c.Value) box.SetValue(*c.Value);
    box.SetDecimals(c.Decimals);
    EXPECT_EQ(box.text(), Shown(c.Expected));
    EXPECT_EQ(box.Decimals(), c.Decimals);
}

const DesignCase kDesignCases[] = {
    {"min_1", "1.0", 1.0, 1, "1.0"},
    {"shape_without_value", "0.0", std::nullopt, 1, "0.0"},
    {"max_100", "100.0", 100.0, 1, "100.0"},
    {"pin", "0", std::nullopt, 0, "0"},
    // The design's text is never parsed: only Value gives the box a value.
    {"text_alone_is_not_the_value", "7.5", std::nullopt, 1, "0.0"},
    {"stale_text_replaced", "42", 3.0, 2, "3.00"},
};

INSTANTIATE_TEST_SUITE_P(Cases, NumEditDesign, ::testing::ValuesIn(kDesignCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// Writes of Value format the text at once.
struct WriteCase {
    const char* Name;
    double Value;
    int Decimals;
    const char* Expected;
};

class NumEditWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(NumEditWrite, ShowsTheValueRounded) {
    const WriteCase& c = GetParam();
    TNumEdit box;
    box.SetDecimals(c.Decimals);
    box.SetValue(c.Value);
    EXPECT_EQ(box.text(), Shown(c.Expected));
}

const WriteCase kWriteCases[] = {
    {"half_up", 12.5, 0, "13"},
    {"half_away_not_to_even", 11.5, 0, "12"},
    {"negative_small_has_no_sign", -0.4, 0, "0"},
    {"pin_above_9999", 123456, 0, "123456"},
    {"one_decimal", 2.25, 1, "2.3"},
    {"fifteen_digits", 1234567890.123456, 6, "1234567890.123460"},
    {"beyond_fifteen_integer_digits", 1e15, 0, "1E15"},
    {"negative_decimals_show_whole_numbers", 2.5, -1, "3"},
};

INSTANTIATE_TEST_SUITE_P(Cases, NumEditWrite, ::testing::ValuesIn(kWriteCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// A read parses what was typed; what is not a number a double can hold leaves the value.
struct ReadCase {
    const char* Name;
    double Previous;
    int Decimals;
    QString Typed;
    double Expected;
    const char* ExpectedText;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.Name; }

class NumEditRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(NumEditRead, ReturnsTheParsedValueOrThePreviousOne) {
    const ReadCase& c = GetParam();
    TNumEdit box;
    box.SetDecimals(c.Decimals);
    box.SetValue(c.Previous);
    box.setText(c.Typed);
    EXPECT_EQ(box.Value(), c.Expected);
    EXPECT_EQ(box.text(), Shown(c.ExpectedText));
}

std::vector<ReadCase> ReadCases() {
    return {
        {"letters_fall_back", 1, 1, "abc", 1, "1.0"},
        {"empty_falls_back", 4, 0, "", 4, "4"},
        {"spaces_trimmed", 0, 1, Shown("  12.5  "), 12.5, "12.5"},
        {"value_not_rounded_text_is", 0, 1, Shown("2.25"), 2.25, "2.3"},
        {"negative_rounds_to_unsigned_zero", 5, 1, Shown("-0.04"), -0.04, "0.0"},
        {"exponent", 0, 0, "15e2", 1500, "1500"},
        {"other_separator_falls_back", 1, 1, "1" + OtherSeparator() + "5", 1, "1.0"},
        {"tab_falls_back", 2, 0, "\t3", 2, "2"},
        {"beyond_double_falls_back", 3, 1, "1e400", 3, "3.0"},
        {"beyond_extended_falls_back", 3, 1, "-1e5000", 3, "3.0"},
        {"just_beyond_double_falls_back", 3, 0, Shown("1.7976931348623159e308"), 3, "3"},
        {"largest_double_is_kept", 3, 0, Shown("1.7976931348623158e308"), DBL_MAX,
         "1.79769313486232E308"},
        {"underflow_reads_zero", 3, 1, "1e-400", 0, "0.0"},
        {"not_ascii_falls_back", 6, 0, QStringLiteral("\u0663"), 6, "6"},
    };
}

INSTANTIATE_TEST_SUITE_P(Cases, NumEditRead, ::testing::ValuesIn(ReadCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(NumEdit, SecondReadParsesTheRoundedText) {
    TNumEdit box;
    box.SetDecimals(1);
    box.setText(Shown("2.25"));
    EXPECT_EQ(box.Value(), 2.25);
    EXPECT_EQ(box.text(), Shown("2.3"));
    EXPECT_EQ(box.Value(), 2.3);
    EXPECT_EQ(box.text(), Shown("2.3"));
}

TEST(NumEdit, DecimalsWriteShowsTheHeldValueNotTheTypedText) {
    TNumEdit box;
    box.SetValue(1);
    box.setText(QStringLiteral("5"));
    box.SetDecimals(2);
    EXPECT_EQ(box.text(), Shown("1.00"));
    EXPECT_EQ(box.Value(), 1.0);
}

// The separator is the user's locale's; the comma run of this program sets a German locale.
TEST(NumEdit, UsesTheSystemLocaleSeparator) {
    const QString separator = QLocale::system().decimalPoint();
    if (QLocale::system().language() == QLocale::German) {
        EXPECT_EQ(separator, ",");
    }
    TNumEdit box;
    box.SetDecimals(2);
    box.SetValue(-1234.5);
    EXPECT_EQ(box.text(), "-1234" + separator + "50");
    box.setText("7" + separator + "25");
    EXPECT_EQ(box.Value(), 7.25);
}

// The locale-aware conversions also handle a separator outside ASCII (Arabic uses U+066B).
TEST(LocaleNumber, SeparatorOutsideAscii) {
    const QString arabic = QStringLiteral("\u066B");
    EXPECT_EQ(pace::FormatNumberText(2.25, 15, 2, arabic), QStringLiteral("2\u066B25"));
    EXPECT_EQ(pace::ParseNumberText(QStringLiteral(" 2\u066B5 "), arabic), 2.5L);
    EXPECT_FALSE(pace::ParseNumberText(QStringLiteral("2.5"), arabic).has_value());
    EXPECT_FALSE(pace::ParseNumberText(QStringLiteral("2\u066B5\u066B"), arabic).has_value());
}

}  // namespace
