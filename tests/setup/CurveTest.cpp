// The curve editor in the window: the cells and chart points that Set Curve gives, the errors
// and the columns they keep, hand edits reaching the chart, and the curve send.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "WindowFixture.h"

namespace pace::testing {
namespace {

const std::vector<QString> StartCells{"0",  "10", "20", "30", "40", "50",
                                      "60", "70", "80", "90", "100"};

struct CurveCase {
    const char* Name;
    const char *Min, *Max, *Shape;
    std::vector<QString> Cells;  // after the start curve was in the grid
    std::vector<double> Chart;   // the y of the chart points, x = 0, 10, 20 ...
    QString Error;               // the standard error box, if any
};

void PrintTo(const CurveCase& c, std::ostream* os) { *os << c.Name; }

class WindowCurveTable : public SetupWindowTest, public ::testing::WithParamInterface<CurveCase> {};

TEST_P(WindowCurveTable, SetCurveFillsCellsAndChartUpToTheFailingColumn) {
    const CurveCase& c = GetParam();
    Activate();
    ASSERT_EQ(Cells(), StartCells);
    Form->Min->setText(c.Min);
    Form->Max->setText(c.Max);
    Form->Shape->setText(c.Shape);
    Form->SetCurveClick();
    EXPECT_EQ(Cells(), c.Cells);
    std::vector<QPointF> expected;
    for (std::size_t i = 0; i < c.Chart.size(); ++i) expected.emplace_back(10.0 * i, c.Chart[i]);
    EXPECT_EQ(ChartPoints(), expected);
    if (c.Error.isEmpty()) {
        EXPECT_TRUE(Dialogs.Boxes.empty());
    } else {
        ASSERT_EQ(BoxTexts(), std::vector<QString>{c.Error});
        EXPECT_EQ(Dialogs.Boxes[0].Kind, "error");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Curves, WindowCurveTable,
    ::testing::Values(
        CurveCase{"Straight",
                  "0",
                  "100",
                  "1",
                  StartCells,
                  {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100},
                  ""},
        CurveCase{"Square",
                  "0",
                  "100",
                  "2",
                  {"0", "19", "36", "51", "64", "75", "84", "91", "96", "99", "100"},
                  {0, 19, 36, 51, 64, 75, 84, 91, 96, 99, 100},
                  ""},
        CurveCase{"SquareRoot",
                  "0",
                  "100",
                  "0.5",
                  {"0", "5", "11", "16", "23", "29", "37", "45", "55", "68", "100"},
                  {0, 5, 11, 16, 23, 29, 37, 45, 55, 68, 100},
                  ""},
        CurveCase{"Cube",
                  "0",
                  "100",
                  "3",
                  {"0", "27", "49", "66", "78", "88", "94", "97", "99", "100", "100"},
                  {0, 27, 49, 66, 78, 88, 94, 97, 99, 100, 100},
                  ""},
        CurveCase{"Max97",
                  "0",
                  "97",
                  "1",
                  {"0", "10", "19", "29", "39", "48", "58", "68", "78", "87", "97"},
                  {0, 10, 19, 29, 39, 48, 58, 68, 78, 87, 97},
                  ""},
        CurveCase{"Min20Max80",
                  "20",
                  "80",
                  "1",
                  {"20", "26", "32", "38", "44", "50", "56", "62", "68", "74", "80"},
                  {20, 26, 32, 38, 44, 50, 56, 62, 68, 74, 80},
                  ""},
        CurveCase{"Falling",
                  "100",
                  "0",
                  "1",
                  {"100", "90", "80", "70", "60", "50", "40", "30", "20", "10", "0"},
                  {100, 90, 80, 70, 60, 50, 40, 30, 20, 10, 0},
                  ""},
        CurveCase{"ShapeZero", "0", "100", "0", std::vector<QString>(11, "0"),
                  std::vector<double>(11, 0), ""},
        CurveCase{"MinusOne",
                  "0",
                  "100",
                  "-1",
                  {"0", "-11", "-25", "-43", "-67", "-100", "-150", "-233", "-400", "-900", "100"},
                  {0, -11, -25, -43, -67, -100, -150, -233, -400, -900},
                  "Floating point division by zero."},
        // Column 7 is -1011, shown with three digits and so charted at -1010.
        CurveCase{"MinusTwo",
                  "0",
                  "100",
                  "-2",
                  {"0", "-23", "-56", "-104", "-178", "-300", "-525", "-1.01E3", "-2.4E3", "-9.9E3",
                   "100"},
                  {0, -23, -56, -104, -178, -300, -525, -1010, -2400, -9900},
                  "Floating point division by zero."},
        CurveCase{"MinusHalf",
                  "0",
                  "100",
                  "-0.5",
                  {"0", "-5", "-12", "-20", "-29", "-41", "-58", "-83", "-124", "-216", "100"},
                  {0, -5, -12, -20, -29, -41, -58, -83, -124, -216, 100},
                  ""},
        CurveCase{"MinusTwenty",
                  "0",
                  "100",
                  "-20",
                  {"0", "-723", "-8.57E3", "-1.25E5", "-2.74E6", "-1.05E8", "-9.09E9", "-2.87E12",
                   "-9.54E15", "90", "100"},
                  {0, -723, -8570, -125000, -2740000, -105000000, -9090000000, -2870000000000,
                   -9540000000000000},
                  "Invalid floating point operation."},
        CurveCase{"MinusTwoHundredThousandAndAHalf",
                  "0",
                  "100",
                  "-200000.5",
                  {"0", "10", "20", "30", "40", "50", "60", "70", "80", "90", "100"},
                  {0},
                  "Floating point overflow."},
        CurveCase{"Max1233",
                  "0",
                  "1233",
                  "1",
                  {"0", "123", "247", "370", "493", "616", "740", "863", "986", "1.11E3", "1.23E3"},
                  {0, 123, 247, 370, 493, 616, 740, 863, 986, 1110, 1230},
                  ""},
        // Parameters that are no numbers fall back to the boxes' values, silently.
        CurveCase{"ParametersThatAreNoNumbers",
                  "x",
                  "1e999",
                  "abc",
                  StartCells,
                  {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100},
                  ""}),
    [](const ::testing::TestParamInfo<CurveCase>& info) { return std::string(info.param.Name); });

TEST_F(SetupWindowTest, SetCurveRewritesTheParameterBoxesAndEveryEditedCell) {
    Activate();
    Form->Curve->SetCellText(2, "33");
    Form->Curve->SetCellText(9, "abc");
    Form->Shape->setText(" 2 ");
    Form->SetCurveClick();
    EXPECT_EQ(Form->Shape->text(), "2.0");
    EXPECT_EQ(Cells(), (std::vector<QString>{"0", "19", "36", "51", "64", "75", "84", "91", "96",
                                             "99", "100"}));
    EXPECT_TRUE(Dialogs.Boxes.empty());
}

TEST_F(SetupWindowTest, ChoosingAnotherCurveNumberChangesNothingOnTheScreen) {
    Activate();
    Form->Curve->SetCellText(3, "55");
    const auto chart = ChartPoints();
    Form->CurveSelect->setCurrentIndex(7);
    EXPECT_EQ(Form->Curve->CellText(3), "55");
    EXPECT_EQ(ChartPoints(), chart);
}

// Typing into the grid the way a user does.
class GridEditing : public SetupWindowTest {
protected:
    void SetUp() override {
        SetupWindowTest::SetUp();
        ShowActive();
        Activate();
    }
    void ClickCell(int column) {
        const QRect cell = Form->Curve->visualRect(Form->Curve->model()->index(0, column));
        QTest::mouseClick(Form->Curve->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    }
    void Type(const QString& text) {
        QLineEdit* editor = Form->Curve->Editor();
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, text);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    [[nodiscard]] QPointF ChartPoint(int i) const {
        return ChartPoints().at(static_cast<std::size_t>(i));
    }
};

TEST_F(GridEditing, AClickOpensTheEditorWithTheTextSelectedAndEveryKeystrokeReachesTheCell) {
    ClickCell(3);
    EXPECT_EQ(Form->Curve->currentColumn(), 3);
    QLineEdit* editor = Form->Curve->Editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->selectedText(), "30");
    Type("4");
    EXPECT_EQ(Form->Curve->CellText(3), "4");
    Type("2");
    EXPECT_EQ(Form->Curve->CellText(3), "42");
    // Editing in the middle of the text keeps the cursor where it is.
    Key(Qt::Key_Left);
    Type("1");
    EXPECT_EQ(Form->Curve->CellText(3), "412");
    // Enter and Escape leave the editor open.
    Key(Qt::Key_Return);
    Key(Qt::Key_Escape);
    EXPECT_EQ(Form->Curve->Editor(), editor);
    EXPECT_EQ(Form->Curve->CellText(3), "412");
}

TEST_F(GridEditing, AHandEditReachesTheChartOnTabAndOnAClick) {
    ClickCell(3);
    Type("50");
    EXPECT_EQ(ChartPoint(3), QPointF(30, 30));  // not yet
    Key(Qt::Key_Tab);
    EXPECT_EQ(Form->Curve->currentColumn(), 4);
    EXPECT_EQ(ChartPoint(3), QPointF(30, 50));
    ASSERT_NE(Form->Curve->Editor(), nullptr);

    Type("60");
    ClickCell(8);
    EXPECT_EQ(Form->Curve->currentColumn(), 8);
    EXPECT_EQ(ChartPoint(4), QPointF(40, 60));
    EXPECT_EQ(ChartPoints().size(), 11u);

    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(Form->Curve->currentColumn(), 7);
    EXPECT_TRUE(Dialogs.Boxes.empty());
}

TEST_F(GridEditing, AClickOnTheCurrentCellRedrawsTheChartToo) {
    ClickCell(6);
    Type("5");
    Form->Shape->setFocus(Qt::MouseFocusReason);
    Form->Curve->SetCellText(6, "66");  // written behind the chart's back
    ClickCell(6);
    EXPECT_EQ(ChartPoint(6), QPointF(60, 66));
}

TEST_F(GridEditing, ANumberErrorLeavesTheChartWithTheCellsBeforeIt) {
    ClickCell(3);
    Type("abc");
    ClickCell(6);
    ASSERT_EQ(BoxTexts(), std::vector<QString>{"'abc' is not a valid floating point value."});
    EXPECT_EQ(Dialogs.Boxes[0].Kind, "error");
    EXPECT_EQ(ChartPoints().size(), 3u);
    EXPECT_EQ(Form->Curve->CellText(3), "abc");

    // An empty cell names nothing between the apostrophes. (The click back into the bad cell
    // redraws the chart, and so reports it once more.)
    Dialogs.Boxes.clear();
    ClickCell(3);
    Key(Qt::Key_Backspace);
    ClickCell(5);
    EXPECT_EQ(BoxTexts(), (std::vector<QString>{"'abc' is not a valid floating point value.",
                                                "'' is not a valid floating point value."}));
}

// A real error box takes the focus while it is open, and the grid's editor closes with it.
// Once the box is gone the user is still in the current cell, with its editor open.
TEST(GridAfterErrorBox, TheEditorIsBackInTheCurrentCell) {
    FakeSerialPort port;
    FakePortList ports;
    FakeTickTimer timer;
    FakeClock clock;
    QtDialogs boxes(QString::fromLatin1(TSetupMain::ApplicationTitle));
    TSetupMain::TForm1 form(port, ports, timer, clock.AsFunction(), boxes);
    boxes.SetOwner(&form);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    auto clickCell = [&](int column) {
        const QRect cell = form.Curve->visualRect(form.Curve->model()->index(0, column));
        QTest::mouseClick(form.Curve->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    };
    clickCell(3);
    QTest::keyClicks(form.Curve->Editor(), "abc");

    // Closes the box as soon as its own event loop runs.
    QString shown, caption;
    std::function<void()> answer = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return QTimer::singleShot(0, answer);
        shown = box->text();
        caption = box->windowTitle();
        // As on a desktop, the box becomes the active window while it shows.
        QApplication::setActiveWindow(box);
        box->close();
    };
    QTimer::singleShot(0, answer);
    clickCell(6);
    EXPECT_EQ(shown, "'abc' is not a valid floating point value.");
    EXPECT_EQ(caption, "Valdrenna Throttle Setup");
    // The window manager hands the activation back to the window.
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    EXPECT_EQ(form.Curve->currentColumn(), 6);
    QLineEdit* editor = form.Curve->Editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(QApplication::focusWidget(), editor);
    QTest::keyClicks(editor, "1");
    EXPECT_EQ(form.Curve->CellText(6), "1");
}

TEST_F(GridEditing, LeavingTheGridForAnotherControlRedrawsTheChart) {
    ClickCell(9);
    Type("12.5");
    QTest::mouseClick(Form->Shape, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), Form->Shape);
    EXPECT_EQ(ChartPoint(9), QPointF(90, 12.5));
    EXPECT_EQ(Form->Curve->CellText(9), "12.5");
}

TEST_F(GridEditing, TheArrowKeysMoveOnlyFromTheEdgesOfTheText) {
    ClickCell(5);
    // The whole text is selected: Right goes to the next cell.
    Type("7");
    Key(Qt::Key_Left);  // the cursor is at the end of "7": Left moves inside the text
    EXPECT_EQ(Form->Curve->currentColumn(), 5);
    Key(Qt::Key_Left);  // now at the start: on to the cell before
    EXPECT_EQ(Form->Curve->currentColumn(), 4);
    EXPECT_EQ(ChartPoint(5), QPointF(50, 7));
    Key(Qt::Key_Right);  // all of "40" selected on entry
    EXPECT_EQ(Form->Curve->currentColumn(), 5);
    // The last cell stays the last one.
    ClickCell(10);
    Key(Qt::Key_Right);
    EXPECT_EQ(Form->Curve->currentColumn(), 10);
}

TEST_F(GridEditing, TabKeepsGoingRoundTheCellsInsideTheGrid) {
    ClickCell(10);
    Key(Qt::Key_Tab);
    EXPECT_EQ(Form->Curve->currentColumn(), 0);
    EXPECT_NE(Form->Curve->Editor(), nullptr);
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(Form->Curve->currentColumn(), 10);
    EXPECT_NE(Form->Curve->Editor(), nullptr);
}

TEST_F(GridEditing, TheGridIsNoStopOfTheWindowsTabOrder) {
    Form->CurveSelect->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Form->CarId);
    EXPECT_EQ(Form->Curve->focusPolicy(), Qt::ClickFocus);
}

class CurveSend : public SetupWindowTest {
protected:
    void SetUp() override {
        SetupWindowTest::SetUp();
        LinkUp();
        Activate();
    }
};

TEST_F(CurveSend, TheStartCurveGoesOutByteForByteUnderTheChosenNumber) {
    Form->SendCurveClick();
    const ByteString curve0 = Bytes({'D', 0x20, 'T', 'C', 0x00, 0x00, 0x1A, 0x33, 0x4C, 0x66, 0x80,
                                     0x99, 0xB2, 0xCC, 0xE6, 0xFF}) +
                              ByteString(18, '\0');
    ASSERT_EQ(Frames(), std::vector<ByteString>{curve0});
    EXPECT_EQ(BoxTexts(), std::vector<QString>{ConfigurePrompt});
    EXPECT_EQ(Dialogs.Boxes[0].Caption, "Setup Throttle");

    Form->CurveSelect->setCurrentIndex(9);
    Form->SendCurveClick();
    ByteString curve9 = curve0;
    curve9[4] = 0x09;
    ASSERT_EQ(Frames().size(), 2u);
    EXPECT_EQ(Frames()[1], curve9);
    EXPECT_EQ(Form->CurveCommand, curve9.substr(2, 14));
}

TEST_F(CurveSend, PointsAreSentAsTheCellsHoldThem) {
    Form->Curve->SetCellText(1, "12.5");
    Form->Curve->SetCellText(2, " 1 ");
    Form->Curve->SetCellText(3, "99");
    Form->Curve->SetCellText(4, "1E2");
    Form->SendCurveClick();
    ASSERT_EQ(Frames().size(), 1u);
    EXPECT_EQ(Frames()[0].substr(4, 6), Bytes({0x00, 0x00, 0x20, 0x03, 0xFC, 0xFF}));
}

TEST_F(CurveSend, APointOutOfRangeIsRefusedBeforeThePromptEvenWithABadCellAfterIt) {
    for (const char* bad : {"100.5", "-0.5", "1.23E3"}) {
        Dialogs.Boxes.clear();
        Form->Curve->SetCellText(2, QString::fromLatin1(bad));
        Form->Curve->SetCellText(7, "abc");
        Form->SendCurveClick();
        ASSERT_EQ(BoxTexts(),
                  std::vector<QString>{"Curve Points must be between 0 and 100% Inclusive"})
            << bad;
        EXPECT_EQ(Dialogs.Boxes[0].Caption, "Curve Point Range Error");
        EXPECT_EQ(Dialogs.Boxes[0].Kind, "message");
        // The payload as far as it got.
        EXPECT_EQ(Form->CurveCommand, Bytes({'T', 'C', 0, 0x00, 0x1A}));
    }
    EXPECT_TRUE(Frames().empty());
    EXPECT_EQ(Form->Curve->CellText(2), "1.23E3");
    EXPECT_EQ(ChartPoints().size(), 11u);
}

TEST_F(CurveSend, ACellThatIsNoNumberStopsTheSendWithoutThePrompt) {
    Form->Curve->SetCellText(4, "abc");
    Form->SendCurveClick();
    ASSERT_EQ(BoxTexts(), std::vector<QString>{"'abc' is not a valid floating point value."});
    EXPECT_EQ(Dialogs.Boxes[0].Kind, "error");
    Form->Curve->SetCellText(4, "1e400");
    Form->SendCurveClick();
    EXPECT_EQ(BoxTexts().back(), "Floating point overflow.");
    EXPECT_TRUE(Frames().empty());
}

TEST_F(CurveSend, TheLargestCurveOfSetCurveIsRefused) {
    Form->Max->setText("1233");
    Form->SetCurveClick();
    Form->SendCurveClick();
    EXPECT_EQ(BoxTexts(),
              std::vector<QString>{"Curve Points must be between 0 and 100% Inclusive"});
    EXPECT_TRUE(Frames().empty());
}

}  // namespace
}  // namespace pace::testing
