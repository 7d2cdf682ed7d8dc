// Reply-frame decoder throughput, against the most the serial line can deliver:
// 500000 bit/s with 11 bits a byte (start, 8 data, 2 stop) is 45,454 bytes a second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "Discovery.h"
#include "FrameCodec.h"
#include "LinkFakes.h"

namespace {

constexpr double LineBytesPerSecond = 500000.0 / 11.0;

// 4,000 telemetry frames as the transceiver sends them: ten content bytes, some escaped,
// ended by CR.
pace::ByteString TelemetryStream() {
    std::mt19937 random(7);
    pace::ByteString stream;
    for (int i = 0; i < 4000; ++i) {
        for (int k = 0; k < 10; ++k) {
            auto b = static_cast<std::uint8_t>(random());
            if (k == 2 || k == 3) b %= 100;
            if (b == pace::EndByte || b == pace::EscapeByte) {
                stream.push_back(static_cast<char>(pace::EscapeByte));
                b ^= 0xFF;
            }
            stream.push_back(static_cast<char>(b));
        }
        stream.push_back(static_cast<char>(pace::EndByte));
    }
    return stream;
}

void ReportAgainstLine(benchmark::State& state, std::size_t bytesPerIteration) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytesPerIteration));
    // How many times the line rate the decoder keeps up with.
    state.counters["x_line_rate"] = benchmark::Counter(
        static_cast<double>(bytesPerIteration) / LineBytesPerSecond,
        benchmark::Counter::kIsIterationInvariantRate);
}

void DecoderAlone(benchmark::State& state) {
    const pace::ByteString stream = TelemetryStream();
    pace::ReplyDecoder decoder;
    std::size_t frames = 0;
    for (auto _ : state) {
        for (char c : stream)
            if (auto frame = decoder.TakeByte(static_cast<std::uint8_t>(c))) ++frames;
        benchmark::DoNotOptimize(frames);
    }
    ReportAgainstLine(state, stream.size());
}
BENCHMARK(DecoderAlone);

// The same bytes through the receive handler's path: a port read per byte, as the windows
// do, in receive events of 64 bytes.
void ReceiveHandler(benchmark::State& state) {
    const pace::ByteString stream = TelemetryStream();
    pace::testing::FakeSerialPort port;
    pace::testing::FakePortList list;
    list.SetPorts({"dev"});
    pace::testing::FakeTickTimer timer;
    pace::Discovery link(
        port, list, timer, [] { return std::chrono::steady_clock::time_point{}; },
        {pace::MonitorLinkUpLastByte, pace::ScanTimerStart::RestartPeriod,
         pace::ReceiveRule::ReturnAfterHello},
        {});
    link.Scan();
    link.Timer1Find();
    std::size_t frames = 0;
    const auto onFrame = [&](const pace::ByteString&) { ++frames; };
    for (auto _ : state) {
        for (std::size_t pos = 0; pos < stream.size(); pos += 64) {
            for (std::size_t i = pos; i < std::min(pos + 64, stream.size()); ++i)
                port.Waiting.push_back(static_cast<std::uint8_t>(stream[i]));
            link.ReceiveWaiting(onFrame);
        }
        benchmark::DoNotOptimize(frames);
    }
    ReportAgainstLine(state, stream.size());
}
BENCHMARK(ReceiveHandler);

}  // namespace

BENCHMARK_MAIN();
