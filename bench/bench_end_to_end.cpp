// End to end: telemetry frames written to a pseudo-terminal at rising rates up to the line
// rate (and then as fast as the terminal takes them), against the frames the test window
// applies. Prints, for each rate, the frames applied against those offered and the line rate,
// the window thread's CPU time, and the delay from a frame's write to its application and to
// its appearance on the controls (median and 99th percentile).
//
// Each frame carries a sequence number in the bytes the window does not show (0, 1 and 7); a
// decorator of the port notes when the receive handler reads a frame's end byte (the frame
// is applied before the next byte is read), and the throttle bar's value changes mark when
// the controls show a new state: a frame counts as shown once that state is its own or a
// later frame's. The controls are refreshed at most once per screen refresh (16 ms).
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "Fakes.h"
#include "FrameCodec.h"
#include "QtSerialPort.h"
#include "SimTransceiver.h"
#include "TTMain.h"

namespace {

using pace::ByteString;
using pace::bench::Clock;

constexpr std::size_t MaxFrames = 400000;
constexpr auto StepLength = std::chrono::seconds(3);
constexpr int FlatOutFrames = 60000;
// How often the bench looks whether a step is over; seldom, so that its own wake-ups add
// little to the window thread's CPU time.
constexpr auto Watch = std::chrono::milliseconds(50);

// A telemetry frame whose bytes 0, 1 and 7 hold `seq`; the throttle moves with every frame.
ByteString TelemetryFrame(std::uint32_t seq) {
    const auto b = [](std::uint32_t v) { return static_cast<char>(v & 0xFF); };
    const ByteString content{b(seq),       b(seq >> 8),       b(34),        b(12), b(1 + seq % 250),
                             b(seq % 200), b((seq / 64) % 2), b(seq >> 16), b(12), b(0)};
    return pace::testing::ReplyFrameOnWire(content);
}

std::uint32_t SequenceOf(const ByteString& frame) {
    const auto u = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<std::uint8_t>(frame[i]));
    };
    return u(0) | (u(1) << 8) | (u(7) << 16);
}

// The transceiver's side of a pseudo-terminal: answers the hello byte, notes the poll, and
// streams telemetry frames when told to.
class TelemetryDevice {
public:
    TelemetryDevice() {
        auto pty = pace::testing::OpenRawPty();
        Master_ = pty.Master;
        Slave_ = pty.Slave;
        Path_ = pty.Path;
        Responder_ = std::thread([this] { Respond(); });
    }
    ~TelemetryDevice() {
        Stop_ = true;
        Responder_.join();
        ::close(Master_);
        ::close(Slave_);
    }

    [[nodiscard]] const std::string& SlavePath() const { return Path_; }
    [[nodiscard]] bool Polled() const { return Polled_; }

    // Writes frames first, first + 1, ... The frame after `bytes` bytes goes out at
    // start + bytes / bytesPerSecond; with no rate, as fast as the terminal takes them. Stops
    // after `count` frames or, with a rate, once `length` has passed. Notes each write time.
    struct Offered {
        int Frames = 0;
        std::size_t Bytes = 0;
        Clock::duration Took{};
    };
    Offered Stream(std::uint32_t first, int count, double bytesPerSecond, Clock::duration length,
                   std::vector<Clock::time_point>& writtenAt) {
        Offered offered;
        const auto start = Clock::now();
        for (std::uint32_t seq = first; offered.Frames < count && seq < writtenAt.size(); ++seq) {
            if (bytesPerSecond > 0) {
                const auto due =
                    start +
                    std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                        static_cast<double>(offered.Bytes) / bytesPerSecond));
                if (due - start >= length) break;
                std::this_thread::sleep_until(due);
            }
            const ByteString frame = TelemetryFrame(seq);
            writtenAt[seq] = Clock::now();
            WriteAll(frame);
            ++offered.Frames;
            offered.Bytes += frame.size();
        }
        offered.Took = Clock::now() - start;
        return offered;
    }

