#include "Discovery.h"

#include <utility>

namespace pace {

Discovery::Discovery(SerialPort& port, PortList& portList, TickTimer& timer, SteadyClock clock,
                     DiscoverySettings settings, DiscoveryHooks hooks)
    : Port_(port),
      PortList_(portList),
      Timer_(timer),
      Clock_(std::move(clock)),
      Settings_(settings),
      Hooks_(std::move(hooks)) {
    Port_.OnLost = [this] { PortLost(); };
}

Discovery::~Discovery() { Port_.OnLost = nullptr; }

void Discovery::Scan() {
    PortValueNames_.clear();
    PortNames_.clear();
    Ports_.clear();
    for (auto& entry : PortList_.Read()) {
        PortValueNames_.push_back(std::move(entry.ValueName));
        PortNames_.push_back(entry.PortName);
        Ports_.push_back(std::move(entry.PortName));
    }
    PortIndex_ = -1;
    LinkFound_ = false;
    Linked_ = false;
    if (Settings_.TimerStart == ScanTimerStart::RestartPeriod)
        Timer_.Restart();
    else
        Timer_.SwitchOn();
    Decoder_.ClearEscape();
}

void Discovery::Timer1Find() {
    if (LinkFound_) {
        // Outside any guard: a write error reaches the window, and since LinkFound stays set
        // the next tick tries again.
        Port_.Write(LinkUpCommand(Settings_.LinkUpLastByte));
        // The port may have vanished during the write; its loss has sent the window back to
        // searching then.
        if (!LinkFound_) return;
        Timer_.SwitchOff();
        Linked_ = true;
        if (Hooks_.LinkUp) Hooks_.LinkUp();
        return;
    }

    ++PortIndex_;
    if (PortIndex_ >= static_cast<int>(Ports_.size())) {
        // Every port was tried: read the list again. The port tried last stays open meanwhile
        // and can still answer.
        if (Hooks_.Rescan)
            Hooks_.Rescan();
        else
            Scan();
        return;
    }

    const std::string name = Ports_[static_cast<std::size_t>(PortIndex_)];
    if (Hooks_.ShowPortName) Hooks_.ShowPortName(name);
    Decoder_.ClearFrame();
    try {
        ClosePort();
        const std::string device = DeviceNameFor(name);
        if (TooSoonToReopen(device)) {
            // The device was closed only just now: give it its rest and try the same entry
            // on a later tick.
            --PortIndex_;
            return;
        }
        Port_.Open(device);
        OpenDevice_ = device;
        Port_.DiscardQueues();
        Port_.Write(ByteString(1, static_cast<char>(HelloByte)));
        // However long this tick took, the port gets a whole period to answer.
        Timer_.Restart();
    } catch (...) {
        // A port that cannot be opened or written is passed over without a trace.
    }
}

void Discovery::Close() {
    ClosePort();
    Timer_.SwitchOff();
    Linked_ = false;
}

void Discovery::ReceiveWaiting(const std::function<void(const ByteString&)>& onFrame) {
    if (!Port_.IsOpen()) return;
    const std::size_t count = Port_.BytesWaiting();
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t b = 0;
        if (!Port_.ReadByte(b)) return;
        auto frame = Decoder_.TakeByte(b);
        if (!frame) continue;
        if (*frame == HelloReply) {
            LinkFound_ = true;
            if (Settings_.Rule == ReceiveRule::ReturnAfterHello) {
                // The rest of this event stays queued for the next one.
                Decoder_.ClearFrame();
                return;
            }
        } else if (onFrame) {
            onFrame(*frame);
        }
    }
}

bool Discovery::Linked() const { return Linked_; }

void Discovery::ClosePort() {
    if (!Port_.IsOpen()) return;
    Port_.Close();
    RecordClosed();
}

void Discovery::PortLost() {
    // The port is closed already.
    RecordClosed();
    Decoder_.ClearFrame();
    const bool wasLinked = Linked_ || LinkFound_;
    if (!wasLinked) return;  // while probing, the next tick simply goes on
    Linked_ = false;
    LinkFound_ = false;
    if (Hooks_.Lost)
        Hooks_.Lost();
    else
        Scan();
}

void Discovery::RecordClosed() {
    const auto now = Clock_();
    std::erase_if(ClosedAt_, [&](const auto& entry) { return now - entry.second >= ReopenGap; });
    ClosedAt_[OpenDevice_] = now;
}

bool Discovery::TooSoonToReopen(const std::string& device) const {
    const auto it = ClosedAt_.find(device);
    return it != ClosedAt_.end() && Clock_() - it->second < ReopenGap;
}

}  // namespace pace
