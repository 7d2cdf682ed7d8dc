// A device that floods the port being probed: bytes that never end a frame, or garbage at
// the terminal's full speed. The window keeps its memory, keeps answering, and finds the
// transceiver listed after the flooding device.
#include <gtest/gtest.h>

#include <QTimer>
#include <algorithm>
#include <chrono>

#include "Harness.h"
#include "PtyFlood.h"

#if defined(__SANITIZE_ADDRESS__)
#define PACE_FAULTS_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PACE_FAULTS_ASAN 1
#endif
#endif

namespace pace::testing {
namespace {

using namespace std::chrono_literals;

// Far less than what floods in: a window that kept the bytes would grow by megabytes.
constexpr long long ResidentGrowthBound = 8ll << 20;

template <class Form>
class Flood : public ::testing::Test {};
TYPED_TEST_SUITE(Flood, BothWindows, WindowName);

TYPED_TEST(Flood, KeepsMemoryBoundedAnswersAndFindsTheTransceiverBehind) {
    const struct {
        const char* Name;
        PtyFlood::Kind Kind;
        std::size_t Bytes;
    } cases[] = {
        {"10 MB without an end byte", PtyFlood::Kind::NoEndByte, 10u << 20},
        {"10 MB of garbage", PtyFlood::Kind::Garbage, 10u << 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        PtyFlood flood(c.Kind, c.Bytes);
        SimTransceiver transceiver;
        WindowOnPty<TypeParam> h;
        h.SetPorts({flood.SlavePath(), transceiver.SlavePath()});
        h.Make();

        // A zero-timer fires whenever the event loop comes round; it also samples the decoder
        // and the process's memory.
        const long long residentBefore = ResidentBytes();
        long long residentMost = residentBefore;
        std::size_t frameMost = 0;
        long turnsDuringFlood = 0;
        QTimer zero;
        zero.setInterval(0);
        QObject::connect(&zero, &QTimer::timeout, [&] {
            if (!flood.Probed() || flood.Done()) return;
            ++turnsDuringFlood;
            frameMost = std::max(frameMost, h.Link().Decoder().RxText().size());
            if (turnsDuringFlood % 32 == 0) residentMost = std::max(residentMost, ResidentBytes());
        });
        zero.start();

        h.Tick();
        ASSERT_TRUE(h.Port.IsOpenOn(flood.SlavePath()));
        // Every byte is taken from the port, none left behind in the terminal.
        ASSERT_TRUE(PumpUntil(
            [&] { return flood.Done() && h.Port.BytesRead == static_cast<long long>(c.Bytes); },
            100s))
            << flood.Sent() << " sent, " << h.Port.BytesRead << " read";
        zero.stop();
        residentMost = std::max(residentMost, ResidentBytes());

        EXPECT_GT(turnsDuringFlood, 100) << "the event loop stalled under the flood";
        EXPECT_LE(frameMost, MaxReplyFrameBytes);
        EXPECT_LE(h.Link().Decoder().RxText().size(), MaxReplyFrameBytes);
#ifndef PACE_FAULTS_ASAN
        // (AddressSanitizer keeps freed memory in quarantine, so resident memory says
        // nothing about the program there.)
        EXPECT_LT(residentMost - residentBefore, ResidentGrowthBound);
#endif
        ::testing::Test::RecordProperty("resident_growth_kib",
                                        static_cast<int>((residentMost - residentBefore) >> 10));

        h.LinkUpWith(transceiver, 3);
        EXPECT_EQ(h.Port.Opens.size(), 2u);
        EXPECT_TRUE(h.Dialogs.Boxes.empty());
    }
}

}  // namespace
}  // namespace pace::testing
