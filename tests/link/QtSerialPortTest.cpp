// The real serial port, timer and port list, on pseudo-terminals with the simulated
// transceiver at the other end.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <string>

#include "HeldPort.h"
#include "PortList.h"
#include "QtSerialPort.h"
#include "QtTickTimer.h"
#include "SimTransceiver.h"

namespace pace {
namespace {

using namespace std::chrono_literals;
using testing::HeldPort;
using testing::PumpUntil;
using testing::SimTransceiver;

class QtSerialPortTest : public ::testing::Test {
protected:
    QtSerialPortTest() {
        Port.OnRxChar = [this] { ++RxEvents; };
        Port.OnLost = [this] {
            ++Losses;
            OpenWhenLost = Port.IsOpen();
        };
    }

    ByteString ReadAll() {
        ByteString bytes;
        std::uint8_t b = 0;
        while (Port.ReadByte(b)) bytes.push_back(static_cast<char>(b));
        return bytes;
    }

    SimTransceiver Sim;
    QtSerialPort Port;
    int RxEvents = 0;
    int Losses = 0;
    bool OpenWhenLost = true;
};

TEST_F(QtSerialPortTest, OpensWithTheTransceiversLineSettings) {
    ASSERT_NO_THROW(Port.Open(Sim.SlavePath()));
    ASSERT_TRUE(Port.IsOpen());
    // Read the settings through a second descriptor of the same terminal. Only root gets past
    // the terminal's exclusive mode.
    const int fd = ::open(Sim.SlavePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) GTEST_SKIP() << "the terminal is held exclusively; needs root to look at it";
    termios t{};
    ASSERT_EQ(::tcgetattr(fd, &t), 0);
    ::close(fd);
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B500000));
    EXPECT_EQ(::cfgetispeed(&t), static_cast<speed_t>(B500000));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_FALSE(t.c_cflag & PARENB);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_FALSE(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | ISTRIP));
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(t.c_oflag & OPOST);
}

TEST_F(QtSerialPortTest, AMissingDeviceFailsToOpenWithTheSystemsText) {
    try {
        Port.Open("/dev/pace-no-such-port");
        FAIL() << "opened a missing device";
    } catch (const PortError& e) {
        EXPECT_STRNE(e.what(), "");
    }
    EXPECT_FALSE(Port.IsOpen());
}

TEST_F(QtSerialPortTest, APortHeldByAnotherProgramFailsToOpen) {
    HeldPort other(Sim.SlavePath());
    ASSERT_TRUE(other.Held());
    EXPECT_THROW(Port.Open(Sim.SlavePath()), PortError);
    EXPECT_FALSE(Port.IsOpen());
}

TEST_F(QtSerialPortTest, OpeningAgainWhileOpenIsRefused) {
    Port.Open(Sim.SlavePath());
    EXPECT_THROW(Port.Open(Sim.SlavePath()), PortError);
    EXPECT_TRUE(Port.IsOpen());
}

TEST_F(QtSerialPortTest, WritesEveryByteAsItIs) {
    Port.Open(Sim.SlavePath());
    ByteString all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_TRUE(Port.Write(all));
    EXPECT_TRUE(PumpUntil([&] { return Sim.Received().size() >= all.size(); }));
    EXPECT_EQ(Sim.Received(), all);
}

TEST_F(QtSerialPortTest, AnnouncesArrivingBytesAndHandsThemOutInOrder) {
    Port.Open(Sim.SlavePath());
    const ByteString bytes{"\x00\x0D\x21\xFF\x11\x13\x0A", 7};
    Sim.SendRaw(bytes);
    ASSERT_TRUE(PumpUntil([&] { return Port.BytesWaiting() >= bytes.size(); }));
    EXPECT_GE(RxEvents, 1);
    EXPECT_EQ(ReadAll(), bytes);
    std::uint8_t b = 0;
    EXPECT_FALSE(Port.ReadByte(b));
}

TEST_F(QtSerialPortTest, DiscardEmptiesTheReceiveQueue) {
    Port.Open(Sim.SlavePath());
    Sim.SendRaw("stale");
    ASSERT_TRUE(PumpUntil([&] { return Port.BytesWaiting() == 5; }));
    Port.DiscardQueues();
    EXPECT_EQ(Port.BytesWaiting(), 0u);
}

