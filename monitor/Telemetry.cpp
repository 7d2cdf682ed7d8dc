#include "Telemetry.h"

#include <algorithm>

namespace pace {

namespace {

std::string_view TrimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string WithoutSpaces(std::string_view text) {
    std::string out;
    std::copy_if(text.begin(), text.end(), std::back_inserter(out),
                 [](char c) { return c != ' '; });
    return out;
}

}  // namespace

ByteString PollCommand(std::uint8_t carCode) {
    ByteString command{"C"};
    command.push_back(static_cast<char>(carCode));
    return command;
}

std::uint8_t CarCodeFor(int selectedIndex) {
    return static_cast<std::uint8_t>(static_cast<unsigned>(selectedIndex + 28) & 0xFFu);
}

int EntryForText(const std::vector<std::string>& entries, std::string_view text) {
    const auto typed = TrimSpaces(text);
    if (typed.empty()) return -1;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (WithoutSpaces(entries[i]) == typed) return static_cast<int>(i);
    return -1;
}

std::optional<Telemetry> ReadTelemetry(const ByteString& frame) {
    if (frame.size() < TelemetryFrameBytes) return std::nullopt;
    const auto byte = [&frame](std::size_t k) { return static_cast<std::uint8_t>(frame[k]); };
    Telemetry t;
    t.Pin = byte(2) + 100 * byte(3);
    t.Throttle = byte(4);
    t.Brake = byte(5);
    t.LaneChangePressed = byte(6) != 0;
    t.Version = byte(8);
    return t;
}

std::string VersionText(std::uint8_t version) { return " " + std::to_string(version); }

void TelemetryMonitor::Start(std::uint8_t carCode) {
    CarCode_ = carCode;
    PollPhase_ = 0;
}

TelemetryMonitor::TickResult TelemetryMonitor::Tick(
    const std::function<void(const ByteString&)>& write) {
    switch (PollPhase_) {
        case 0:
            write(PollCommand(CarCode_));
            PollPhase_ = 1;
            return TickResult::PollSent;
        case 1:
        case 2:
            ++PollPhase_;
            return TickResult::Waiting;
        default:
            break;
    }
    if (++SilentTicks_ < SilenceTicks) return TickResult::Silent;
    SilentTicks_ = SilenceTicks - 1;
    Display_.Throttle = 0;
    Display_.Brake = 0;
    Display_.LaneChangePressed = false;
    Display_.NoSignal = true;
    ++SilenceClearings_;
    return TickResult::SilenceCleared;
}

bool TelemetryMonitor::TakeFrame(const ByteString& frame) {
    const auto telemetry = ReadTelemetry(frame);
    if (!telemetry) return false;
    SilentTicks_ = 0;
    Display_.NoSignal = false;
    Display_.Pin = telemetry->Pin;
    Display_.Throttle = telemetry->Throttle;
    Display_.Brake = telemetry->Brake;
    Display_.LaneChangePressed = telemetry->LaneChangePressed;
    Display_.Version = VersionText(telemetry->Version);
    ++FramesShown_;
    return true;
}

}  // namespace pace
