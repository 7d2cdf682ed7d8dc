// The setup window as it starts: defaults, design geometry, captions that fit, the window
// frame, tab order and start focus, the once-only first activation, the curve parameter boxes
// and the car ID box.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QValueAxis>

#include "WindowFixture.h"

namespace pace::testing {
namespace {

using StartTest = SetupWindowTest;

TEST_F(StartTest, AFreshWindowHoldsTheDefaultsOfItsDesign) {
    TSetupMain::TForm1& f = *Form;
    EXPECT_EQ(f.windowTitle(), "Valdrena Throttle Setup V4.1");
    EXPECT_EQ(f.size(), QSize(454, 410));
    EXPECT_EQ(f.minimumSize(), f.maximumSize());

    ASSERT_EQ(f.CarId->count(), 24);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(f.CarId->itemText(i), QString::number(i + 1));
    EXPECT_EQ(f.CarId->currentIndex(), 0);
    EXPECT_EQ(f.CarId->currentText(), "1");
    EXPECT_TRUE(f.CarId->isEditable());
    EXPECT_EQ(f.CarId->completer(), nullptr);

    EXPECT_EQ(f.PIN->text(), "7149");
    EXPECT_EQ(f.OwnerName->text(), "Valdrena");
    EXPECT_GE(f.OwnerName->maxLength(), 1 << 30);
    ASSERT_EQ(f.CurveSelect->count(), 10);
    EXPECT_FALSE(f.CurveSelect->isEditable());
    EXPECT_EQ(f.CurveSelect->currentText(), "0");
    EXPECT_GE(f.CurveSelect->maxVisibleItems(), 10);
    EXPECT_EQ(f.Min->text(), "0.0");
    EXPECT_EQ(f.Max->text(), "100.0");
    EXPECT_EQ(f.Shape->text(), "1.0");
    EXPECT_EQ(f.CName->text(), "");
    EXPECT_TRUE(f.CName->isReadOnly());

    EXPECT_FALSE(f.SendDriver->isEnabled());
    EXPECT_FALSE(f.SetId->isEnabled());
    EXPECT_FALSE(f.SendCurve->isEnabled());
    EXPECT_TRUE(f.SetCurve->isEnabled());
    EXPECT_EQ(f.SetId->text(), "Send ID && PIN");

    // Before the first activation the grid and the chart are empty; no cell is current.
    EXPECT_EQ(Cells(), std::vector<QString>(11, QString()));
    EXPECT_TRUE(ChartPoints().empty());
    EXPECT_FALSE(f.Curve->currentIndex().isValid());
    EXPECT_TRUE(f.Curve->selectedItems().isEmpty());

    // FormCreate ran: the port list is read and the probe timer runs.
    EXPECT_EQ(Ports.Reads, 1);
    EXPECT_TRUE(Timer.IsOn());
    EXPECT_EQ(f.Link().PortIndex(), -1);
    EXPECT_TRUE(f.IdCommand.empty());
    EXPECT_TRUE(f.CurveCommand.empty());
}

TEST_F(StartTest, TheWindowIsAFixedSizeTopLevelWindowWithOnlyACloseBox) {
    const Qt::WindowFlags flags = Form->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask,
              Qt::Window);  // not a tool window: it keeps its task bar entry
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(Form->palette().color(QPalette::Window), QColor(166, 202, 240));
    EXPECT_EQ(Form->Curve->palette().color(QPalette::Base), QColor(166, 202, 240));
    EXPECT_TRUE(Form->autoFillBackground());
}

TEST_F(StartTest, EveryControlUsesTheWindowFontAtEightPoints) {
    const QFont font = Form->font();
    EXPECT_EQ(font.families(), (QStringList{"MS Sans Serif", "Liberation Sans"}));
    EXPECT_EQ(font.pointSize(), 8);
    EXPECT_FALSE(font.bold());
    const QFontInfo used(font);
    EXPECT_TRUE(used.family() == "MS Sans Serif" || used.family() == "Liberation Sans")
        << used.family().toStdString();
    for (QWidget* child : Form->findChildren<QWidget*>()) {
        EXPECT_EQ(child->font().families(), font.families()) << child->objectName().toStdString();
        EXPECT_EQ(child->font().pointSize(), 8);
    }
}

TEST_F(StartTest, ControlsStandWhereTheDesignPutsThem) {
    TSetupMain::TForm1& f = *Form;
    struct Placed {
        QWidget* Control;
        QRect Design;
    };
    const std::vector<Placed> controls{
        {f.CName, {8, 8, 65, 21}},          {f.CarId, {360, 8, 57, 21}},
        {f.OwnerName, {216, 33, 65, 21}},   {f.PIN, {360, 35, 56, 21}},
        {f.SendDriver, {176, 74, 105, 17}}, {f.SetId, {312, 74, 105, 17}},
        {f.CurveSelect, {8, 120, 36, 21}},  {f.Curve, {56, 120, 377, 24}},
        {f.Chart1, {16, 159, 417, 217}},    {f.Min, {42, 382, 33, 21}},
        {f.Max, {110, 382, 33, 21}},        {f.Shape, {189, 382, 33, 21}},
        {f.SetCurve, {240, 385, 57, 17}},   {f.SendCurve, {320, 385, 105, 17}},
    };
    for (const auto& c : controls)
        EXPECT_EQ(c.Control->geometry(), c.Design) << c.Control->metaObject()->className();

    // Labels keep their place and grow to their text, as auto-sized labels do.
    const std::vector<std::pair<QLabel*, QRect>> labels{
        {f.Label3, {336, 12, 11, 13}}, {f.Label9, {176, 38, 31, 13}}, {f.Label1, {329, 38, 18, 13}},
        {f.Label2, {8, 101, 78, 13}},  {f.Label7, {16, 385, 20, 13}}, {f.Label5, {81, 385, 23, 13}},
        {f.Label6, {149, 385, 34, 13}}};
    for (const auto& [label, design] : labels) {
        EXPECT_EQ(label->pos(), design.topLeft()) << label->text().toStdString();
        EXPECT_GE(label->width(), design.width());
        EXPECT_GE(label->height(), design.height());
    }
    EXPECT_EQ(f.Label3->text(), "ID");
    EXPECT_EQ(f.Label9->text(), "Driver:");
    EXPECT_EQ(f.Label1->text(), "PIN");
    EXPECT_EQ(f.Label2->text(), "Throttle Curve %");
    EXPECT_EQ(f.Label7->text(), "Min:");
    EXPECT_EQ(f.Label5->text(), "Max:");
    EXPECT_EQ(f.Label6->text(), "Shape:");

    // The grid: one row of eleven cells of 33 pixels (and their grid line), no headers, no
    // scroll bars, the row filling the grid.
    EXPECT_EQ(f.Curve->rowCount(), 1);
    ASSERT_EQ(f.Curve->columnCount(), 11);
    for (int c = 0; c < 11; ++c) EXPECT_EQ(f.Curve->columnWidth(c), 34);
    EXPECT_FALSE(f.Curve->horizontalHeader()->isVisible());
    EXPECT_FALSE(f.Curve->verticalHeader()->isVisible());
    EXPECT_EQ(f.Curve->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(f.Curve->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(f.Curve->rowHeight(0), f.Curve->height() - 2 * f.Curve->frameWidth());
    EXPECT_LE(11 * 34, f.Curve->width());
}

// The text of a label or button must fit inside the room its control leaves for it.
TEST_F(StartTest, NoCaptionIsClipped) {
    TSetupMain::TForm1& f = *Form;
    Form->show();
    for (QLabel* label : f.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(Form.get())) continue;
        const QFontMetrics metrics(label->font());
        const QRect room = label->contentsRect();
        EXPECT_LE(metrics.horizontalAdvance(label->text()), room.width())
            << label->text().toStdString();
        EXPECT_LE(metrics.height(), room.height()) << label->text().toStdString();
        // Nothing covers a label from the right: the control after it starts beyond its text.
        for (QWidget* other : f.findChildren<QWidget*>()) {
            if (other == label || other->parentWidget() != Form.get() || !other->isVisible())
                continue;
            const QRect text(label->pos(),
                             QSize(metrics.horizontalAdvance(label->text()), metrics.height()));
            EXPECT_FALSE(text.intersects(other->geometry()))
                << label->text().toStdString() << " under " << other->metaObject()->className();
        }
    }
    for (QPushButton* button : f.findChildren<QPushButton*>()) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect room =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        const QFontMetrics metrics(button->font());
        const QString shown = QString(button->text()).replace("&&", "&");
        EXPECT_LE(metrics.horizontalAdvance(shown), room.width()) << shown.toStdString();
        EXPECT_LE(metrics.ascent() + metrics.descent(), button->height()) << shown.toStdString();
    }
}

TEST_F(StartTest, TheChartShowsFixedAxesAndOneRoundMarkedLine) {
    QChart* chart = Form->Chart1->chart();
    EXPECT_FALSE(chart->legend()->isVisible());
    EXPECT_TRUE(chart->title().isEmpty());
    EXPECT_EQ(chart->backgroundBrush().color(), QColor(Qt::white));
    EXPECT_EQ(Form->Chart1->rubberBand(), QChartView::NoRubberBand);
    ASSERT_EQ(chart->series().size(), 1);
    EXPECT_EQ(Form->CurvePoints->color(), QColor(255, 0, 128));
    EXPECT_TRUE(Form->CurvePoints->pointsVisible());
    EXPECT_FALSE(Form->CurvePoints->pointLabelsVisible());

    auto* x = qobject_cast<QValueAxis*>(chart->axes(Qt::Horizontal).value(0));
    auto* y = qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).value(0));
    ASSERT_TRUE(x && y);
    EXPECT_EQ(x->titleText(), "Throttle Position");
    EXPECT_EQ(y->titleText(), "Motor Drive");
    // Points far outside do not move the axes.
    Form->Max->setText("1233");
    Form->SetCurveClick();
    Form->CurvePoints->append(50, -900);
    for (QValueAxis* axis : {x, y}) {
        EXPECT_EQ(axis->min(), 0);
        EXPECT_EQ(axis->max(), 100);
    }
}