TEST_F(QtSerialPortTest, CloseDropsTheBytesNotYetRead) {
    Port.Open(Sim.SlavePath());
    Sim.SendRaw("IWRX\r");
    ASSERT_TRUE(PumpUntil([&] { return Port.BytesWaiting() == 5; }));
    Port.Close();
    EXPECT_FALSE(Port.IsOpen());
    EXPECT_EQ(Port.BytesWaiting(), 0u);
    std::uint8_t b = 0;
    EXPECT_FALSE(Port.ReadByte(b));
    Port.Open(Sim.SlavePath());
    EXPECT_EQ(Port.BytesWaiting(), 0u);
}

TEST_F(QtSerialPortTest, WhileClosedNothingIsWrittenOrRead) {
    EXPECT_FALSE(Port.Write("N"));
    EXPECT_NO_THROW(Port.DiscardQueues());
    EXPECT_NO_THROW(Port.Close());
    EXPECT_EQ(Port.BytesWaiting(), 0u);
}

TEST_F(QtSerialPortTest, AWriteToAStalledDeviceGivesUpAfterItsTimeOut) {
    Port.Open(Sim.SlavePath());
    Sim.SetMode(SimTransceiver::Mode::StopReading);
    // Far more than the terminal's queues hold.
    EXPECT_FALSE(Port.Write(ByteString(4 << 20, 'x')));
    // Closing throws away what is still queued instead of waiting for it.
    Port.Close();
    EXPECT_FALSE(Port.IsOpen());
    Sim.SetMode(SimTransceiver::Mode::Normal);
    Port.Open(Sim.SlavePath());
    EXPECT_TRUE(Port.IsOpen());
}

TEST_F(QtSerialPortTest, AHangUpClosesThePortAndIsReportedOnce) {
    Port.Open(Sim.SlavePath());
    Sim.SendRaw("unread");
    ASSERT_TRUE(PumpUntil([&] { return Port.BytesWaiting() == 6; }));
    Sim.Vanish();
    ASSERT_TRUE(PumpUntil([&] { return Losses > 0; }));
    EXPECT_FALSE(OpenWhenLost);
    EXPECT_FALSE(Port.IsOpen());
    EXPECT_EQ(Port.BytesWaiting(), 0u);
    EXPECT_FALSE(Port.Write("N"));
    // No further report follows, however long the events run.
    EXPECT_FALSE(PumpUntil([&] { return Losses > 1; }, 300ms));
    EXPECT_EQ(Losses, 1);
}

TEST_F(QtSerialPortTest, AfterAHangUpAnotherDeviceOpensAndWorks) {
    Port.Open(Sim.SlavePath());
    Sim.Vanish();
    ASSERT_TRUE(PumpUntil([&] { return Losses > 0; }));
    SimTransceiver next;
    Port.Open(next.SlavePath());
    next.SendRaw("ok");
    ASSERT_TRUE(PumpUntil([&] { return Port.BytesWaiting() == 2; }));
    EXPECT_EQ(ReadAll(), "ok");
    EXPECT_TRUE(Port.Write("N"));
    EXPECT_TRUE(PumpUntil([&] { return next.HelloCount() == 1; }));
    EXPECT_EQ(Losses, 1);
}

TEST(QtTickTimerTest, TicksWhileOnAndStopsWhenSwitchedOff) {
    QtTickTimer timer(5ms);
    int ticks = 0;
    timer.OnTick = [&] { ++ticks; };
    EXPECT_FALSE(timer.IsOn());
    timer.SwitchOn();
    EXPECT_TRUE(timer.IsOn());
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 2; }));
    timer.SwitchOff();
    EXPECT_FALSE(timer.IsOn());
    const int seen = ticks;
    EXPECT_FALSE(PumpUntil([&] { return ticks > seen; }, 50ms));
    timer.Restart();
    EXPECT_TRUE(timer.IsOn());
}

TEST(PortListTest, TheSystemListCanBeReadAndNamesOpenAsTheyAre) {
    const auto list = MakeSystemPortList();
    ASSERT_NE(list, nullptr);
    for (const auto& entry : list->Read()) {
        EXPECT_FALSE(entry.PortName.empty());
        EXPECT_FALSE(entry.ValueName.empty());
    }
    EXPECT_EQ(DeviceNameFor("ttyUSB0"), "ttyUSB0");
    EXPECT_EQ(DeviceNameFor("/dev/pts/3"), "/dev/pts/3");
}

}  // namespace
}  // namespace pace
