// Discovery through the real serial port on pseudo-terminals, with simulated devices at the
// other ends. The probe tick is stepped by hand; only the serial I/O is waited for.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Discovery.h"
#include "Fakes.h"
#include "HeldPort.h"
#include "QtSerialPort.h"
#include "SimTransceiver.h"

namespace pace {
namespace {

using namespace std::chrono_literals;
using testing::FakeClock;
using testing::FakePortList;
using testing::FakeTickTimer;
using testing::HeldPort;
using testing::PumpUntil;
using testing::SimTransceiver;

// Stands in for a window: the scan is its creation handler, the loss sends it searching.
class LinkHost {
public:
    explicit LinkHost(const DiscoverySettings& settings) {
        DiscoveryHooks hooks;
        hooks.Rescan = [this] { Link->Scan(); };
        hooks.ShowPortName = [this](const std::string& name) { CName = name; };
        hooks.LinkUp = [this] { ++LinkUps; };
        hooks.Lost = [this] {
            ++Losses;
            Link->Scan();
        };
        Link = std::make_unique<Discovery>(Port, List, Timer, Clock.AsFunction(), settings,
                                           std::move(hooks));
        Timer.OnTick = [this] { Link->Timer1Find(); };
        Port.OnRxChar = [this] {
            Link->ReceiveWaiting([this](const ByteString& frame) { Frames.push_back(frame); });
        };
    }

    void Tick() {
        Clock.Advance(200ms);
        Timer.Tick();
    }

    // Steps the probe until it has linked up, giving each probed port time to answer.
    bool TickUntilLinked(int maxTicks) {
        for (int i = 0; i < maxTicks && !Link->Linked(); ++i) {
            Tick();
            if (Port.IsOpen()) PumpUntil([this] { return Link->LinkFound(); }, 2s);
        }
        return Link->Linked();
    }