private:
    void WriteAll(const ByteString& bytes) {
        std::lock_guard lock(WriteMutex_);
        std::size_t done = 0;
        while (done < bytes.size()) {
            const auto n = ::write(Master_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            pollfd out{Master_, POLLOUT, 0};
            ::poll(&out, 1, 100);
        }
    }
    void Respond() {
        while (!Stop_) {
            pollfd in{Master_, POLLIN, 0};
            if (::poll(&in, 1, 50) <= 0) continue;
            std::uint8_t buffer[256];
            const auto n = ::read(Master_, buffer, sizeof buffer);
            for (ssize_t i = 0; i < n; ++i) {
                if (buffer[i] == pace::HelloByte)
                    WriteAll(pace::testing::ReplyFrameOnWire(pace::HelloReply));
                if (buffer[i] == 'C') Polled_ = true;
            }
        }
    }

    int Master_ = -1;
    int Slave_ = -1;
    std::string Path_;
    std::mutex WriteMutex_;
    std::atomic<bool> Stop_{false};
    std::atomic<bool> Polled_{false};
    std::thread Responder_;
};

// Passes everything to the real port and notes when each telemetry frame's end byte is read.
class FrameClockPort : public pace::SerialPort {
public:
    FrameClockPort(pace::SerialPort& inner, std::vector<Clock::time_point>& appliedAt)
        : Inner_(inner), AppliedAt_(appliedAt) {
        Inner_.OnRxChar = [this] {
            if (OnRxChar) OnRxChar();
        };
        Inner_.OnLost = [this] {
            if (OnLost) OnLost();
        };
    }
    void Open(const std::string& device) override { Inner_.Open(device); }
    void Close() override { Inner_.Close(); }
    [[nodiscard]] bool IsOpen() const override { return Inner_.IsOpen(); }
    void DiscardQueues() override { Inner_.DiscardQueues(); }
    bool Write(const ByteString& bytes) override { return Inner_.Write(bytes); }
    [[nodiscard]] std::size_t BytesWaiting() const override { return Inner_.BytesWaiting(); }
    bool ReadByte(std::uint8_t& b) override {
        if (!Inner_.ReadByte(b)) return false;
        if (auto frame = Decoder_.TakeByte(b); frame && frame->size() >= 10) {
            const auto seq = SequenceOf(*frame);
            if (seq < AppliedAt_.size()) AppliedAt_[seq] = Clock::now();
            LastSequence = seq;
            ++Frames;
        }
        return true;
    }

    std::uint32_t LastSequence = 0;
    long long Frames = 0;

private:
    pace::SerialPort& Inner_;
    std::vector<Clock::time_point>& AppliedAt_;
    pace::ReplyDecoder Decoder_;
};

struct Shown {
    Clock::time_point At;
    std::uint32_t Sequence;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    std::vector<Clock::time_point> writtenAt(MaxFrames);
    std::vector<Clock::time_point> appliedAt(MaxFrames);
    std::vector<Shown> shown;
    shown.reserve(MaxFrames);

    TelemetryDevice device;
    pace::QtSerialPort real;
    FrameClockPort port(real, appliedAt);
    pace::testing::FakePortList ports;
    ports.SetPorts({device.SlavePath()});
    pace::testing::FakeTickTimer timer;
    pace::testing::RecordingDialogs dialogs;
    TTMain::TForm1 form(port, ports, timer, std::chrono::steady_clock::now, dialogs);
    form.show();
    QObject::connect(form.Throttle, &QProgressBar::valueChanged, [&] {
        shown.push_back({Clock::now(), port.LastSequence});
    });

    // Link up and start monitoring, stepping the probe and monitor ticks by hand.
    timer.Tick();
    if (!pace::bench::RunEventsUntil([&] { return form.Link().LinkFound(); },
                                     std::chrono::seconds(5))) {
        std::fprintf(stderr, "the window did not find the device\n");
        return 1;
    }
    timer.Tick();
    form.Start->click();
    timer.Tick();
    pace::bench::RunEventsUntil([&] { return device.Polled(); }, std::chrono::seconds(5));

    std::printf("End to end: telemetry frames through a pseudo-terminal into the test window\n");
    std::printf("(offscreen). Reference: the line rate, %.0f bytes/s; a 10-byte frame with its\n",
                pace::bench::LineBytesPerSecond);
    std::printf("end byte is 11 bytes, %.0f frames/s, more bytes with escapes.\n\n",
                pace::bench::LineBytesPerSecond / 11);
    std::printf("%-10s %9s %9s %9s %8s %7s %7s %9s %10s %10s %9s %9s\n", "offered", "bytes/s",
                "frames/s", "applied", "lost", "x line", "UI CPU", "CPU/frame", "apply med",
                "apply p99", "show med", "show p99");

