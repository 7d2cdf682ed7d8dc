// The test window on the real serial port, talking to the simulated transceiver on a
// pseudo-terminal. The timer is stepped by hand; only the serial I/O is waited for.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <chrono>
#include <memory>
#include <string>

#include "Fakes.h"
#include "Frames.h"
#include "QtSerialPort.h"
#include "Shown.h"
#include "SimTransceiver.h"
#include "TTMain.h"

namespace pace::testing {
namespace {

using namespace std::chrono_literals;
using TTMain::TForm1;

class MonitorOnPty : public ::testing::Test {
protected:
    MonitorOnPty() : Sim(std::make_unique<SimTransceiver>()) {
        Ports.Entries = {{"sim", Sim->SlavePath()}};
        Form = std::make_unique<TForm1>(Port, Ports, Timer, Clock.AsFunction(), Dialogs);
    }
    ~MonitorOnPty() override { Form.reset(); }

    void Tick() {
        Clock.Advance(200ms);
        Timer.Tick();
    }
    // Probes the transceiver's port until it answers, then links up.
    void LinkUp() {
        for (int i = 0; i < 5 && !Form->Link().LinkFound(); ++i) {
            Tick();
            PumpUntil([&] { return Form->Link().LinkFound(); }, 2s);
        }
        ASSERT_TRUE(Form->Link().LinkFound());
        Tick();
        ASSERT_TRUE(Form->Start->isEnabled());
        ASSERT_TRUE(PumpUntil([&] { return Sim->LinkUps().size() == 1; }));
        EXPECT_EQ(Sim->LinkUps()[0], Bytes({'Z', 'S', 0, 'E', 0, 'P', 0x0A}));
    }
    // Waits until the controls show `expected`.
    ::testing::AssertionResult ShowsSoon(const std::string& expected) {
        if (PumpUntil([&] { return Shown(*Form) == expected; }))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "shows: " << Shown(*Form);
    }