TEST_F(StartTest, OnlyTheFirstActivationComputesTheCurve) {
    Activate();
    const std::vector<QString> straight{"0",  "10", "20", "30", "40", "50",
                                        "60", "70", "80", "90", "100"};
    EXPECT_EQ(Cells(), straight);
    ASSERT_EQ(ChartPoints().size(), 11u);
    for (int c = 0; c < 11; ++c) EXPECT_EQ(ChartPoints()[c], QPointF(10 * c, 10 * c));

    // A hand edit and new parameters survive every later activation.
    Form->Curve->SetCellText(4, "33");
    Form->Shape->setText("2.0");
    Activate();
    Activate();
    EXPECT_EQ(Form->Curve->CellText(4), "33");
    EXPECT_EQ(Form->Curve->CellText(1), "10");
    EXPECT_TRUE(Dialogs.Boxes.empty());
}

TEST_F(StartTest, FocusStartsInCarIdAndTabSkipsTheDisabledSendButtons) {
    ShowActive();
    EXPECT_EQ(QApplication::focusWidget(), Form->CarId);

    TSetupMain::TForm1& f = *Form;
    auto visit = [&](int presses) {
        std::vector<QWidget*> visited{QApplication::focusWidget()};
        for (int i = 0; i < presses; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.push_back(QApplication::focusWidget());
        }
        return visited;
    };
    const std::vector<QWidget*> beforeLink{f.CarId, f.Shape,     f.Max,         f.SetCurve, f.Min,
                                           f.PIN,   f.OwnerName, f.CurveSelect, f.CarId};
    EXPECT_EQ(visit(8), beforeLink);

    LinkUp();
    const std::vector<QWidget*> linked{f.CarId,     f.SetId,      f.SendCurve,   f.Shape,
                                       f.Max,       f.SetCurve,   f.Min,         f.PIN,
                                       f.OwnerName, f.SendDriver, f.CurveSelect, f.CarId};
    EXPECT_EQ(visit(11), linked);
}

