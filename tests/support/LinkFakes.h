// In-memory doubles of the link's seams: serial port, port list, tick timer, clock. No Qt.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Discovery.h"
#include "FrameCodec.h"
#include "PortList.h"
#include "SerialPort.h"
#include "TickTimer.h"

namespace pace::testing {

// A serial port in memory: tests feed received bytes, read what was written, make opens
// fail and lose the port.
class FakeSerialPort : public SerialPort {
public:
    struct Write {
        std::string Device;
        ByteString Bytes;
    };

    void Open(const std::string& deviceName) override {
        Log.push_back("open " + deviceName);
        if (IsOpen_) throw PortError("port already open");
        if (FailingDevices.count(deviceName)) throw PortError("cannot open " + deviceName);
        IsOpen_ = true;
        Device = deviceName;
        Waiting.clear();
    }
    void Close() override {
        if (!IsOpen_) return;
        Log.push_back("close " + Device);
        IsOpen_ = false;
        Waiting.clear();
    }
    [[nodiscard]] bool IsOpen() const override { return IsOpen_; }
    void DiscardQueues() override {
        if (!IsOpen_) return;
        Log.push_back("discard " + Device);
        if (FailDiscard) throw PortError("discard failed");
        Waiting.clear();
    }
    bool Write(const ByteString& bytes) override {
        if (!IsOpen_) return false;
        if (FailWrite) throw PortError("write failed");
        Writes.push_back({Device, bytes});
        return !WriteTimesOut;
    }
    [[nodiscard]] std::size_t BytesWaiting() const override { return Waiting.size(); }
    bool ReadByte(std::uint8_t& b) override {
        if (Waiting.empty()) return false;
        b = Waiting.front();
        Waiting.pop_front();
        return true;
    }

    // Bytes arriving from the device: queued and announced as one receive event.
    void Receive(const ByteString& bytes) {
        if (!IsOpen_) return;
        for (char c : bytes) Waiting.push_back(static_cast<std::uint8_t>(c));
        if (OnRxChar && !Waiting.empty()) OnRxChar();
    }
    // The device vanishes: the port closes itself and reports the loss once.
    void Lose() {
        if (!IsOpen_) return;
        Log.push_back("lost " + Device);
        IsOpen_ = false;
        Waiting.clear();
        if (OnLost) OnLost();
    }
    // Everything written to `device`, concatenated.
    [[nodiscard]] ByteString WrittenTo(const std::string& device) const {
        ByteString all;
        for (const auto& w : Writes)
            if (w.Device == device) all += w.Bytes;
        return all;
    }

    bool IsOpen_ = false;
    std::string Device;
    std::deque<std::uint8_t> Waiting;
    std::vector<struct Write> Writes;  // "struct": the member function Write hides the type
    std::vector<std::string> Log;
    std::set<std::string> FailingDevices;
    bool FailDiscard = false;
    bool FailWrite = false;
    bool WriteTimesOut = false;
};

class FakePortList : public PortList {
public:
    [[nodiscard]] std::vector<PortEntry> Read() override {
        ++Reads;
        return Entries;
    }
    void SetPorts(const std::vector<std::string>& names) {
        Entries.clear();
        for (const auto& n : names) Entries.push_back({"\\Device\\" + n, n});
    }
    std::vector<PortEntry> Entries;
    int Reads = 0;
};

// A timer that never fires by itself: tests call the tick handler.
class FakeTickTimer : public TickTimer {
public:
    void SwitchOn() override {
        if (!On) ++Starts;
        On = true;
    }
    void Restart() override {
        On = true;
        ++Starts;
        ++Restarts;
    }
    void SwitchOff() override { On = false; }
    [[nodiscard]] bool IsOn() const override { return On; }
    // Runs the installed tick handler once, as the real timer would.
    void Tick() {
        if (On && OnTick) OnTick();
    }
    bool On = false;
    int Starts = 0;
    int Restarts = 0;
};

// A steady clock that moves only when told.
class FakeClock {
public:
    [[nodiscard]] SteadyClock AsFunction() {
        return [this] { return Now; };
    }
    void Advance(std::chrono::milliseconds d) { Now += d; }
    std::chrono::steady_clock::time_point Now{std::chrono::hours(1)};
};

}  // namespace pace::testing
