// The test window on the in-memory port, the tick timer stepped by hand.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Fakes.h"
#include "Frames.h"
#include "Shown.h"
#include "TTMain.h"

namespace pace::testing {
namespace {

using namespace std::chrono_literals;
using TTMain::TForm1;

// The window on the in-memory seams.
struct WindowHarness {
    WindowHarness() {
        Ports.SetPorts({"COM1", "COM3"});
        Form = std::make_unique<TForm1>(Port, Ports, Timer, Clock.AsFunction(), Dialogs);
    }

    void Tick() {
        Clock.Advance(200ms);
        Timer.Tick();
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) Tick();
    }
    // COM1 stays silent, COM3 answers the hello byte: afterwards the window is ready.
    void LinkUp() {
        Tick();  // probes COM1
        Tick();  // probes COM3
        Port.Receive(OnWire(HelloReply));
        Tick();  // links up
        ASSERT_TRUE(Form->Start->isEnabled());
    }
    // After Close or a loss: ticks until COM3 has been probed again, then it answers.
    void FindAgain() {
        for (int i = 0; i < 10 && !(Form->Link().PortIndex() == 1 && Port.IsOpen()); ++i) Tick();
        ASSERT_EQ(Port.Device, "COM3");
        Port.Receive(OnWire(HelloReply));
        Tick();
        ASSERT_TRUE(Form->Start->isEnabled());
    }
    void StartMonitoring() {
        LinkUp();
        Form->Start->click();
        ASSERT_EQ(Form->Start->text(), "Close");
    }
    // A telemetry frame arriving, put on the controls at once.
    void Show(const ByteString& content) {
        Port.Receive(OnWire(content));
        Form->RefreshDisplay();
    }
    // The poll commands written so far.
    std::vector<ByteString> Polls() const {
        std::vector<ByteString> polls;
        for (const auto& w : Port.Writes)
            if (!w.Bytes.empty() && w.Bytes[0] == 'C') polls.push_back(w.Bytes);
        return polls;
    }

