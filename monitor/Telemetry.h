// The test window's plain logic: the poll command, the car code, the telemetry step and the
// monitor tick. No widgets here; the window renders TelemetryDisplay.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FrameCodec.h"

namespace pace {

// The car code polled when no ID entry is selected.
inline constexpr std::uint8_t NoCarCode = 0x1B;
// A telemetry frame carries at least this many bytes; shorter frames are dropped.
inline constexpr std::size_t TelemetryFrameBytes = 10;
// Monitor ticks without a frame after which the display is cleared.
inline constexpr std::uint8_t SilenceTicks = 40;

// 'C' followed by the car code, written as it is (no framing).
[[nodiscard]] ByteString PollCommand(std::uint8_t carCode);

// The car code for the selected entry of the ID list: index + 28, low 8 bits. Entry 0 (" 1")
// gives 28, entry 23 ("24") gives 51, no entry (-1) gives 27.
[[nodiscard]] std::uint8_t CarCodeFor(int selectedIndex);

// The entry that the text in the ID box stands for: the entry whose text, with its spaces
// removed, equals the text with its surrounding spaces removed. "5" and " 5 " stand for " 5";
// "05" stands for none. Returns -1 when no entry matches.
[[nodiscard]] int EntryForText(const std::vector<std::string>& entries, std::string_view text);

// What one telemetry frame shows.
struct Telemetry {
    int Pin = 0;  // byte 2 + 100 * byte 3, not range-checked
    int Throttle = 0;
    int Brake = 0;
    bool LaneChangePressed = false;
    std::uint8_t Version = 0;
};

// Reads bytes 2 to 6 and 8 of a decoded frame; bytes from 10 on are ignored. A frame shorter
// than 10 bytes (an empty one included) gives nothing.
[[nodiscard]] std::optional<Telemetry> ReadTelemetry(const ByteString& frame);

// The text of the Version box: one space, then the number in decimal.
[[nodiscard]] std::string VersionText(std::uint8_t version);

// Everything the test window shows of the telemetry.
struct TelemetryDisplay {
    int Pin = 0;
    int Throttle = 0;
    int Brake = 0;
    bool LaneChangePressed = false;
    std::string Version;
    bool NoSignal = true;

    friend bool operator==(const TelemetryDisplay&, const TelemetryDisplay&) = default;
};

// The monitor's state: the poll phase after Start, the silent-tick count and the display.
class TelemetryMonitor {
public:
    enum class TickResult {
        PollSent,        // the poll command was written
        Waiting,         // the second or third tick after Start
        Silent,          // one more tick without a frame
        SilenceCleared,  // the silence clearing ran on this tick
    };

    // Start: the car code to poll, and the poll on the next tick.
    void Start(std::uint8_t carCode);

    // One monitor tick. The first tick after Start hands the poll command to `write` and moves
    // on once `write` has returned; an exception from `write` leaves the poll due on the next
    // tick. From the fourth tick on each tick counts a silent tick; the 40th, and every tick
    // after it until a frame comes, clears the throttle, the brake and the lane-change button
    // and shows No Signal.
    TickResult Tick(const std::function<void(const ByteString&)>& write);

    // The telemetry step for one decoded frame that is not the hello reply. A frame shorter
    // than 10 bytes changes nothing (the silent-tick count included) and returns false.
    bool TakeFrame(const ByteString& frame);

    // Close: No Signal shown, the other displays keep their values.
    void ShowNoSignal() { Display_.NoSignal = true; }

    [[nodiscard]] const TelemetryDisplay& Display() const { return Display_; }
    [[nodiscard]] std::uint8_t PollPhase() const { return PollPhase_; }
    [[nodiscard]] std::uint8_t CarCode() const { return CarCode_; }
    [[nodiscard]] std::uint8_t SilentTicks() const { return SilentTicks_; }
    // How many times the silence clearing has run.
    [[nodiscard]] long long SilenceClearings() const { return SilenceClearings_; }
    // How many frames the telemetry step has shown.
    [[nodiscard]] long long FramesShown() const { return FramesShown_; }

private:
    std::uint8_t PollPhase_ = 0;
    std::uint8_t CarCode_ = 0;
    std::uint8_t SilentTicks_ = 0;
    TelemetryDisplay Display_;
    long long SilenceClearings_ = 0;
    long long FramesShown_ = 0;
};

}  // namespace pace
