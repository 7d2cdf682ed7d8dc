// A transceiver that stops reading: once the terminal's queue towards it is full (about
// 20 KB on Linux), a write waits for its time-out of a second and no longer, the setup window
// says the frame was not taken, and both windows work on once the device reads again.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "Harness.h"
#include "Telemetry.h"

namespace pace::testing {
namespace {

using namespace std::chrono_literals;

// The write time-out is a second; a write that gave up sooner did not wait for it, and one
// that took far longer blocked the window past it.
constexpr auto AtLeast = 950ms;
constexpr auto AtMost = 3s;

::testing::AssertionResult WaitedForTheTimeOut(const RecordingPort::WriteCall& w) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(w.Took).count();
    if (w.Result) return ::testing::AssertionFailure() << "the write went through";
    if (w.Took < AtLeast || w.Took > AtMost)
        return ::testing::AssertionFailure() << "the write gave up after " << ms << " ms";
    return ::testing::AssertionSuccess() << "gave up after " << ms << " ms";
}

bool EndsWith(const ByteString& text, const ByteString& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The setup window linked with a transceiver that then stops reading.
class SetupStall : public ::testing::Test {
protected:
    void SetUp() override {
        h.SetPorts({Sim.SlavePath()});
        h.Make();
        h.LinkUpWith(Sim);
        h.Window->PIN->setText("77");
        Sim.SetMode(SimTransceiver::Mode::StopReading);
    }
    [[nodiscard]] int Errors() const {
        int n = 0;
        for (const auto& box : h.Dialogs.Boxes) n += box.Kind == "error";
        return n;
    }
    // The user sends again and again; the terminal takes frames until its queue is full.
    // Returns how many sends went through before one failed.
    int SendUntilAnError() {
        int sent = 0;
        while (Errors() == 0 && sent < 2000) {
            h.Window->SetId->click();
            if (Errors() == 0) ++sent;
        }
        return sent;
    }

    SimTransceiver Sim;
    WindowOnPty<TSetupMain::TForm1> h;
};

TEST_F(SetupStall, ASendFailsAfterTheTimeOutWithTheErrorAndTheWindowWorksOn) {
    const int sent = SendUntilAnError();
    ASSERT_EQ(Errors(), 1);
    EXPECT_GT(sent, 100) << "the queue took only " << sent << " frames";
    EXPECT_TRUE(WaitedForTheTimeOut(h.Port.Writes.back()));
    EXPECT_EQ(h.Dialogs.Boxes.back().Text,
              QString::fromLatin1(TSetupMain::WriteTimeoutText) + QLatin1Char('.'));

    // Stalled for good: the next send waits as long and fails the same way.
    h.Window->SetId->click();
    EXPECT_EQ(Errors(), 2);
    EXPECT_TRUE(WaitedForTheTimeOut(h.Port.Writes.back()));
    EXPECT_TRUE(h.Link().Linked());
    EXPECT_TRUE(LinkedControlsEnabled(*h.Window));
    EXPECT_EQ(h.Port.Losses, 0);

    // Reading again, the device gets the next send in full, with no error.
    Sim.SetMode(SimTransceiver::Mode::Normal);
    h.Window->PIN->setText("78");
    h.Window->SetId->click();
    const ByteString frame = BuildDataFrame(DataFrameSize, h.Window->IdCommand);
    EXPECT_TRUE(h.Port.Writes.back().Result);
    EXPECT_TRUE(PumpUntil([&] { return EndsWith(Sim.Received(), frame); }, 10s));
    EXPECT_EQ(Errors(), 2);
}

// A send that times out must not take with it the frames sent before it, which the user was
// told went out, nor cut a frame in two so that the device reads the next one into it.
TEST_F(SetupStall, FramesReportedAsSentReachTheDeviceWholeAfterATimeOut) {
    const int sent = SendUntilAnError();
    ASSERT_EQ(Errors(), 1);
    const ByteString stalled = BuildDataFrame(DataFrameSize, h.Window->IdCommand);

    Sim.SetMode(SimTransceiver::Mode::Normal);
    h.Window->PIN->setText("78");
    h.Window->SetId->click();
    const ByteString last = BuildDataFrame(DataFrameSize, h.Window->IdCommand);
    ASSERT_TRUE(PumpUntil([&] { return EndsWith(Sim.Received(), last); }, 10s));

    // Byte for byte: every send reported as done, the one that timed out (late, but whole),
    // the last one; nothing lost, nothing cut.
    const ByteString received = Sim.Received();
    const ByteString linkUp = LinkUpCommand(SetupLinkUpLastByte);
    const auto at = received.find(linkUp);
    ASSERT_NE(at, ByteString::npos);
    ByteString expected;
    for (int i = 0; i <= sent; ++i) expected += stalled;
    expected += last;
    const ByteString after = received.substr(at + linkUp.size());
    EXPECT_TRUE(after == expected)
        << after.size() << " bytes came after the link-up, " << expected.size() << " were sent";
}

// Fills the terminal's queue towards the device through a descriptor of its own, opened
// before the window holds the port exclusively.
class QueueFiller {
public:
    explicit QueueFiller(const std::string& device)
        : Fd_(::open(device.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}
    ~QueueFiller() {
        if (Fd_ >= 0) ::close(Fd_);
    }
    QueueFiller(const QueueFiller&) = delete;
    QueueFiller& operator=(const QueueFiller&) = delete;

    [[nodiscard]] bool IsOpen() const { return Fd_ >= 0; }
    // Writes until the terminal takes not one byte more; returns how much it took.
    std::size_t Fill() {
        const ByteString chunk(1024, 'x');
        std::size_t taken = 0;
        for (const std::size_t size : {chunk.size(), std::size_t{1}}) {
            for (;;) {
                const auto n = ::write(Fd_, chunk.data(), size);
                if (n <= 0) break;
                taken += static_cast<std::size_t>(n);
            }
        }
        return taken;
    }
    // Fills again while the terminal moves bytes along its own queues, until it stays full.
    std::size_t FillUntilFull() {
        std::size_t taken = Fill();
        int fullRounds = 0;
        PumpUntil(
            [&] {
                const auto more = Fill();
                taken += more;
                fullRounds = more == 0 ? fullRounds + 1 : 0;
                return fullRounds >= 10;
            },
            5s);
        return taken;
    }

private:
    int Fd_;
};

TEST(MonitorStall, ThePollWaitsAtMostTheTimeOutAndGoesOutOnceTheDeviceReads) {
    SimTransceiver sim;
    QueueFiller filler(sim.SlavePath());
    ASSERT_TRUE(filler.IsOpen());
    WindowOnPty<TTMain::TForm1> h;
    h.SetPorts({sim.SlavePath()});
    h.Make();
    h.LinkUpWith(sim);
    sim.SetMode(SimTransceiver::Mode::StopReading);

    // Start discards both queues; the device stays stalled and its queue fills after that.
    h.Window->Start->click();
    EXPECT_GT(filler.FillUntilFull(), 4096u);
    h.Tick();
    ASSERT_EQ(h.Port.Writes.back().Bytes, PollCommand(CarCodeFor(0)));
    EXPECT_TRUE(WaitedForTheTimeOut(h.Port.Writes.back()));
    // The poll is not repeated, and no box is shown: the display shows the silence.
    const auto writes = h.Port.Writes.size();
    h.Tick();
    h.Tick();
    EXPECT_EQ(h.Port.Writes.size(), writes);
    EXPECT_TRUE(h.Dialogs.Boxes.empty());
    EXPECT_TRUE(h.Window->Monitoring());

    // Reading again, the device takes the poll that waited and streams; the window shows it.
    sim.SetTelemetry(ByteString("\x01\x02\x00\x00\x99\x10\x00\x00\x05\x00", 10));
    sim.SetMode(SimTransceiver::Mode::Normal);
    ASSERT_TRUE(PumpUntil([&] { return sim.PolledCarCode() == CarCodeFor(0); }, 10s));
    ASSERT_TRUE(PumpUntil([&] { return h.Window->Throttle->value() == 0x99; }, 10s));
    EXPECT_EQ(sim.PollCarCodes().size(), 1u);
    EXPECT_TRUE(h.Window->NoSignal->isHidden());
    EXPECT_TRUE(h.Dialogs.Boxes.empty());
    EXPECT_EQ(h.Port.Losses, 0);
}

}  // namespace
}  // namespace pace::testing
