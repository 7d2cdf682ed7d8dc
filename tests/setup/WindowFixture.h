// The setup window on the in-memory seams, and what its tests need to drive it.
#pragma once

#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Fakes.h"
#include "TSetupMain.h"

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace pace::testing {

class SetupWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Ports.SetPorts({"ttyS0", "ttyUSB0"});
        Remake();
    }
    // A new window on the same seams (after a test changed the port list, say).
    void Remake() {
        Form.reset();
        Form =
            std::make_unique<TSetupMain::TForm1>(Port, Ports, Timer, Clock.AsFunction(), Dialogs);
    }

    // The window's activation as the platform reports it.
    void Activate() {
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(Form.get(), &activate);
    }
    // Shows the window and makes it the active one, so that it has keyboard focus.
    void ShowActive() {
        Form->show();
        QApplication::setActiveWindow(Form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    }
    void Tick() {
        Clock.Advance(std::chrono::milliseconds(200));
        Timer.Tick();
    }
    // ttyS0 stays silent, ttyUSB0 answers the hello byte; the next tick links up.
    void LinkUp() {
        Tick();
        Tick();
        Port.Receive(ByteString("IWRX\r"));
        Tick();
        ASSERT_TRUE(Form->Link().Linked());
    }
    // Everything written after the link-up command on the transceiver's port.
    [[nodiscard]] std::vector<ByteString> Frames() const {
        std::vector<ByteString> frames;
        bool linked = false;
        for (const auto& w : Port.Writes) {
            if (linked) frames.push_back(w.Bytes);
            if (w.Bytes == LinkUpCommand(SetupLinkUpLastByte)) linked = true;
        }
        return frames;
    }
    [[nodiscard]] std::vector<QString> BoxTexts() const {
        std::vector<QString> texts;
        for (const auto& box : Dialogs.Boxes) texts.push_back(box.Text);
        return texts;
    }
    [[nodiscard]] std::vector<QString> Cells() const {
        std::vector<QString> cells;
        for (int c = 0; c < Form->Curve->columnCount(); ++c)
            cells.push_back(Form->Curve->CellText(c));
        return cells;
    }
    [[nodiscard]] std::vector<QPointF> ChartPoints() const {
        const QList<QPointF> points = Form->CurvePoints->points();
        return {points.begin(), points.end()};
    }

    FakeSerialPort Port;
    FakePortList Ports;
    FakeTickTimer Timer;
    FakeClock Clock;
    RecordingDialogs Dialogs;
    std::unique_ptr<TSetupMain::TForm1> Form;
};

inline ByteString Bytes(std::initializer_list<int> values) {
    ByteString out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

// 'D', 0x20, the payload and 0x00 up to 34 bytes, written out here rather than by the codec.
inline ByteString DataFrame(const ByteString& payload) {
    ByteString frame = Bytes({'D', 0x20}) + payload;
    if (frame.size() < 34) frame.append(34 - frame.size(), '\0');
    return frame;
}

inline const QString ConfigurePrompt = QString::fromLatin1(TSetupMain::ConfigurePromptText);

}  // namespace pace::testing