    FakeSerialPort Port;
    FakePortList Ports;
    FakeTickTimer Timer;
    FakeClock Clock;
    RecordingDialogs Dialogs;
    std::unique_ptr<TForm1> Form;
};

class TestWindow : public ::testing::Test, protected WindowHarness {};

TEST_F(TestWindow, StartsWithTheDesignedWindowAndLooksForTheTransceiver) {
    EXPECT_EQ(Form->windowTitle(), "Valdrenna Throttle Test V1.1");
    EXPECT_EQ(Form->size(), QSize(206, 324));
    EXPECT_EQ(Form->palette().color(QPalette::Window), SkyBlue);
    EXPECT_TRUE(Form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(Form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(Form->windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_EQ(Form->font().families(), (QStringList{"MS Sans Serif", "Liberation Sans"}));
    EXPECT_EQ(Form->font().pointSize(), 8);

    const struct {
        const char* Name;
        QRect Place;
        const char* Caption;
    } controls[] = {
        {"Label1", {112, 11, 11, 13}, "ID"},      {"Label2", {104, 288, 36, 13}, "Throttle"},
        {"Label3", {168, 288, 28, 13}, "Brake"},  {"NoSignal", {24, 288, 46, 13}, "No Signal"},
        {"Label6", {24, 176, 35, 13}, "Version"}, {"Start", {8, 68, 73, 27}, "Start"},
        {"Label7", {112, 38, 18, 13}, "PIN"},     {"ID", {136, 8, 49, 21}, " 1"},
        {"LC", {8, 128, 73, 33}, "Lane Change"},  {"Version", {24, 200, 41, 21}, ""},
        {"Brake", {163, 68, 22, 213}, nullptr},   {"Throttle", {118, 68, 22, 214}, nullptr},
        {"PIN", {136, 35, 49, 21}, "0"},          {"CName", {8, 8, 65, 21}, ""},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.Name);
        const auto* widget = Form->findChild<QWidget*>(c.Name);
        ASSERT_NE(widget, nullptr);
        const auto* caption = qobject_cast<const QLabel*>(widget);
        if (caption && caption != Form->LC) {
            // A caption keeps its place and grows where the font needs more room.
            EXPECT_EQ(widget->pos(), c.Place.topLeft());
            EXPECT_GE(widget->width(), c.Place.width());
            EXPECT_GE(widget->height(), c.Place.height());
            EXPECT_GE(widget->width(), caption->fontMetrics().horizontalAdvance(c.Caption));
        } else {
            EXPECT_EQ(widget->geometry(), c.Place);
        }
        EXPECT_FALSE(widget->isHidden());
        if (!c.Caption) continue;
        QString text;
        if (const auto* label = qobject_cast<const QLabel*>(widget)) text = label->text();
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            text = button->text();
        if (const auto* box = qobject_cast<const QLineEdit*>(widget)) text = box->text();
        if (const auto* combo = qobject_cast<const QComboBox*>(widget)) text = combo->currentText();
        EXPECT_EQ(text, c.Caption);
    }

    QStringList items;
    for (int i = 0; i < Form->ID->count(); ++i) items << Form->ID->itemText(i);
    EXPECT_EQ(items, (QStringList{" 1", " 2",  " 3",  " 4",  " 5",  " 6",  " 7",  " 8",
                                  " 9", " 10", " 11", " 12", " 13", " 14", " 15", " 16",
                                  "17", "18",  "19",  "20",  "21",  "22",  "23",  "24"}));
    EXPECT_EQ(Form->ID->currentIndex(), 0);
    EXPECT_TRUE(Form->ID->isEditable());
    EXPECT_EQ(Form->ID->completer(), nullptr);

    for (auto* bar : {Form->Throttle, Form->Brake}) {
        EXPECT_EQ(bar->orientation(), Qt::Vertical);
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 255);
    }
    for (const QLineEdit* box : {Form->Version, static_cast<QLineEdit*>(Form->PIN), Form->CName})
        EXPECT_TRUE(box->isReadOnly());
    EXPECT_EQ(Form->PIN->Decimals(), 0);
    EXPECT_EQ(Form->LC->frameShadow(), QFrame::Raised);
    EXPECT_EQ(Form->LC->lineWidth(), 2);
    EXPECT_EQ(Shown(*Form), "throttle 0, brake 0, LC sky blue, PIN 0, version '', no signal shown");

    EXPECT_FALSE(Form->Start->isEnabled());
    EXPECT_EQ(Form->Start->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(Ports.Reads, 1);
    EXPECT_TRUE(Timer.On);
    EXPECT_EQ(Form->Link().PortIndex(), -1);
    EXPECT_TRUE(Dialogs.Boxes.empty());
}

TEST_F(TestWindow, TabReachesOnlyTheIdBox) {
    Form->show();
    QApplication::setActiveWindow(Form.get());
    Form->ID->setFocus();
    ASSERT_TRUE(Form->ID->hasFocus());
    for (auto key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Backtab}) {
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_TRUE(Form->ID->hasFocus())
            << "focus on " << QApplication::focusWidget()->objectName().toStdString();
    }
}

TEST_F(TestWindow, ProbesThePortsAndEnablesStartAtTheLinkUp) {
    Tick();
    EXPECT_EQ(Form->CName->text(), "COM1");
    EXPECT_FALSE(Form->Start->isEnabled());
    Tick();
    EXPECT_EQ(Form->CName->text(), "COM3");
    Port.Receive(OnWire(HelloReply));
    EXPECT_TRUE(Form->Link().LinkFound());
    EXPECT_FALSE(Form->Start->isEnabled());
    Tick();
    EXPECT_TRUE(Form->Start->isEnabled());
    EXPECT_FALSE(Timer.On);
    EXPECT_EQ(Port.WrittenTo("COM3"), Bytes({0x4E, 'Z', 'S', 0, 'E', 0, 'P', 0x0A}));
    EXPECT_EQ(Form->Start->text(), "Start");
}

TEST_F(TestWindow, StartPollsTheCarOfTheIdBoxOnceOnTheFirstTick) {
    const struct {
        const char* Name;
        std::function<void(QComboBox*)> Choose;
        int CarCode;
    } cases[] = {
        {"entry \" 1\"", [](QComboBox*) {}, 0x1C},
        {"entry \"24\"", [](QComboBox* id) { id->setCurrentIndex(23); }, 0x33},
        {"entry \" 5\"", [](QComboBox* id) { id->setCurrentIndex(4); }, 0x20},
        {"typed 5", [](QComboBox* id) { id->setEditText("5"); }, 0x20},
        {"typed ' 17 '", [](QComboBox* id) { id->setEditText(" 17 "); }, 0x2C},
        {"typed 05", [](QComboBox* id) { id->setEditText("05"); }, 0x1B},
        {"typed abc", [](QComboBox* id) { id->setEditText("abc"); }, 0x1B},
        {"typed nothing", [](QComboBox* id) { id->setEditText(""); }, 0x1B},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        WindowHarness t;
        t.LinkUp();
        c.Choose(t.Form->ID);
        const auto writesBefore = t.Port.Writes.size();
        t.Form->Start->click();
        EXPECT_EQ(t.Port.Writes.size(), writesBefore) << "nothing is written at the click";
        EXPECT_TRUE(t.Timer.On);
        t.Tick();
        EXPECT_EQ(t.Polls(), std::vector<ByteString>{Bytes({0x43, c.CarCode})});
        t.Form->ID->setCurrentIndex(10);  // no effect until Close and Start
        t.Ticks(60);
        EXPECT_EQ(t.Polls().size(), 1u);
        EXPECT_EQ(t.Port.Writes.size(), writesBefore + 1);
        EXPECT_EQ(t.Form->ID->count(), 24);
    }
}

TEST_F(TestWindow, TypedTextNeverBecomesAnEntry) {
    Form->show();
    QApplication::setActiveWindow(Form.get());
    Form->ID->setFocus();
    Form->ID->lineEdit()->selectAll();
    QTest::keyClicks(Form->ID->lineEdit(), "5");
    QTest::keyClick(Form->ID->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(Form->ID->count(), 24);
    EXPECT_EQ(Form->ID->currentText(), "5");
    Form->ID->lineEdit()->selectAll();
    QTest::keyClicks(Form->ID->lineEdit(), "99");
    QTest::keyClick(Form->ID->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(Form->ID->count(), 24);
    EXPECT_EQ(Form->ID->currentText(), "99");
}

TEST_F(TestWindow, FirstStartWithASilentTransceiverClearsOnThe43rdTick) {
    LinkUp();
    Show(TelemetryContent(1234, 250, 100, 1, 12));  // shown while ready too
    const std::string telemetry =
        "throttle 250, brake 100, LC yellow, PIN 1234, version ' 12', no signal hidden";
    ASSERT_EQ(Shown(*Form), telemetry);
    Form->Start->click();
    Ticks(42);
    EXPECT_EQ(Shown(*Form), telemetry);
    Tick();
    EXPECT_EQ(Shown(*Form),
              "throttle 0, brake 0, LC sky blue, PIN 1234, version ' 12', no signal shown");
    EXPECT_EQ(Form->Monitor().SilenceClearings(), 1);
    Tick();
    EXPECT_EQ(Form->Monitor().SilenceClearings(), 2);
}

TEST_F(TestWindow, StartAfterAClearedSilenceClearsOnTheFourthTick) {
    StartMonitoring();
    Ticks(43);
    ASSERT_EQ(Form->Monitor().SilenceClearings(), 1);

    Form->Start->click();  // Close
    FindAgain();
    Form->Start->click();  // Start
    Ticks(3);
    EXPECT_EQ(Form->Monitor().SilenceClearings(), 1);
    Tick();
    EXPECT_EQ(Form->Monitor().SilenceClearings(), 2);
    EXPECT_EQ(Polls().size(), 2u);
}

TEST_F(TestWindow, CloseGoesBackToDiscoveryAndKeepsTheLastTelemetry) {
    StartMonitoring();
    Tick();
    Show(TelemetryContent(4711, 200, 30, 0xFF, 3));
    Form->Start->click();
    EXPECT_EQ(Form->Start->text(), "Start");
    EXPECT_FALSE(Form->Start->isEnabled());
    EXPECT_EQ(Shown(*Form),
              "throttle 200, brake 30, LC yellow, PIN 4711, version ' 3', no "
              "signal shown");
    EXPECT_EQ(Ports.Reads, 2);
    EXPECT_EQ(Form->Link().PortIndex(), -1);
    EXPECT_FALSE(Form->Link().LinkFound());
    EXPECT_TRUE(Port.IsOpen()) << "the port stays open until the next probe tick";
    const auto written = Port.Writes.size();

    // Telemetry arriving before the probe closes the port is still shown.
    Show(TelemetryContent(4711, 180, 30, 0, 3));
    EXPECT_EQ(Shown(*Form),
              "throttle 180, brake 30, LC sky blue, PIN 4711, version ' 3', no "
              "signal hidden");

    Tick();  // a probe tick, no monitor tick any more: closes COM3, probes COM1
    EXPECT_EQ(Port.Device, "COM1");
    EXPECT_EQ(Port.Writes.size(), written + 1);
    EXPECT_EQ(Port.Writes.back().Bytes, Bytes({0x4E}));
    EXPECT_EQ(Form->CName->text(), "COM1");
}

TEST_F(TestWindow, HelloReplyEndsTheReceiveEventAndLeavesTheRestQueued) {
    Tick();
    Tick();  // COM3 probed
    const ByteString frame = OnWire(TelemetryContent(0, 77, 0, 0, 1));
    Port.Receive(OnWire(HelloReply) + frame);
    EXPECT_TRUE(Form->Link().LinkFound());
    EXPECT_EQ(Port.BytesWaiting(), frame.size());
    EXPECT_EQ(Form->Monitor().FramesShown(), 0);

    Port.Receive(OnWire(TelemetryContent(0, 88, 0, 0, 1)));
    EXPECT_EQ(Form->Monitor().FramesShown(), 2);
    EXPECT_EQ(Port.BytesWaiting(), 0u);
    Form->RefreshDisplay();
    EXPECT_EQ(Form->Throttle->value(), 88);
}

TEST_F(TestWindow, ShortFramesAndTheHelloReplyAreNotTelemetry) {
    StartMonitoring();
    Ticks(3);
    Show(TelemetryContent(99, 10, 20, 0, 5));
    Ticks(5);
    ASSERT_EQ(Form->Monitor().SilentTicks(), 5);
    const auto before = Shown(*Form);
    for (const auto& content : {Bytes({}), Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9}), HelloReply}) {
        Show(content);
        EXPECT_EQ(Shown(*Form), before);
        EXPECT_EQ(Form->Monitor().SilentTicks(), 5);
    }
    EXPECT_EQ(Form->Monitor().FramesShown(), 1);
}

TEST_F(TestWindow, TheLostTransceiverSendsTheWindowBackToDiscoveryWithoutAMessage) {
    const struct {
        const char* State;
        bool Monitoring;
    } cases[] = {{"ready", false}, {"monitoring", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.State);
        WindowHarness t;
        t.LinkUp();
        if (c.Monitoring) {
            t.Form->Start->click();
            t.Tick();
            t.Show(TelemetryContent(5, 6, 7, 1, 8));
        }
        t.Port.Lose();
        EXPECT_EQ(t.Form->Start->text(), "Start");
        EXPECT_FALSE(t.Form->Start->isEnabled());
        EXPECT_FALSE(t.Form->NoSignal->isHidden());
        EXPECT_FALSE(t.Form->Monitoring());
        EXPECT_TRUE(t.Timer.On);
        EXPECT_EQ(t.Ports.Reads, 2);
        EXPECT_TRUE(t.Dialogs.Boxes.empty());

        // Plugged in again: found anew, and Start polls again.
        t.FindAgain();
        t.Form->Start->click();
        t.Tick();
        EXPECT_EQ(t.Polls().size(), c.Monitoring ? 2u : 1u);
        EXPECT_EQ(t.Port.Writes.back().Bytes, Bytes({0x43, 0x1C}));
    }
}

// A port whose device vanishes in the middle of a write.
class VanishingPort : public FakeSerialPort {
public:
    bool Write(const ByteString& bytes) override {
        if (!VanishOnWrite) return FakeSerialPort::Write(bytes);
        Lose();
        return false;
    }
    bool VanishOnWrite = false;
};

TEST(TestWindowLoss, DuringThePollWriteSendsTheWindowBackToDiscovery) {
    VanishingPort port;
    FakePortList ports;
    ports.SetPorts({"COM3"});
    FakeTickTimer timer;
    FakeClock clock;
    RecordingDialogs dialogs;
    TForm1 form(port, ports, timer, clock.AsFunction(), dialogs);
    timer.Tick();
    port.Receive(OnWire(HelloReply));
    timer.Tick();
    ASSERT_TRUE(form.Start->isEnabled());
    form.Start->click();
    port.VanishOnWrite = true;
    timer.Tick();
    EXPECT_EQ(form.Start->text(), "Start");
    EXPECT_FALSE(form.Start->isEnabled());
    EXPECT_FALSE(form.Monitoring());
    EXPECT_FALSE(form.NoSignal->isHidden());
    EXPECT_TRUE(timer.On);
    EXPECT_TRUE(dialogs.Boxes.empty());
}

TEST_F(TestWindow, LosingAPortWhileProbingChangesNothing) {
    Tick();
    Port.Lose();
    EXPECT_EQ(Ports.Reads, 1);
    EXPECT_EQ(Form->CName->text(), "COM1");
    EXPECT_TRUE(Dialogs.Boxes.empty());
    Tick();
    EXPECT_EQ(Form->CName->text(), "COM3");
}

TEST_F(TestWindow, FailedPollWriteShowsTheErrorAndIsRetriedOnTheNextTick) {
    StartMonitoring();
    Port.FailWrite = true;
    Tick();
    Tick();
    ASSERT_EQ(Dialogs.Boxes.size(), 2u);
    EXPECT_EQ(Dialogs.Boxes[0].Kind, "error");
    EXPECT_EQ(Dialogs.Boxes[0].Text, "write failed.");
    EXPECT_EQ(Form->Monitor().PollPhase(), 0);
    Port.FailWrite = false;
    Tick();
    EXPECT_EQ(Polls(), std::vector<ByteString>{Bytes({0x43, 0x1C})});
    EXPECT_EQ(Form->Monitor().PollPhase(), 1);
}

// Boxes that run something while they are open, as a modal box's event loop does.
class BusyDialogs : public RecordingDialogs {
public:
    void StandardError(const QString& message) override {
        RecordingDialogs::StandardError(message);
        if (WhileOpen) WhileOpen();
    }
    std::function<void()> WhileOpen;
};

TEST(TestWindowTicks, DoNotRunAgainWhileABoxOpenedByATickIsShowing) {
    FakeSerialPort port;
    FakePortList ports;
    ports.SetPorts({"COM3"});
    FakeTickTimer timer;
    FakeClock clock;
    BusyDialogs dialogs;
    TForm1 form(port, ports, timer, clock.AsFunction(), dialogs);
    timer.Tick();
    port.Receive(OnWire(HelloReply));
    port.FailWrite = true;  // the link-up command fails
    int nested = 0;
    dialogs.WhileOpen = [&] {
        ++nested;
        timer.Tick();
        timer.Tick();
    };
    timer.Tick();
    EXPECT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(nested, 1);
    EXPECT_FALSE(form.Start->isEnabled());
    EXPECT_TRUE(timer.On) << "the next tick tries the link-up again";

    port.FailWrite = false;
    timer.Tick();
    EXPECT_TRUE(form.Start->isEnabled());
    EXPECT_EQ(dialogs.Boxes.size(), 1u);
}

TEST_F(TestWindow, FailedDiscardAtStartShowsTheErrorAndSendsNoPoll) {
    LinkUp();
    Port.FailDiscard = true;
    Form->Start->click();
    ASSERT_EQ(Dialogs.Boxes.size(), 1u);
    EXPECT_EQ(Dialogs.Boxes[0].Text, "discard failed.");
    EXPECT_EQ(Form->Start->text(), "Close");
    EXPECT_FALSE(Form->Monitoring());
    Ticks(5);
    EXPECT_TRUE(Polls().empty());

    Port.FailDiscard = false;
    Form->Start->click();  // takes the Close branch
    EXPECT_EQ(Form->Start->text(), "Start");
    EXPECT_FALSE(Form->Start->isEnabled());
    EXPECT_TRUE(Timer.On);
}

TEST_F(TestWindow, ClosingTheWindowClosesThePortAndStopsTheTimer) {
    StartMonitoring();
    Tick();
    Form->close();
    EXPECT_FALSE(Port.IsOpen());
    EXPECT_EQ(Port.Log.back(), "close COM3");
    EXPECT_FALSE(Timer.On);
    EXPECT_TRUE(Dialogs.Boxes.empty());
}

// Counts the paint events of a widget.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++Paints;
        return false;
    }
    int Paints = 0;
};

