// The grid and the parameter boxes write and read numbers with the user's decimal separator.
// These tests pass with any separator; tests.cmake runs them once more under a locale with a
// decimal comma (and then PACE_EXPECT_DECIMAL_COMMA makes sure that it is in force).
#include <gtest/gtest.h>

#include <QLocale>

#include "LocaleNumber.h"
#include "WindowFixture.h"

namespace pace::testing {
namespace {

class SeparatorTest : public SetupWindowTest {
protected:
    void SetUp() override {
        if (!qEnvironmentVariableIsEmpty("PACE_EXPECT_DECIMAL_COMMA")) {
            ASSERT_EQ(QLocale::system().decimalPoint(), ",");
        }
        SetupWindowTest::SetUp();
        LinkUp();
        Activate();
    }
    // A text written with '.' as separator, in the user's separator.
    static QString Local(const char* text) {
        return QString::fromLatin1(text).replace('.', SystemDecimalSeparator());
    }
    static QString Other(const char* text) {
        const QString other = SystemDecimalSeparator() == "," ? "." : ",";
        return QString::fromLatin1(text).replace('.', other);
    }
};

TEST_F(SeparatorTest, TheParameterBoxesAndTheScientificCellsUseIt) {
    EXPECT_EQ(Form->Min->text(), Local("0.0"));
    EXPECT_EQ(Form->Max->text(), Local("100.0"));
    EXPECT_EQ(Form->Shape->text(), Local("1.0"));
    Form->Shape->setText(Local("-2.0"));
    Form->SetCurveClick();
    EXPECT_EQ(Form->Curve->CellText(7), Local("-1.01E3"));
    EXPECT_EQ(ChartPoints().at(7), QPointF(70, -1010));
    EXPECT_EQ(BoxTexts(), std::vector<QString>{"Floating point division by zero."});

    Dialogs.Boxes.clear();
    Form->Shape->setText(Local("0.5"));
    Form->SetCurveClick();
    EXPECT_EQ(Cells().at(1), "5");
    EXPECT_TRUE(Dialogs.Boxes.empty());
}

TEST_F(SeparatorTest, CellsAreReadWithItAndRefusedWithTheOtherOne) {
    Form->Curve->SetCellText(1, Local("12.5"));
    Form->SendCurveClick();
    ASSERT_EQ(Frames().size(), 1u);
    EXPECT_EQ(static_cast<int>(Frames()[0][6]), 0x20);

    const QString other = Other("12.5");
    Form->Curve->SetCellText(1, other);
    Form->SendCurveClick();
    EXPECT_EQ(BoxTexts().back(), "'" + other + "' is not a valid floating point value.");
    EXPECT_EQ(Frames().size(), 1u);
}

}  // namespace
}  // namespace pace::testing