TEST_F(StartTest, EveryClickInACurveParameterBoxSelectsItsWholeText) {
    ShowActive();
    for (TNumEdit* box : {Form->Min, Form->Max, Form->Shape}) {
        for (int click = 0; click < 3; ++click) {
            QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier,
                              QPoint(3 + 6 * click, box->height() / 2));
            EXPECT_EQ(QApplication::focusWidget(), box);
            EXPECT_EQ(box->selectedText(), box->text()) << "click " << click;
        }
    }
    // Tab into a box selects it too.
    Form->Max->setFocus(Qt::MouseFocusReason);
    Form->Max->deselect();
    QTest::keyClick(Form->Max, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Form->SetCurve);
    QTest::keyClick(Form->SetCurve, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Form->Min);
    EXPECT_EQ(Form->Min->selectedText(), "0.0");
}

TEST_F(StartTest, TypedCarIdTextNeverBecomesAnEntry) {
    ShowActive();
    QLineEdit* edit = Form->CarId->lineEdit();
    edit->selectAll();
    QTest::keyClicks(edit, "abc");
    QTest::keyClick(edit, Qt::Key_Return);
    edit->selectAll();
    QTest::keyClicks(edit, "25");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(Form->CarId->count(), 24);
    EXPECT_EQ(Form->CarId->findText("abc"), -1);
    EXPECT_EQ(Form->CarId->currentText(), "25");
}

}  // namespace
}  // namespace pace::testing
