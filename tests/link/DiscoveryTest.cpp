// Discovery one tick at a time, on the in-memory port, port list, timer and clock.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Discovery.h"
#include "Fakes.h"
#include "FrameCodec.h"

namespace pace {
namespace {

using namespace std::chrono_literals;
using testing::FakeClock;
using testing::FakePortList;
using testing::FakeSerialPort;
using testing::FakeTickTimer;
using Strings = std::vector<std::string>;

const DiscoverySettings SetupSettings{SetupLinkUpLastByte, ScanTimerStart::KeepPeriod,
                                      ReceiveRule::DecodeWholeEvent};
const DiscoverySettings MonitorSettings{MonitorLinkUpLastByte, ScanTimerStart::RestartPeriod,
                                        ReceiveRule::ReturnAfterHello};

const ByteString Hello = "N";
const ByteString HelloReplyBytes = "IWRX\r";
const ByteString Telemetry{"\x01\x02\x22\x0C\x80\x00\x01\x00\x0C\x1B\r", 11};

// Stands in for a window: owns the discovery, runs the scan as its creation handler, shows
// the port name and records what the hooks were told.
template <class PortType = FakeSerialPort>
class BasicHost {
public:
    explicit BasicHost(const DiscoverySettings& settings) {
        DiscoveryHooks hooks;
        hooks.Rescan = [this] {
            ++Rescans;
            FormCreate();
        };
        hooks.ShowPortName = [this](const std::string& name) { CName.push_back(name); };
        hooks.LinkUp = [this] { ++LinkUps; };
        hooks.Lost = [this] {
            ++Losses;
            FormCreate();
        };
        Link = std::make_unique<Discovery>(Port, List, Timer, Clock.AsFunction(), settings,
                                           std::move(hooks));
        Timer.OnTick = [this] { Link->Timer1Find(); };
        Port.OnRxChar = [this] {
            Link->ReceiveWaiting([this](const ByteString& frame) { Frames.push_back(frame); });
        };
    }

    void FormCreate() { Link->Scan(); }
    // The next tick of the 200 ms timer.
    void Tick() {
        Clock.Advance(200ms);
        Timer.Tick();
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) Tick();
    }

