// The monitor's plain logic: poll command, car code, ID text, telemetry step, monitor tick.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Telemetry.h"

namespace pace {
namespace {

const std::vector<std::string> IdEntries{" 1", " 2",  " 3",  " 4",  " 5",  " 6",  " 7",  " 8",
                                         " 9", " 10", " 11", " 12", " 13", " 14", " 15", " 16",
                                         "17", "18",  "19",  "20",  "21",  "22",  "23",  "24"};

ByteString Bytes(std::initializer_list<int> values) {
    ByteString out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

TEST(CarCode, IsTheSelectedIndexPlus28KeptToEightBits) {
    const struct {
        int Index;
        int Code;
    } cases[] = {{-1, 0x1B}, {0, 0x1C}, {4, 0x20}, {23, 0x33}, {228, 0x00}, {255, 0x1B}};
    for (const auto& c : cases) {
        EXPECT_EQ(CarCodeFor(c.Index), c.Code) << "index " << c.Index;
        EXPECT_EQ(PollCommand(CarCodeFor(c.Index)), Bytes({0x43, c.Code})) << "index " << c.Index;
    }
}

TEST(IdText, StandsForTheEntryEqualToItWithoutSpaces) {
    const struct {
        const char* Text;
        int Entry;
    } cases[] = {
        {" 1", 0},   {"1", 0},   {"5", 4},    {" 5 ", 4},  {"   16", 15}, {"17", 16},
        {" 17", 16}, {"24", 23}, {"05", -1},  {"5.", -1},  {"1 0", -1},   {"25", -1},
        {"0", -1},   {"", -1},   {"   ", -1}, {"abc", -1}, {"+5", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EntryForText(IdEntries, c.Text), c.Entry) << '"' << c.Text << '"';
}

TEST(TelemetryFrame, ShowsBytesTwoToSixAndEight) {
    const struct {
        const char* Name;
        ByteString Frame;
        int Pin, Throttle, Brake;
        bool Pressed;
        const char* Version;
    } cases[] = {
        {"throttle half, brake and LC off, version 12",
         Bytes({0, 0, 0, 0, 0x80, 0x00, 0x00, 0x77, 0x0C, 0}), 0, 128, 0, false, " 12"},
        {"LC 0x01 is pressed", Bytes({0, 0, 34, 12, 0, 0, 0x01, 0, 1, 0}), 1234, 0, 0, true, " 1"},
        {"LC 0xFF is pressed", Bytes({0, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0}), 0, 0, 0, true, " 0"},
        {"PIN 9999", Bytes({0xAA, 0xBB, 99, 99, 255, 255, 0, 0xCC, 255, 0xDD}), 9999, 255, 255,
         false, " 255"},
        {"PIN bytes above 99 are not rejected", Bytes({0, 0, 255, 255, 1, 2, 0, 0, 7, 0}), 25755, 1,
         2, false, " 7"},
        {"an eleventh byte is ignored", Bytes({0, 0, 5, 1, 9, 8, 0, 0, 3, 0, 0xFF}), 105, 9, 8,
         false, " 3"},
        {"escape and end bytes as content",
         Bytes({0x21, 0x0D, 0x21, 0x0D, 0x0D, 0x21, 0, 0, 13, 0}), 0x21 + 100 * 0x0D, 0x0D, 0x21,
         false, " 13"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const auto t = ReadTelemetry(c.Frame);
        ASSERT_TRUE(t.has_value());
        EXPECT_EQ(t->Pin, c.Pin);
        EXPECT_EQ(t->Throttle, c.Throttle);
        EXPECT_EQ(t->Brake, c.Brake);
        EXPECT_EQ(t->LaneChangePressed, c.Pressed);
        EXPECT_EQ(VersionText(t->Version), c.Version);
    }
}

TEST(TelemetryFrame, ShorterThanTenBytesIsDropped) {
    for (std::size_t length : {0, 1, 4, 7, 9}) {
        // The bytes after the frame would read as a valid frame if the step looked past its end.
        const ByteString buffer(20, '\x40');
        const ByteString frame = buffer.substr(0, length);
        EXPECT_FALSE(ReadTelemetry(frame).has_value()) << length << " bytes";

        TelemetryMonitor monitor;
        EXPECT_FALSE(monitor.TakeFrame(frame)) << length << " bytes";
        EXPECT_EQ(monitor.Display(), TelemetryDisplay{}) << length << " bytes";
        EXPECT_EQ(monitor.FramesShown(), 0);
    }
}

// A monitor driven tick by tick, recording what it writes.
struct TickDriver {
    TelemetryMonitor::TickResult Tick() {
        return Monitor.Tick([this](const ByteString& bytes) { Written.push_back(bytes); });
    }
    // Ticks until the silence clearing runs; returns on which tick it did (0: not in 100).
    int TicksUntilClearing() {
        for (int tick = 1; tick <= 100; ++tick)
            if (Tick() == TelemetryMonitor::TickResult::SilenceCleared) return tick;
        return 0;
    }
    const ByteString Frame = Bytes({0, 0, 21, 43, 200, 10, 1, 0, 5, 0});

    TelemetryMonitor Monitor;
    std::vector<ByteString> Written;
};

class MonitorTicks : public ::testing::Test, protected TickDriver {};

TEST_F(MonitorTicks, PollsOnceOnTheFirstTickAndCountsSilenceFromTheFourth) {
    Monitor.Start(0x1C);
    using R = TelemetryMonitor::TickResult;
    EXPECT_EQ(Tick(), R::PollSent);
    EXPECT_EQ(Tick(), R::Waiting);
    EXPECT_EQ(Tick(), R::Waiting);
    EXPECT_EQ(Monitor.PollPhase(), 3);
    EXPECT_EQ(Monitor.SilentTicks(), 0);
    for (int tick = 4; tick <= 42; ++tick) ASSERT_EQ(Tick(), R::Silent) << "tick " << tick;
    EXPECT_EQ(Monitor.SilentTicks(), 39);
    EXPECT_EQ(Tick(), R::SilenceCleared);  // the 43rd
    EXPECT_EQ(Monitor.SilentTicks(), 39);
    for (int tick = 44; tick <= 50; ++tick) EXPECT_EQ(Tick(), R::SilenceCleared) << tick;
    EXPECT_EQ(Monitor.SilenceClearings(), 8);
    EXPECT_EQ(Written, std::vector<ByteString>{Bytes({0x43, 0x1C})});
    EXPECT_EQ(Monitor.PollPhase(), 3);
}

TEST_F(MonitorTicks, ClearingComesOnTheTickSetBySilenceBeforeStart) {
    const struct {
        const char* Name;
        std::function<void(TickDriver&)> Before;
        int ClearingTick;
    } cases[] = {
        {"first start", [](TickDriver&) {}, 43},
        {"start after a cleared silence",
         [](TickDriver& t) {
             t.Monitor.Start(0x1C);
             t.TicksUntilClearing();
         },
         4},
        {"start after a cleared silence, frame before start",
         [](TickDriver& t) {
             t.Monitor.Start(0x1C);
             t.TicksUntilClearing();
             t.Monitor.TakeFrame(t.Frame);
         },
         43},
        {"start after a cleared silence, short frame before start",
         [](TickDriver& t) {
             t.Monitor.Start(0x1C);
             t.TicksUntilClearing();
             t.Monitor.TakeFrame(Bytes({0, 0, 21, 43, 200, 10, 1, 0, 5}));
         },
         4},
        {"start after ten silent ticks",
         [](TickDriver& t) {
             t.Monitor.Start(0x1C);
             for (int i = 0; i < 13; ++i) t.Tick();
         },
         33},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TickDriver t;
        c.Before(t);
        t.Monitor.Start(0x20);
        EXPECT_EQ(t.TicksUntilClearing(), c.ClearingTick);
    }
}

TEST_F(MonitorTicks, AFrameResetsTheSilenceAndClearingKeepsPinAndVersion) {
    Monitor.Start(0x1C);
    Tick();
    Tick();  // phase 2
    ASSERT_TRUE(Monitor.TakeFrame(Frame));
    const TelemetryDisplay shown{4321, 200, 10, true, " 5", false};
    EXPECT_EQ(Monitor.Display(), shown);
    EXPECT_EQ(TicksUntilClearing(), 41);  // the phase-3 tick, then 40 silent ones
    EXPECT_EQ(Monitor.Display(), (TelemetryDisplay{4321, 0, 0, false, " 5", true}));

    // Frames stopping later: cleared on the 40th tick after the last one.
    ASSERT_TRUE(Monitor.TakeFrame(Frame));
    EXPECT_EQ(Monitor.SilentTicks(), 0);
    EXPECT_EQ(Monitor.Display(), shown);
    EXPECT_EQ(TicksUntilClearing(), 40);
}

TEST_F(MonitorTicks, AShortFrameNeitherShowsNorResetsTheSilence) {
    Monitor.Start(0x1C);
    ASSERT_TRUE(Monitor.TakeFrame(Frame));
    for (int i = 0; i < 20; ++i) Tick();
    const auto before = Monitor.Display();
    EXPECT_FALSE(Monitor.TakeFrame(Bytes({})));
    EXPECT_FALSE(Monitor.TakeFrame(Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9})));
    EXPECT_EQ(Monitor.SilentTicks(), 17);
    EXPECT_EQ(Monitor.Display(), before);
    EXPECT_EQ(Monitor.FramesShown(), 1);
}

TEST_F(MonitorTicks, AFailedPollWriteIsRetriedOnTheNextTick) {
    Monitor.Start(0x33);
    int attempts = 0;
    const auto failing = [&](const ByteString&) {
        ++attempts;
        throw std::runtime_error("write failed");
    };
    EXPECT_THROW(Monitor.Tick(failing), std::runtime_error);
    EXPECT_THROW(Monitor.Tick(failing), std::runtime_error);
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(Monitor.PollPhase(), 0);
    EXPECT_EQ(Tick(), TelemetryMonitor::TickResult::PollSent);
    EXPECT_EQ(Written, std::vector<ByteString>{Bytes({0x43, 0x33})});
    EXPECT_EQ(Monitor.SilentTicks(), 0);
}

TEST_F(MonitorTicks, NoSignalIsShownByCloseWithoutTouchingTheOtherDisplays) {
    ASSERT_TRUE(Monitor.TakeFrame(Frame));
    Monitor.ShowNoSignal();
    EXPECT_EQ(Monitor.Display(), (TelemetryDisplay{4321, 200, 10, true, " 5", true}));
}

}  // namespace
}  // namespace pace