    const double fractions[] = {0.10, 0.25, 0.50, 0.75, 1.00, 0};
    std::uint32_t next = 0;
    for (const double fraction : fractions) {
        const double rate = fraction * pace::bench::LineBytesPerSecond;
        const std::uint32_t first = next;
        const auto framesBefore = port.Frames;
        const auto shownBefore = shown.size();
        const double cpuBefore = pace::bench::ThreadCpuSeconds();
        const auto start = Clock::now();

        TelemetryDevice::Offered offered;
        std::atomic<bool> streamed{false};
        std::thread streamer([&] {
            offered = device.Stream(first, fraction > 0 ? 1 << 30 : FlatOutFrames, rate, StepLength,
                                    writtenAt);
            streamed = true;
        });
        pace::bench::RunEventsUntil(
            [&] {
                return streamed && port.Frames - framesBefore >= offered.Frames &&
                       !form.RefreshPending();
            },
            StepLength * 4, Watch);
        // Frames still on their way are given a moment, then counted as lost.
        pace::bench::RunEventsUntil([&] { return port.Frames - framesBefore >= offered.Frames; },
                                    std::chrono::seconds(1));
        streamer.join();
        const auto wall = Clock::now() - start;
        const double cpu = pace::bench::ThreadCpuSeconds() - cpuBefore;
        next = first + static_cast<std::uint32_t>(offered.Frames);

        std::vector<double> applyDelays;
        Clock::time_point lastApplied = start;
        for (std::uint32_t seq = first; seq < next; ++seq) {
            if (appliedAt[seq] < writtenAt[seq]) continue;
            applyDelays.push_back(pace::bench::Seconds(appliedAt[seq] - writtenAt[seq]));
            lastApplied = std::max(lastApplied, appliedAt[seq]);
        }
        // A frame counts as shown once the controls show it or a later one.
        std::vector<double> showDelays;
        std::size_t refresh = shownBefore;
        for (std::uint32_t seq = first; seq < next; ++seq) {
            while (refresh < shown.size() && shown[refresh].Sequence < seq) ++refresh;
            if (refresh == shown.size()) break;
            showDelays.push_back(pace::bench::Seconds(shown[refresh].At - writtenAt[seq]));
        }
        const double active = pace::bench::Seconds(lastApplied - start);
        const auto applied = static_cast<long long>(applyDelays.size());
        const double appliedBytesPerSecond =
            active > 0 ? static_cast<double>(offered.Bytes) * applied / offered.Frames / active : 0;

        char label[16];
        if (fraction > 0)
            std::snprintf(label, sizeof label, "%3.0f%% line", fraction * 100);
        else
            std::snprintf(label, sizeof label, "flat out");
        std::printf(
            "%-10s %9.0f %9.0f %9lld %8lld %7.2f %6.1f%% %7.1fus %8.0fus %8.0fus %7.1fms %7.1fms\n",
            label, offered.Bytes / pace::bench::Seconds(offered.Took),
            offered.Frames / pace::bench::Seconds(offered.Took), applied, offered.Frames - applied,
            appliedBytesPerSecond / pace::bench::LineBytesPerSecond,
            100.0 * cpu / pace::bench::Seconds(wall),
            applied > 0 ? 1e6 * cpu / static_cast<double>(applied) : 0.0,
            1e6 * pace::bench::Percentile(applyDelays, 0.5),
            1e6 * pace::bench::Percentile(applyDelays, 0.99),
            1e3 * pace::bench::Percentile(showDelays, 0.5),
            1e3 * pace::bench::Percentile(showDelays, 0.99));
        std::fflush(stdout);
    }
    std::printf(
        "\nx line: frames' bytes applied per second over the line rate (at the offered "
        "rates, the share offered; flat out, the headroom).\n");
    std::printf(
        "UI CPU: the window thread's CPU time over the step's wall time (one core = "
        "100%%); CPU/frame: that time over the frames applied.\n");
    std::printf("Frames shown by the window: %lld; read by the port decorator: %lld.\n",
                form.Monitor().FramesShown(), port.Frames);
    return 0;
}