    PortType Port;
    FakePortList List;
    FakeTickTimer Timer;
    FakeClock Clock;
    std::unique_ptr<Discovery> Link;
    Strings CName;
    std::vector<ByteString> Frames;
    int Rescans = 0;
    int LinkUps = 0;
    int Losses = 0;
};
using Host = BasicHost<>;

class DiscoveryTest : public ::testing::Test {
protected:
    explicit DiscoveryTest(const DiscoverySettings& settings = SetupSettings) : W(settings) {}
    Host W;
};

TEST_F(DiscoveryTest, ProbesThePortsInListOrderAndLinksUpWithTheOneThatAnswers) {
    W.List.SetPorts({"COM1", "COM3"});
    W.FormCreate();
    EXPECT_EQ(W.Link->Ports(), (Strings{"COM1", "COM3"}));
    EXPECT_EQ(W.Link->PortNames(), (Strings{"COM1", "COM3"}));
    EXPECT_EQ(W.Link->PortValueNames(), (Strings{"\\Device\\COM1", "\\Device\\COM3"}));
    EXPECT_EQ(W.Link->PortIndex(), -1);
    EXPECT_TRUE(W.Timer.IsOn());

    W.Tick();
    EXPECT_EQ(W.CName, (Strings{"COM1"}));
    EXPECT_EQ(W.Port.WrittenTo("COM1"), Hello);

    W.Tick();
    W.Port.Receive(HelloReplyBytes);
    EXPECT_TRUE(W.Link->LinkFound());
    EXPECT_FALSE(W.Link->Linked());
    EXPECT_EQ(W.LinkUps, 0);

    W.Tick();
    EXPECT_EQ(W.CName, (Strings{"COM1", "COM3"}));
    // The queues are discarded before the hello byte, and each port is closed before the next.
    EXPECT_EQ(W.Port.Log,
              (Strings{"open COM1", "discard COM1", "close COM1", "open COM3", "discard COM3"}));
    EXPECT_EQ(W.Port.WrittenTo("COM1"), Hello);
    EXPECT_EQ(W.Port.WrittenTo("COM3"), Hello + LinkUpCommand(SetupLinkUpLastByte));
    EXPECT_EQ(W.LinkUps, 1);
    EXPECT_TRUE(W.Link->Linked());
    EXPECT_FALSE(W.Timer.IsOn());
    EXPECT_TRUE(W.Port.IsOpen());
    EXPECT_EQ(W.Port.Device, "COM3");
    EXPECT_EQ(W.Link->PortIndex(), 1);
    EXPECT_TRUE(W.Link->LinkFound());
}

struct ProgramCase {
    const char* Name;
    DiscoverySettings Settings;
    std::uint8_t LastByte;
};

class EachProgram : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(EachProgram, WritesItsLinkUpCommandOnceOnTheAnsweringPort) {
    Host w(GetParam().Settings);
    w.List.SetPorts({"COM4"});
    w.FormCreate();
    w.Tick();
    w.Port.Receive(HelloReplyBytes);
    w.Tick();
    w.Ticks(3);  // the timer is off: further ticks do nothing
    const ByteString expected{
        'Z', 'S', '\0', 'E', '\0', 'P', static_cast<char>(GetParam().LastByte)};
    EXPECT_EQ(w.Port.WrittenTo("COM4"), Hello + expected);
    EXPECT_EQ(w.LinkUps, 1);
}

TEST_P(EachProgram, ScanStartsTheTimerAsTheWindowNeeds) {
    Host w(GetParam().Settings);
    w.Timer.On = true;  // already running from an earlier scan
    w.FormCreate();
    const bool restarts = GetParam().Settings.TimerStart == ScanTimerStart::RestartPeriod;
    EXPECT_TRUE(w.Timer.IsOn());
    EXPECT_EQ(w.Timer.Restarts, restarts ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Programs, EachProgram,
                         ::testing::Values(ProgramCase{"Setup", SetupSettings, 0x08},
                                           ProgramCase{"Monitor", MonitorSettings, 0x0A}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DiscoveryTest, RescanAfterTheLastPortRebuildsTheList) {
    W.List.SetPorts({"COM1", "COM2"});
    W.FormCreate();
    W.Ticks(2);
    // COM1 is unplugged and COM7 appears before the re-scan.
    W.List.SetPorts({"COM7", "COM2"});
    W.Tick();
    EXPECT_EQ(W.Rescans, 1);
    EXPECT_EQ(W.Link->Ports(), (Strings{"COM7", "COM2"}));
    EXPECT_EQ(W.Link->PortIndex(), -1);
    // The port tried last stays open through the re-scan and can still answer.
    EXPECT_TRUE(W.Port.IsOpen());
    EXPECT_EQ(W.Port.Device, "COM2");
    EXPECT_EQ(W.CName, (Strings{"COM1", "COM2"}));

    W.Tick();
    EXPECT_EQ(W.CName.back(), "COM7");
    EXPECT_EQ(W.Port.Device, "COM7");
    EXPECT_EQ(W.Port.Log.back(), "discard COM7");
}

TEST_F(DiscoveryTest, ALateAnswerOfTheLastPortStillCountsAfterTheRescan) {
    W.List.SetPorts({"COM1", "COM2"});
    W.FormCreate();
    W.Ticks(3);  // COM1, COM2, re-scan
    W.Port.Receive(HelloReplyBytes);
    W.Tick();
    EXPECT_EQ(W.Port.WrittenTo("COM2"), Hello + LinkUpCommand(SetupLinkUpLastByte));
    EXPECT_EQ(W.LinkUps, 1);
}

TEST_F(DiscoveryTest, WithNoPortsEveryTickRescansAndNothingElse) {
    W.FormCreate();
    W.Ticks(5);
    EXPECT_EQ(W.Rescans, 5);
    EXPECT_EQ(W.List.Reads, 6);
    EXPECT_TRUE(W.Port.Log.empty());
    EXPECT_TRUE(W.CName.empty());
    EXPECT_TRUE(W.Timer.IsOn());
    EXPECT_EQ(W.LinkUps, 0);
}

struct ProbeFault {
    const char* Name;
    void (*Arm)(FakeSerialPort&);
    bool LeftOpen;  // the port opened before the fault
};

class ProbeFaults : public ::testing::TestWithParam<ProbeFault> {};

TEST_P(ProbeFaults, AreSwallowedAndTheNextTickTriesTheNextPort) {
    Host w(SetupSettings);
    w.List.SetPorts({"COM1", "COM2"});
    w.FormCreate();
    GetParam().Arm(w.Port);
    EXPECT_NO_THROW(w.Tick());
    EXPECT_EQ(w.Port.IsOpen(), GetParam().LeftOpen);
    // A failed probe does not restart the period.
    EXPECT_EQ(w.Timer.Restarts, 0);
    EXPECT_TRUE(w.Timer.IsOn());

    w.Port.FailingDevices.clear();
    w.Port.FailDiscard = false;
    w.Port.FailWrite = false;
    w.Tick();
    EXPECT_EQ(w.CName, (Strings{"COM1", "COM2"}));
    EXPECT_EQ(w.Port.Device, "COM2");
    EXPECT_EQ(w.Port.WrittenTo("COM2"), Hello);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ProbeFaults,
    ::testing::Values(
        ProbeFault{"OpenFails", [](FakeSerialPort& p) { p.FailingDevices.insert("COM1"); }, false},
        ProbeFault{"DiscardFails", [](FakeSerialPort& p) { p.FailDiscard = true; }, true},
        ProbeFault{"HelloWriteFails", [](FakeSerialPort& p) { p.FailWrite = true; }, true}),
    [](const auto& info) { return std::string(info.param.Name); });

struct HelloCase {
    const char* Name;
    std::vector<ByteString> Events;
    bool Found;
};

class HelloReplies : public ::testing::TestWithParam<HelloCase> {};

TEST_P(HelloReplies, AreRecognisedExactly) {
    for (const auto& settings : {SetupSettings, MonitorSettings}) {
        Host w(settings);
        w.List.SetPorts({"COM1"});
        w.FormCreate();
        w.Tick();
        for (const auto& event : GetParam().Events) w.Port.Receive(event);
        EXPECT_EQ(w.Link->LinkFound(), GetParam().Found);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HelloReplies,
    ::testing::Values(HelloCase{"Plain", {"IWRX\r"}, true},
                      HelloCase{"FirstByteEscaped", {ByteString{"\x21\xB6WRX\r"}}, true},
                      HelloCase{"SplitAcrossEvents", {"I", "WR", "X", "\r"}, true},
                      HelloCase{"AfterAnotherFrame", {"junk\rIWRX\r"}, true},
                      HelloCase{"LowerCase", {"iwrx\r"}, false},
                      HelloCase{"FollowedByASpace", {"IWRX \r"}, false},
                      HelloCase{"AfterAZeroByte", {ByteString{"\0IWRX\r", 6}}, false},
                      HelloCase{"Shorter", {"IWR\r"}, false},
                      HelloCase{"NoEndByte", {"IWRX"}, false},
                      HelloCase{"EndByteEscaped", {ByteString{"IWRX\x21\xF2"}}, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DiscoveryTest, SetupDecodesTheWholeEventAfterTheHelloReply) {
    W.List.SetPorts({"COM1"});
    W.FormCreate();
    W.Tick();
    W.Port.Receive(HelloReplyBytes + Telemetry);
    EXPECT_TRUE(W.Link->LinkFound());
    EXPECT_EQ(W.Frames, std::vector<ByteString>{Telemetry.substr(0, 10)});
    EXPECT_EQ(W.Port.BytesWaiting(), 0u);
}

class MonitorReceive : public DiscoveryTest {
protected:
    MonitorReceive() : DiscoveryTest(MonitorSettings) {}
};

TEST_F(MonitorReceive, ReturnsAtOnceAfterTheHelloReplyLeavingTheRestQueued) {
    W.List.SetPorts({"COM1"});
    W.FormCreate();
    W.Tick();
    W.Port.Receive(HelloReplyBytes + Telemetry);
    EXPECT_TRUE(W.Link->LinkFound());
    EXPECT_TRUE(W.Frames.empty());
    EXPECT_EQ(W.Port.BytesWaiting(), Telemetry.size());
    EXPECT_TRUE(W.Link->Decoder().RxText().empty());

    // The next receive event reads what stayed queued as well.
    W.Port.Receive("ab");
    EXPECT_EQ(W.Frames, std::vector<ByteString>{Telemetry.substr(0, 10)});
    EXPECT_EQ(W.Link->Decoder().RxText(), "ab");
}

TEST_F(MonitorReceive, HandsEveryOtherFrameOnEvenAnEmptyOne) {
    W.List.SetPorts({"COM1"});
    W.FormCreate();
    W.Tick();
    W.Port.Receive("\r" + Telemetry + "x\r");
    EXPECT_EQ(W.Frames, (std::vector<ByteString>{"", Telemetry.substr(0, 10), "x"}));
    EXPECT_FALSE(W.Link->LinkFound());
}

TEST_F(DiscoveryTest, ReadsOnlyTheBytesWaitingWhenTheEventBegan) {
    W.List.SetPorts({"COM1"});
    W.FormCreate();
    W.Tick();
    W.Port.OnRxChar = [this] {
        W.Link->ReceiveWaiting([this](const ByteString& frame) {
            W.Frames.push_back(frame);
            // More bytes arrive while the frame is handled; they belong to the next event.
            W.Port.Waiting.push_back('z');
        });
    };
    W.Port.Receive("a\r");
    EXPECT_EQ(W.Frames, std::vector<ByteString>{"a"});
    EXPECT_EQ(W.Port.BytesWaiting(), 1u);
    EXPECT_TRUE(W.Link->Decoder().RxText().empty());
}

TEST_F(DiscoveryTest, StopsReadingWhenTheQueueRunsDry) {
    W.List.SetPorts({"COM1"});
    W.FormCreate();
    W.Tick();
    W.Port.OnRxChar = [this] {
        W.Link->ReceiveWaiting([this](const ByteString& frame) {
            W.Frames.push_back(frame);
            W.Port.Waiting.clear();  // the queue was emptied meanwhile
        });
    };
    W.Port.Receive("a\rIWRX\r");
    EXPECT_EQ(W.Frames, std::vector<ByteString>{"a"});
    EXPECT_FALSE(W.Link->LinkFound());
}

TEST_F(DiscoveryTest, ScanClearsTheEscapeStateAndEachProbeClearsTheFrame) {
    W.List.SetPorts({"COM1", "COM2"});
    W.FormCreate();
    W.Tick();
    W.Port.Receive("ab!");
    EXPECT_EQ(W.Link->Decoder().RxEscape(), 1);
    W.Tick();  // the probe of COM2 clears the frame and keeps the escape state
    EXPECT_EQ(W.Link->Decoder().RxText(), "");
    EXPECT_EQ(W.Link->Decoder().RxEscape(), 1);
    W.Port.Receive("cd");
    W.Tick();  // re-scan: the escape state goes, the frame stays
    EXPECT_EQ(W.Link->Decoder().RxEscape(), 0);
    EXPECT_EQ(W.Link->Decoder().RxText(), ByteString("\x9C") + "d");
}

TEST_F(DiscoveryTest, ALinkUpWriteErrorReachesTheWindowAndTheNextTickTriesAgain) {
    W.List.SetPorts({"COM1"});
    W.FormCreate();
    W.Tick();
    W.Port.Receive(HelloReplyBytes);
    W.Port.FailWrite = true;
    W.Clock.Advance(200ms);
    EXPECT_THROW(W.Link->Timer1Find(), PortError);
    EXPECT_TRUE(W.Timer.IsOn());
    EXPECT_EQ(W.LinkUps, 0);
    EXPECT_TRUE(W.Link->LinkFound());

    W.Port.FailWrite = false;
    W.Tick();
    EXPECT_EQ(W.Port.WrittenTo("COM1"), Hello + LinkUpCommand(SetupLinkUpLastByte));
    EXPECT_EQ(W.LinkUps, 1);
}

// A port that vanishes while the link-up command is being written.
class VanishingOnLinkUp : public FakeSerialPort {
public:
    bool Write(const ByteString& bytes) override {
        const bool written = FakeSerialPort::Write(bytes);
        if (bytes.size() > 1) Lose();
        return written && IsOpen_;
    }
};

TEST(DiscoveryLoss, DuringTheLinkUpWriteLeavesTheWindowSearching) {
    BasicHost<VanishingOnLinkUp> w(SetupSettings);
    w.List.SetPorts({"COM1", "COM2"});
    w.FormCreate();
    w.Tick();
    w.Port.Receive(HelloReplyBytes);
    w.Tick();
    EXPECT_EQ(w.Losses, 1);
    EXPECT_EQ(w.LinkUps, 0);
    EXPECT_FALSE(w.Link->Linked());
    EXPECT_TRUE(w.Timer.IsOn());
    // Searching starts over from the first port, once the lost device has rested.
    w.Tick();
    EXPECT_FALSE(w.Port.IsOpen());
    w.Tick();
    EXPECT_TRUE(w.Port.IsOpen());
    EXPECT_EQ(w.Port.Device, "COM1");
}

// Every probed port gets a whole period to answer, without any pause on the thread.
TEST_F(DiscoveryTest, EachSuccessfulProbeRestartsThePeriod) {
    W.List.SetPorts({"COM1", "COM2"});
    W.FormCreate();
    W.Tick();
    EXPECT_EQ(W.Timer.Restarts, 1);
    W.Tick();
    EXPECT_EQ(W.Timer.Restarts, 2);
    W.Tick();  // the re-scan keeps the period of the setup window
    EXPECT_EQ(W.Timer.Restarts, 2);
}

TEST_F(DiscoveryTest, AOnePortListReopensItsPortOnlyAfterTheRest) {
    W.List.SetPorts({"COM1"});
    W.FormCreate();
    W.Tick();  // t = 200: open
    W.Tick();  // t = 400: re-scan, still open
    W.Tick();  // t = 600: closed, not reopened yet
    EXPECT_EQ(W.Port.Log, (Strings{"open COM1", "discard COM1", "close COM1"}));
    EXPECT_FALSE(W.Port.IsOpen());
    W.Tick();  // t = 800: 200 ms after the close
    EXPECT_FALSE(W.Port.IsOpen());
    EXPECT_EQ(W.Port.Log.size(), 3u);
    W.Tick();  // t = 1000: 400 ms after the close
    EXPECT_TRUE(W.Port.IsOpen());
    EXPECT_EQ(W.Port.Log.back(), "discard COM1");
    EXPECT_EQ(W.Port.WrittenTo("COM1"), Hello + Hello);
    EXPECT_EQ(W.Link->PortIndex(), 0);
    EXPECT_EQ(W.Rescans, 1);
}

TEST_F(DiscoveryTest, ADeviceClosedExactlyTheGapAgoMayOpen) {
    W.List.SetPorts({"COM1"});
    W.FormCreate();
    W.Ticks(3);  // open, re-scan, close at t0
    W.Clock.Advance(Discovery::ReopenGap - 1ms);
    W.Timer.Tick();
    EXPECT_FALSE(W.Port.IsOpen());
    W.Clock.Advance(1ms);
    W.Timer.Tick();
    EXPECT_TRUE(W.Port.IsOpen());
}

TEST_F(DiscoveryTest, ClosingOnePortDoesNotDelayOpeningAnother) {
    W.List.SetPorts({"COM1", "COM2"});
    W.FormCreate();
    W.Ticks(2);
    EXPECT_EQ(W.Port.Device, "COM2");
    EXPECT_TRUE(W.Port.IsOpen());
}

TEST_F(MonitorReceive, AfterCloseTheSamePortIsProbedOnlyAfterItsRest) {
    W.List.SetPorts({"COM1"});
    W.FormCreate();
    W.Tick();
    W.Port.Receive(HelloReplyBytes);
    W.Tick();
    ASSERT_TRUE(W.Link->Linked());

    W.Link->Close();
    EXPECT_FALSE(W.Port.IsOpen());
    EXPECT_FALSE(W.Timer.IsOn());
    EXPECT_FALSE(W.Link->Linked());
    const int restarts = W.Timer.Restarts;
    W.FormCreate();  // Close goes back to searching
    EXPECT_EQ(W.Timer.Restarts, restarts + 1);
    W.Tick();  // 200 ms after the close
    EXPECT_FALSE(W.Port.IsOpen());
    W.Tick();  // 400 ms
    EXPECT_TRUE(W.Port.IsOpen());
    W.Port.Receive(HelloReplyBytes);
    W.Tick();
    EXPECT_EQ(W.LinkUps, 2);
    EXPECT_EQ(W.Port.WrittenTo("COM1"), Hello + LinkUpCommand(MonitorLinkUpLastByte) + Hello +
                                            LinkUpCommand(MonitorLinkUpLastByte));
}

// Bytes of a port that is closed never reach the decoder: a late answer cannot link the
// program to the port probed next.
TEST_F(DiscoveryTest, BytesOfAClosedPortAreNotDecoded) {
    W.List.SetPorts({"COM1", "COM2"});
    W.FormCreate();
    W.Tick();
    W.Tick();  // COM1 closed, COM2 open and silent
    W.Port.Close();
    // A receive event of the old port that was already on its way.
    W.Port.Waiting.assign(HelloReplyBytes.begin(), HelloReplyBytes.end());
    W.Port.OnRxChar();
    EXPECT_FALSE(W.Link->LinkFound());
    EXPECT_TRUE(W.Link->Decoder().RxText().empty());
}

TEST_F(DiscoveryTest, LossOfTheLinkedPortStartsSearchingAgain) {
    W.List.SetPorts({"COM1"});
    W.FormCreate();
    W.Tick();
    W.Port.Receive(HelloReplyBytes);
    W.Tick();
    ASSERT_TRUE(W.Link->Linked());
    ASSERT_FALSE(W.Timer.IsOn());

    W.Port.Receive("partial");
    W.Port.Lose();
    EXPECT_EQ(W.Losses, 1);
    EXPECT_FALSE(W.Link->Linked());
    EXPECT_FALSE(W.Link->LinkFound());
    EXPECT_TRUE(W.Timer.IsOn());
    EXPECT_EQ(W.Link->PortIndex(), -1);
    EXPECT_TRUE(W.Link->Decoder().RxText().empty());

    // The dongle is back: found again once it has rested.
    W.Ticks(2);
    EXPECT_TRUE(W.Port.IsOpen());
    W.Port.Receive(HelloReplyBytes);
    W.Tick();
    EXPECT_EQ(W.LinkUps, 2);
    EXPECT_EQ(W.Losses, 1);
}

TEST_F(DiscoveryTest, LossAfterTheAnswerBeforeTheLinkUpSearchesAgainWithoutLinkingUp) {
    W.List.SetPorts({"COM1", "COM2"});
    W.FormCreate();
    W.Tick();
    W.Port.Receive(HelloReplyBytes);
    W.Port.Lose();
    EXPECT_EQ(W.Losses, 1);
    W.Tick();
    EXPECT_EQ(W.LinkUps, 0);
    EXPECT_EQ(W.Port.WrittenTo("COM1"), Hello);
    EXPECT_EQ(W.CName.back(), "COM1");
}

TEST_F(DiscoveryTest, LossWhileProbingJustGoesOnWithTheNextPort) {
    W.List.SetPorts({"COM1", "COM2"});
    W.FormCreate();
    W.Tick();
    W.Port.Lose();
    EXPECT_EQ(W.Losses, 0);
    EXPECT_EQ(W.Rescans, 0);
    EXPECT_TRUE(W.Timer.IsOn());
    W.Tick();
    EXPECT_EQ(W.Port.Device, "COM2");
    EXPECT_TRUE(W.Port.IsOpen());
    // The lost device rests like a closed one.
    W.Tick();  // re-scan
    W.Tick();  // COM1 again, 600 ms after the loss
    EXPECT_EQ(W.Port.Device, "COM1");
    EXPECT_TRUE(W.Port.IsOpen());
}

}  // namespace
}  // namespace pace