TEST_F(TestWindow, AStreamOfFramesRepaintsTheBarsOncePerRefresh) {
    Form->show();
    StartMonitoring();
    Tick();
    Form->RefreshDisplay();
    QApplication::processEvents();
    PaintCounter throttlePaints, brakePaints;
    Form->Throttle->installEventFilter(&throttlePaints);
    Form->Brake->installEventFilter(&brakePaints);

    for (int i = 0; i < 400; ++i)
        Port.Receive(OnWire(TelemetryContent(i, i % 256, 255 - i % 256, i % 2, i % 256)));
    EXPECT_EQ(Form->Monitor().FramesShown(), 400);
    EXPECT_TRUE(Form->RefreshPending());
    EXPECT_EQ(throttlePaints.Paints + brakePaints.Paints, 0);
    EXPECT_EQ(Form->Throttle->value(), 0) << "the controls wait for the refresh";

    Form->RefreshDisplay();  // what the refresh timer runs
    EXPECT_FALSE(Form->RefreshPending());
    EXPECT_EQ(Shown(*Form),
              "throttle 143, brake 112, LC yellow, PIN 399, version ' 143', no "
              "signal hidden");
    EXPECT_LE(throttlePaints.Paints, 1);
    EXPECT_LE(brakePaints.Paints, 1);
}

}  // namespace
}  // namespace pace::testing