    QtSerialPort Port;
    FakePortList List;
    FakeTickTimer Timer;
    FakeClock Clock;
    std::unique_ptr<Discovery> Link;
    std::string CName;
    std::vector<ByteString> Frames;
    int LinkUps = 0;
    int Losses = 0;
};

const DiscoverySettings SetupSettings{SetupLinkUpLastByte, ScanTimerStart::KeepPeriod,
                                      ReceiveRule::DecodeWholeEvent};
const DiscoverySettings MonitorSettings{MonitorLinkUpLastByte, ScanTimerStart::RestartPeriod,
                                        ReceiveRule::ReturnAfterHello};

TEST(EndToEnd, FindsTheTransceiverListedAfterASilentPortAndAHeldOne) {
    SimTransceiver silent;
    silent.SetMode(SimTransceiver::Mode::Silent);
    SimTransceiver busy;
    HeldPort other(busy.SlavePath());
    ASSERT_TRUE(other.Held());
    SimTransceiver transceiver;

    LinkHost w(SetupSettings);
    w.List.SetPorts({silent.SlavePath(), busy.SlavePath(), transceiver.SlavePath()});
    w.Link->Scan();

    w.Tick();
    EXPECT_EQ(w.CName, silent.SlavePath());
    ASSERT_TRUE(PumpUntil([&] { return silent.HelloCount() == 1; }));
    EXPECT_FALSE(w.Link->LinkFound());

    w.Tick();  // the held port is passed over silently
    EXPECT_EQ(w.CName, busy.SlavePath());
    EXPECT_FALSE(w.Port.IsOpen());

    w.Tick();
    EXPECT_EQ(w.CName, transceiver.SlavePath());
    ASSERT_TRUE(PumpUntil([&] { return w.Link->LinkFound(); }));

    w.Tick();
    EXPECT_TRUE(w.Link->Linked());
    EXPECT_FALSE(w.Timer.IsOn());
    ASSERT_TRUE(PumpUntil([&] { return transceiver.LinkUps().size() == 1; }));
    EXPECT_EQ(transceiver.LinkUps()[0], ByteString("ZS\0E\0P\x08", 7));
    EXPECT_EQ(transceiver.Received(), ByteString("NZS\0E\0P\x08", 8));
    EXPECT_EQ(busy.Received(), "");
    EXPECT_EQ(silent.Received(), "N");
    EXPECT_EQ(w.CName, transceiver.SlavePath());

    // The port stays open for the commands that follow.
    EXPECT_TRUE(w.Port.IsOpen());
    EXPECT_TRUE(w.Port.Write(BuildDataFrame(DataFrameSize, "TO")));
    ASSERT_TRUE(PumpUntil([&] { return transceiver.DataFrames().size() == 1; }));
    EXPECT_EQ(transceiver.DataFrames()[0], BuildDataFrame(DataFrameSize, "TO"));
}

TEST(EndToEnd, TheMonitorLinksUpWithItsOwnCommandAndReceivesTelemetry) {
    SimTransceiver transceiver;
    const ByteString telemetry{"\x01\x02\x0D\x21\x80\x00\x01\x00\x0C\x1B", 10};
    transceiver.SetTelemetry(telemetry);
    LinkHost w(MonitorSettings);
    w.List.SetPorts({transceiver.SlavePath()});
    w.Link->Scan();
    ASSERT_TRUE(w.TickUntilLinked(5));
    ASSERT_TRUE(PumpUntil([&] { return transceiver.LinkUps().size() == 1; }));
    EXPECT_EQ(transceiver.LinkUps()[0], ByteString("ZS\0E\0P\x0A", 7));

    EXPECT_TRUE(w.Port.Write("C\x1C"));
    ASSERT_TRUE(PumpUntil([&] { return w.Frames.size() >= 3; }));
    EXPECT_EQ(transceiver.PolledCarCode(), std::optional<std::uint8_t>(0x1C));
    for (const auto& frame : w.Frames) EXPECT_EQ(frame, telemetry);

    // Close, then a new discovery: the transceiver stops streaming and answers again.
    w.Link->Close();
    EXPECT_FALSE(w.Port.IsOpen());
    w.Link->Scan();
    ASSERT_TRUE(w.TickUntilLinked(5));
    ASSERT_TRUE(PumpUntil([&] { return transceiver.LinkUps().size() == 2; }));
    EXPECT_EQ(transceiver.HelloCount(), 2);
    EXPECT_FALSE(transceiver.Streaming());
}

TEST(EndToEnd, AVanishedTransceiverIsFoundAgainWhenItComesBack) {
    auto first = std::make_unique<SimTransceiver>();
    LinkHost w(SetupSettings);
    w.List.SetPorts({first->SlavePath()});
    w.Link->Scan();
    ASSERT_TRUE(w.TickUntilLinked(5));

    first->Vanish();  // the dongle is pulled out: its terminal hangs up
    ASSERT_TRUE(PumpUntil([&] { return w.Losses > 0; }));
    EXPECT_FALSE(w.Port.IsOpen());
    EXPECT_FALSE(w.Link->Linked());
    EXPECT_TRUE(w.Timer.IsOn());
    // One close and one report, however long the events run.
    EXPECT_FALSE(PumpUntil([&] { return w.Losses > 1; }, 300ms));
    first.reset();

    // Plugged in again, it comes back under a new name.
    SimTransceiver back;
    w.List.SetPorts({back.SlavePath()});
    ASSERT_TRUE(w.TickUntilLinked(10));
    EXPECT_EQ(w.CName, back.SlavePath());
    ASSERT_TRUE(PumpUntil([&] { return back.LinkUps().size() == 1; }));
    EXPECT_EQ(w.LinkUps, 2);
    EXPECT_EQ(w.Losses, 1);
}

TEST(EndToEnd, AnAnswerLeftUnreadWhenItsPortClosesDoesNotLinkTheNextOne) {
    SimTransceiver slow;
    slow.SetMode(SimTransceiver::Mode::Silent);
    SimTransceiver silent;
    silent.SetMode(SimTransceiver::Mode::Silent);
    LinkHost w(SetupSettings);
    w.List.SetPorts({slow.SlavePath(), silent.SlavePath()});
    w.Link->Scan();

    w.Tick();
    ASSERT_TRUE(PumpUntil([&] { return slow.HelloCount() == 1; }));
    // The answer arrives, but its receive event is not handled before the next tick.
    const auto handler = w.Port.OnRxChar;
    w.Port.OnRxChar = nullptr;
    slow.SendFrame("IWRX");
    ASSERT_TRUE(PumpUntil([&] { return w.Port.BytesWaiting() == 5; }));
    w.Port.OnRxChar = handler;

    w.Tick();
    ASSERT_TRUE(PumpUntil([&] { return silent.HelloCount() == 1; }));
    // The late receive event now runs, with the next port open.
    w.Port.OnRxChar();
    EXPECT_FALSE(w.Link->LinkFound());
    w.Tick();
    EXPECT_FALSE(w.Link->Linked());
    EXPECT_EQ(silent.Received(), "N");
}

TEST(EndToEnd, GarbageNeverLinksUpAndStaysBounded) {
    SimTransceiver noisy;
    noisy.SetMode(SimTransceiver::Mode::Garbage);
    LinkHost w(SetupSettings);
    w.List.SetPorts({noisy.SlavePath()});
    w.Link->Scan();
    w.Tick();
    ASSERT_TRUE(PumpUntil([&] { return w.Frames.size() >= 3; }));
    EXPECT_FALSE(w.Link->LinkFound());
    EXPECT_LE(w.Link->Decoder().RxText().size(), MaxReplyFrameBytes);
}

}  // namespace
}  // namespace pace
