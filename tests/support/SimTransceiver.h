// A simulated transceiver on the master side of a pseudo-terminal. The programs open the
// slave side (SlavePath()) through the real serial stack.
//
// It answers the hello byte with the hello reply, records every byte it receives, and after a
// poll command ('C', car code) streams telemetry frames at a settable rate until a new hello
// byte arrives. It runs on a thread of its own, so tests can pump the Qt event loop meanwhile.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "FrameCodec.h"

namespace pace::testing {

class SimTransceiver {
public:
    enum class Mode {
        Normal,       // answers and streams as the real transceiver does
        Silent,       // reads and records, answers nothing
        Garbage,      // sends a steady stream of random bytes instead of answers
        StopReading,  // stops reading: the other side's writes stall once the queues fill
    };

    SimTransceiver();
    ~SimTransceiver();
    SimTransceiver(const SimTransceiver&) = delete;
    SimTransceiver& operator=(const SimTransceiver&) = delete;

    // The device the programs open, such as /dev/pts/7.
    [[nodiscard]] std::string SlavePath() const;

    void SetMode(Mode mode);
    // The content of the telemetry frame to stream (escaped and ended by CR when sent).
    void SetTelemetry(const ByteString& content);
    // Telemetry frames per second while streaming.
    void SetRate(double framesPerSecond);

    // Sends bytes as they are / one reply frame (escaping 0x0D and 0x21, then CR).
    void SendRaw(const ByteString& bytes);
    void SendFrame(const ByteString& content);

    // Closes the master side: the slave side hangs up, as a pulled-out dongle does.
    void Vanish();

    // Everything received so far, in order.
    [[nodiscard]] ByteString Received() const;
    void ClearReceived();
    [[nodiscard]] int HelloCount() const;
    // The link-up commands received (7 bytes each).
    [[nodiscard]] std::vector<ByteString> LinkUps() const;
    // The car code of the last poll command, if one came.
    [[nodiscard]] std::optional<std::uint8_t> PolledCarCode() const;
    // The car codes of every poll command received, in order.
    [[nodiscard]] std::vector<std::uint8_t> PollCarCodes() const;
    // The data frames received ('D', size byte and size more bytes each).
    [[nodiscard]] std::vector<ByteString> DataFrames() const;
    [[nodiscard]] bool Streaming() const;
    [[nodiscard]] long long TelemetryFramesSent() const;

private:
    struct Impl;
    Impl* Impl_;
};

// A pseudo-terminal in raw mode (no byte translated, echoed or taken as a control character),
// its master side non-blocking, both descriptors closed on exec.
struct RawPty {
    int Master = -1;
    int Slave = -1;
    std::string Path;  // the slave side, the device the programs open
};
// Throws std::runtime_error when no pseudo-terminal can be had.
[[nodiscard]] RawPty OpenRawPty();

// A reply frame as it travels: 0x0D and 0x21 escaped (0x21, then the byte complemented), the
// end byte after the content.
[[nodiscard]] ByteString ReplyFrameOnWire(const ByteString& content);

// Pumps the Qt event loop until `done` holds or `timeout` passes; returns done().
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

}  // namespace pace::testing
