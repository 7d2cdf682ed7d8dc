// The setup window on the real serial port, talking to the simulated transceiver on a
// pseudo-terminal: the bytes that arrive for each send, refusals that send nothing, a
// transceiver that vanishes and comes back, and one that stops reading.
#include <gtest/gtest.h>

#include "QtSerialPort.h"
#include "SimTransceiver.h"
#include "WindowFixture.h"

namespace pace::testing {
namespace {

using namespace std::chrono_literals;

class SetupOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        Ports.SetPorts({Sim.SlavePath()});
        Form =
            std::make_unique<TSetupMain::TForm1>(Port, Ports, Timer, Clock.AsFunction(), Dialogs);
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(Form.get(), &activate);
        LinkUp(Sim);
        Sim.ClearReceived();
    }
    void Tick() {
        Clock.Advance(200ms);
        Timer.Tick();
    }
    void LinkUp(SimTransceiver& sim) {
        const auto linkUps = sim.LinkUps().size();
        Tick();
        ASSERT_TRUE(PumpUntil([&] { return Form->Link().LinkFound(); }));
        Tick();
        ASSERT_TRUE(Form->SetId->isEnabled());
        ASSERT_TRUE(PumpUntil([&] { return sim.LinkUps().size() == linkUps + 1; }));
    }
    // What the transceiver got, once it has `size` bytes.
    ByteString Arrived(std::size_t size) {
        EXPECT_TRUE(PumpUntil([&] { return Sim.Received().size() >= size; }));
        const ByteString received = Sim.Received();
        Sim.ClearReceived();
        return received;
    }
    [[nodiscard]] std::vector<QString> BoxTexts() const {
        std::vector<QString> texts;
        for (const auto& box : Dialogs.Boxes) texts.push_back(box.Text);
        return texts;
    }

    SimTransceiver Sim;
    QtSerialPort Port;
    FakePortList Ports;
    FakeTickTimer Timer;
    FakeClock Clock;
    RecordingDialogs Dialogs;
    std::unique_ptr<TSetupMain::TForm1> Form;
};

TEST_F(SetupOnPty, IdAndPinArriveByteForByte) {
    struct Case {
        const char* Pin;
        int CarIndex;
        ByteString Payload;
    };
    const std::vector<Case> cases{
        {"0", 0, Bytes({'T', 'I', 0, 0, 1, 0})},
        {"9999", 0, Bytes({'T', 'I', 99, 99, 1, 0})},
        {"4300", 0, Bytes({'T', 'I', 0, 43, 1, 0})},
        {"7149", 23, Bytes({'T', 'I', 49, 71, 24, 0})},
        // Not a number: the last value the box held, 7149.
        {"x7", 23, Bytes({'T', 'I', 49, 71, 24, 0})},
    };
    for (const auto& c : cases) {
        Dialogs.Boxes.clear();
        Form->PIN->setText(c.Pin);
        Form->CarId->setCurrentIndex(c.CarIndex);
        Form->SetIdClick();
        EXPECT_EQ(BoxTexts(), std::vector<QString>{ConfigurePrompt}) << c.Pin;
        EXPECT_EQ(Arrived(34), DataFrame(c.Payload)) << c.Pin;
    }
}

TEST_F(SetupOnPty, RefusedPinsSendNothing) {
    for (const char* pin : {"9999.6", "10000", "-1"}) {
        Dialogs.Boxes.clear();
        Form->PIN->setText(pin);
        Form->SetIdClick();
        EXPECT_EQ(BoxTexts(), std::vector<QString>{"PIN must be between 0 and 9999 Inclusive"})
            << pin;
    }
    EXPECT_EQ(Form->PIN->text(), "-1");
    // The next frame that arrives is the first one sent after the refusals.
    Form->PIN->setText("1");
    Form->SetIdClick();
    EXPECT_EQ(Arrived(34), DataFrame(Bytes({'T', 'I', 1, 0, 1, 0})));
}

