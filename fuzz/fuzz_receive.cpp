// Feeds arbitrary device bytes through discovery's receive handler, in both programs' rules,
// split into receive events of varying size. The decoder's frame must stay bounded and no
// frame handed out may exceed the bound.
#include <cstddef>
#include <cstdint>

#include "Discovery.h"
#include "LinkFakes.h"

namespace {

using pace::testing::FakePortList;
using pace::testing::FakeSerialPort;
using pace::testing::FakeTickTimer;

void Run(const std::uint8_t* data, std::size_t size, pace::DiscoverySettings settings) {
    FakeSerialPort port;
    FakePortList list;
    list.SetPorts({"dev"});
    FakeTickTimer timer;
    std::chrono::steady_clock::time_point now{};
    pace::Discovery link(port, list, timer, [&] { return now; }, settings, {});
    link.Scan();
    link.Timer1Find();  // opens the one port and writes the hello byte
    if (!port.IsOpen()) __builtin_trap();

    std::size_t pos = 0;
    while (pos < size) {
        // The first byte of each chunk gives the chunk's length.
        const std::size_t chunk = 1 + data[pos] % 64;
        ++pos;
        for (std::size_t i = 0; i < chunk && pos < size; ++i, ++pos) port.Waiting.push_back(data[pos]);
        link.ReceiveWaiting([](const pace::ByteString& frame) {
            if (frame.size() > pace::MaxReplyFrameBytes) __builtin_trap();
        });
        if (link.Decoder().RxText().size() > pace::MaxReplyFrameBytes) __builtin_trap();
    }
    // Whatever is left queued is taken by later events.
    while (port.BytesWaiting() > 0) {
        const std::size_t before = port.BytesWaiting();
        link.ReceiveWaiting();
        if (port.BytesWaiting() >= before) __builtin_trap();  // no progress: a hang
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Run(data, size, {pace::SetupLinkUpLastByte, pace::ScanTimerStart::KeepPeriod,
                     pace::ReceiveRule::DecodeWholeEvent});
    Run(data, size, {pace::MonitorLinkUpLastByte, pace::ScanTimerStart::RestartPeriod,
                     pace::ReceiveRule::ReturnAfterHello});
    return 0;
}
