// Device bytes through the reply-frame decoder into the telemetry step, with monitor ticks
// in between: the display stays within the ranges the window can show.
#include <cstddef>
#include <cstdint>

#include "FrameCodec.h"
#include "Telemetry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pace::ReplyDecoder decoder;
    pace::TelemetryMonitor monitor;
    monitor.Start(size > 0 ? data[0] : 0);
    for (std::size_t i = 0; i < size; ++i) {
        if (auto frame = decoder.TakeByte(data[i])) {
            if (*frame != pace::HelloReply) monitor.TakeFrame(*frame);
        }
        // A tick every 16 bytes.
        if (i % 16 == 15) monitor.Tick([](const pace::ByteString&) {});
        const auto& shown = monitor.Display();
        if (shown.Throttle < 0 || shown.Throttle > 255 || shown.Brake < 0 || shown.Brake > 255 ||
            shown.Pin < 0 || shown.Pin > 255 + 100 * 255 || monitor.SilentTicks() > 39)
            __builtin_trap();
    }
    return 0;
}