TEST_F(SetupOnPty, DriverNamesArriveInTheEightBitCodePage) {
    const std::vector<std::pair<QString, ByteString>> cases{
        {"", Bytes({'D', 0x20, 'T', 'O'}) + ByteString(30, '\0')},
        {QString(29, 'a'),
         Bytes({'D', 0x20, 'T', 'O'}) + ByteString(29, 'a') + ByteString(1, '\0')},
        {QString(30, 'b'), Bytes({'D', 0x20, 'T', 'O'}) + ByteString(30, 'b')},
        {QString(31, 'c'), Bytes({'D', 0x20, 'T', 'O'}) + ByteString(31, 'c')},
        {QString::fromUtf8("\xCE\xA9 \xC3\xA9"),
         Bytes({'D', 0x20, 'T', 'O'}) + "? \xE9" + ByteString(27, '\0')},
    };
    for (const auto& [name, frame] : cases) {
        Form->OwnerName->setText(name);
        Form->SendDriverClick();
        EXPECT_EQ(Arrived(frame.size()), frame) << name.toStdString();
    }
}

TEST_F(SetupOnPty, TheStartCurveArrivesAsCurveZeroAndAsCurveNine) {
    const ByteString curve =
        Bytes({0x00, 0x1A, 0x33, 0x4C, 0x66, 0x80, 0x99, 0xB2, 0xCC, 0xE6, 0xFF}) +
        ByteString(18, '\0');
    Form->SendCurveClick();
    EXPECT_EQ(Arrived(34), Bytes({'D', 0x20, 'T', 'C', 0}) + curve);
    Form->CurveSelect->setCurrentIndex(9);
    Form->SendCurveClick();
    EXPECT_EQ(Arrived(34), Bytes({'D', 0x20, 'T', 'C', 9}) + curve);
}

TEST_F(SetupOnPty, AVanishedTransceiverTurnsTheSendButtonsOffUntilOneAnswersAgain) {
    SimTransceiver replugged;
    Ports.SetPorts({replugged.SlavePath()});
    Sim.Vanish();
    ASSERT_TRUE(PumpUntil([&] { return !Form->SetId->isEnabled(); }));
    EXPECT_FALSE(Form->SendDriver->isEnabled());
    EXPECT_FALSE(Form->SendCurve->isEnabled());
    EXPECT_TRUE(Timer.IsOn());
    EXPECT_TRUE(Dialogs.Boxes.empty());
    // A send meanwhile goes nowhere.
    Form->SendDriverClick();
    EXPECT_EQ(BoxTexts(), (std::vector<QString>{ConfigurePrompt, "No transceiver connected."}));

    Dialogs.Boxes.clear();
    LinkUp(replugged);
    EXPECT_EQ(Form->CName->text(), QString::fromStdString(replugged.SlavePath()));
    Form->SendDriverClick();
    EXPECT_TRUE(PumpUntil([&] { return replugged.Received().size() >= 1 + 7 + 34; }));
    EXPECT_EQ(BoxTexts(), std::vector<QString>{ConfigurePrompt});
}

TEST_F(SetupOnPty, ATransceiverThatStopsReadingGetsTheTimeOutReported) {
    Sim.SetMode(SimTransceiver::Mode::StopReading);
    // Frames pile up in the terminal's queues until a write cannot finish in time.
    for (int i = 0; i < 100000 && Dialogs.Boxes.size() < 2; ++i) {
        Dialogs.Boxes.clear();
        Form->SetIdClick();
    }
    ASSERT_EQ(BoxTexts(), (std::vector<QString>{ConfigurePrompt,
                                                "The transceiver did not take the data in time."}));
    EXPECT_EQ(Dialogs.Boxes[1].Kind, "error");
    EXPECT_TRUE(Form->SetId->isEnabled());
}

}  // namespace
}  // namespace pace::testing