    std::unique_ptr<SimTransceiver> Sim;
    FakePortList Ports;
    QtSerialPort Port;
    FakeTickTimer Timer;
    FakeClock Clock;
    RecordingDialogs Dialogs;
    std::unique_ptr<TForm1> Form;
};

TEST_F(MonitorOnPty, TheHelloReplyIsNeverTelemetry) {
    LinkUp();
    EXPECT_EQ(Form->Monitor().FramesShown(), 0);
    EXPECT_EQ(Shown(*Form), "throttle 0, brake 0, LC sky blue, PIN 0, version '', no signal shown");
    EXPECT_TRUE(Dialogs.Boxes.empty());
}

TEST_F(MonitorOnPty, ShowsEachTelemetryFrameAsItComes) {
    LinkUp();
    // Shown in the ready state as well; every case moves the throttle, so none passes by
    // leaving the previous frame on show.
    const struct {
        const char* Name;
        ByteString Content;
        const char* Expected;
    } cases[] = {
        {"throttle 128, brake empty, version 12", Bytes({1, 2, 34, 12, 0x80, 0, 0, 0x5A, 0x0C, 0}),
         "throttle 128, brake 0, LC sky blue, PIN 1234, version ' 12', no signal hidden"},
        {"LC 0x01", Bytes({1, 2, 0, 0, 200, 10, 0x01, 0, 1, 0}),
         "throttle 200, brake 10, LC yellow, PIN 0, version ' 1', no signal hidden"},
        {"LC 0xFF", Bytes({1, 2, 0, 0, 201, 10, 0xFF, 0, 1, 0}),
         "throttle 201, brake 10, LC yellow, PIN 0, version ' 1', no signal hidden"},
        {"LC 0 and version 0", Bytes({1, 2, 0, 0, 202, 10, 0, 0, 0, 0}),
         "throttle 202, brake 10, LC sky blue, PIN 0, version ' 0', no signal hidden"},
        {"PIN bytes above 99", Bytes({1, 2, 255, 255, 203, 255, 0, 0, 255, 0}),
         "throttle 203, brake 255, LC sky blue, PIN 25755, version ' 255', no signal hidden"},
        {"an eleventh byte", Bytes({1, 2, 99, 99, 204, 0, 0, 0, 7, 0, 0xFF}),
         "throttle 204, brake 0, LC sky blue, PIN 9999, version ' 7', no signal hidden"},
        {"escaped content bytes",
         Bytes({0x0D, 0x21, 0x21, 0x0D, 0x0D, 0x21, 0x21, 0x0D, 0x21, 0x0D}),
         "throttle 13, brake 33, LC yellow, PIN 1333, version ' 33', no signal hidden"},
    };
    int frames = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Sim->SendFrame(c.Content);
        ++frames;
        EXPECT_TRUE(ShowsSoon(c.Expected));
        EXPECT_EQ(Form->Monitor().FramesShown(), frames);
    }
}

TEST_F(MonitorOnPty, AShortFrameChangesNothingAndTheNextFrameIsShown) {
    LinkUp();
    Sim->SendFrame(Bytes({1, 2, 3, 0, 50, 60, 0, 0, 4, 0}));
    ASSERT_TRUE(
        ShowsSoon("throttle 50, brake 60, LC sky blue, PIN 3, version ' 4', no signal hidden"));
    Sim->SendFrame(Bytes({1, 2, 3, 0, 99, 99, 1, 0, 4}));  // nine bytes
    Sim->SendFrame(Bytes({}));
    Sim->SendFrame(Bytes({1, 2, 3, 0, 70, 60, 0, 0, 4, 0}));
    EXPECT_TRUE(
        ShowsSoon("throttle 70, brake 60, LC sky blue, PIN 3, version ' 4', no signal hidden"));
    EXPECT_EQ(Form->Monitor().FramesShown(), 2);
}

TEST_F(MonitorOnPty, HelloReplyAndTelemetryInOneEventLeaveTheTelemetryQueued) {
    Sim->SetMode(SimTransceiver::Mode::Silent);
    Tick();  // probes the transceiver, which keeps quiet
    ASSERT_TRUE(PumpUntil([&] { return Sim->HelloCount() == 1; }));
    const ByteString first = OnWire(TelemetryContent(1, 111, 0, 0, 1));
    Sim->SendRaw(OnWire(HelloReply) + first);
    ASSERT_TRUE(PumpUntil([&] { return Form->Link().LinkFound(); }));
    EXPECT_EQ(Port.BytesWaiting(), first.size());
    EXPECT_EQ(Form->Monitor().FramesShown(), 0);

    Sim->SendFrame(TelemetryContent(2, 122, 0, 0, 2));
    EXPECT_TRUE(
        ShowsSoon("throttle 122, brake 0, LC sky blue, PIN 2, version ' 2', no signal hidden"));
    EXPECT_EQ(Form->Monitor().FramesShown(), 2);
}

TEST_F(MonitorOnPty, StartPollsOnceAndTheStreamIsShown) {
    LinkUp();
    Sim->SetTelemetry(TelemetryContent(4321, 230, 40, 1, 12));
    Form->ID->setCurrentIndex(23);
    Form->Start->click();
    Tick();
    ASSERT_TRUE(PumpUntil([&] { return Sim->PolledCarCode() == 0x33; }));
    EXPECT_TRUE(
        ShowsSoon("throttle 230, brake 40, LC yellow, PIN 4321, version ' 12', no signal hidden"));
    // More than 40 ticks, with frames in between.
    Sim->SetRate(500);
    for (int i = 0; i < 50; ++i) {
        const auto frames = Form->Monitor().FramesShown();
        Tick();
        ASSERT_TRUE(PumpUntil([&] { return Form->Monitor().FramesShown() > frames; }));
    }
    EXPECT_EQ(Sim->PollCarCodes().size(), 1u);
    EXPECT_EQ(Form->Monitor().SilenceClearings(), 0) << "frames keep coming";
    EXPECT_TRUE(Dialogs.Boxes.empty());
}

TEST_F(MonitorOnPty, AVanishedTransceiverIsFoundAgainAndPolledAnew) {
    LinkUp();
    Form->Start->click();
    Tick();
    ASSERT_TRUE(PumpUntil([&] { return Form->Monitor().FramesShown() > 0; }));
    ASSERT_TRUE(
        ShowsSoon("throttle 128, brake 0, LC yellow, PIN 1234, version ' 12', no signal hidden"));

    // Pulled out; plugged in again it is listed under a new name.
    auto replugged = std::make_unique<SimTransceiver>();
    Ports.Entries = {{"sim", replugged->SlavePath()}};
    Sim->Vanish();
    ASSERT_TRUE(PumpUntil([&] { return Form->Start->text() == "Start"; }));
    EXPECT_FALSE(Form->Start->isEnabled());
    EXPECT_FALSE(Form->Monitoring());
    EXPECT_FALSE(Port.IsOpen());
    EXPECT_EQ(Shown(*Form),
              "throttle 128, brake 0, LC yellow, PIN 1234, version ' 12', no signal shown");
    EXPECT_TRUE(Dialogs.Boxes.empty());

    Sim = std::move(replugged);
    LinkUp();
    Sim->SetTelemetry(TelemetryContent(4321, 17, 40, 0, 12));
    Form->Start->click();
    Tick();
    ASSERT_TRUE(PumpUntil([&] { return Sim->PolledCarCode() == 0x1C; }));
    EXPECT_TRUE(
        ShowsSoon("throttle 17, brake 40, LC sky blue, PIN 4321, version ' 12', no signal hidden"));
    EXPECT_TRUE(Dialogs.Boxes.empty());
}

}  // namespace
}  // namespace pace::testing
