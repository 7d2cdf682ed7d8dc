// Finding the transceiver among the serial ports, linking up with it, and noticing when it
// is gone. Shared by both windows; the window's own steps are hooks.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "FrameCodec.h"
#include "PortList.h"
#include "SerialPort.h"
#include "TickTimer.h"

namespace pace {

using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;

// How the scan switches the timer on.
enum class ScanTimerStart {
    KeepPeriod,     // setup window: on; if it already runs, its period goes on unchanged
    RestartPeriod,  // test window: the next tick a whole period after the scan
};

// How the receive handler treats the bytes after a hello reply.
enum class ReceiveRule {
    DecodeWholeEvent,  // setup window: decode every waiting byte
    ReturnAfterHello,  // test window: return at once, the rest stays queued
};

struct DiscoverySettings {
    std::uint8_t LinkUpLastByte = SetupLinkUpLastByte;
    ScanTimerStart TimerStart = ScanTimerStart::KeepPeriod;
    ReceiveRule Rule = ReceiveRule::DecodeWholeEvent;
};

struct DiscoveryHooks {
    // The window's whole creation handler (FormCreate), run again as the re-scan.
    std::function<void()> Rescan;
    // Shows the name of the port being tried (CName).
    std::function<void(const std::string&)> ShowPortName;
    // Link-up: enable the controls that need the link.
    std::function<void()> LinkUp;
    // The linked transceiver vanished. Its port is closed already; the window goes back to
    // searching. No message is shown for the loss.
    std::function<void()> Lost;
};

class Discovery {
public:
    // No device is opened again sooner than this after it was closed.
    static constexpr std::chrono::milliseconds ReopenGap{300};

    Discovery(SerialPort& port, PortList& portList, TickTimer& timer, SteadyClock clock,
              DiscoverySettings settings, DiscoveryHooks hooks);
    ~Discovery();
    Discovery(const Discovery&) = delete;
    Discovery& operator=(const Discovery&) = delete;

    // The scan, the core of FormCreate: read the port list, PortIndex := -1,
    // LinkFound := false, switch the timer on, clear the decoder's escape state.
    void Scan();
    // One probe tick: link up if LinkFound, else probe the next port, or re-scan after the
    // last one. Errors of the probe are swallowed; a probe that wrote its hello byte restarts
    // the timer, so the port has a whole period to answer. A device closed less than
    // ReopenGap ago is not opened: the same entry is tried again on a later tick.
    // Throws PortError only when the link-up command cannot be written.
    void Timer1Find();
    // The test window's closing: close the port, then switch the timer off. No longer Linked.
    void Close();
    // The receive handler's rule for the bytes waiting now. The hello reply sets LinkFound;
    // every other complete frame goes to onFrame. Bytes of a port that is not open never
    // reach the decoder.
    void ReceiveWaiting(const std::function<void(const ByteString&)>& onFrame = {});

    [[nodiscard]] bool LinkFound() const { return LinkFound_; }
    // True from the link-up until the port is lost or a new scan starts.
    [[nodiscard]] bool Linked() const;
    [[nodiscard]] int PortIndex() const { return PortIndex_; }
    [[nodiscard]] const std::vector<std::string>& PortValueNames() const { return PortValueNames_; }
    [[nodiscard]] const std::vector<std::string>& PortNames() const { return PortNames_; }
    // The list the probe walks (the hidden Ports box of the original design).
    [[nodiscard]] const std::vector<std::string>& Ports() const { return Ports_; }

    [[nodiscard]] ReplyDecoder& Decoder() { return Decoder_; }
    [[nodiscard]] const ReplyDecoder& Decoder() const { return Decoder_; }
    [[nodiscard]] SerialPort& Port() { return Port_; }

private:
    void ClosePort();
    void PortLost();
    void RecordClosed();
    [[nodiscard]] bool TooSoonToReopen(const std::string& device) const;

    SerialPort& Port_;
    PortList& PortList_;
    TickTimer& Timer_;
    SteadyClock Clock_;
    DiscoverySettings Settings_;
    DiscoveryHooks Hooks_;

    int PortIndex_ = -1;
    bool LinkFound_ = false;
    bool Linked_ = false;
    std::vector<std::string> PortValueNames_;
    std::vector<std::string> PortNames_;
    std::vector<std::string> Ports_;
    ReplyDecoder Decoder_;
    // When each device was last closed: none is reopened sooner than 300 ms after.
    std::map<std::string, std::chrono::steady_clock::time_point> ClosedAt_;
    // The device name of the port opened last.
    std::string OpenDevice_;
};

}  // namespace pace
