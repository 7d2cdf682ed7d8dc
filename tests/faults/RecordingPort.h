// A serial port that passes every call to another one and notes what happened: each open
// and how it ended, each write and how long it took, the closes and the losses reported.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "SerialPort.h"

namespace pace::testing {

class RecordingPort : public SerialPort {
public:
    struct OpenAttempt {
        std::string Device;
        bool Opened = false;
        std::string Error;  // the PortError's text when it failed
    };
    struct WriteCall {
        std::string Device;
        ByteString Bytes;
        bool Result = false;
        bool Threw = false;
        std::chrono::steady_clock::duration Took{};
    };

    explicit RecordingPort(SerialPort& inner) : Inner_(inner) {
        Inner_.OnRxChar = [this] {
            if (OnRxChar) OnRxChar();
        };
        Inner_.OnLost = [this] {
            ++Losses;
            if (OnLost) OnLost();
        };
    }
    ~RecordingPort() override {
        Inner_.OnRxChar = nullptr;
        Inner_.OnLost = nullptr;
    }
    RecordingPort(const RecordingPort&) = delete;
    RecordingPort& operator=(const RecordingPort&) = delete;

    void Open(const std::string& deviceName) override {
        try {
            Inner_.Open(deviceName);
        } catch (const PortError& e) {
            Opens.push_back({deviceName, false, e.what()});
            throw;
        }
        Opens.push_back({deviceName, true, {}});
        Device = deviceName;
    }
    void Close() override {
        if (Inner_.IsOpen()) ++Closes;
        Inner_.Close();
    }
    [[nodiscard]] bool IsOpen() const override { return Inner_.IsOpen(); }
    void DiscardQueues() override { Inner_.DiscardQueues(); }
    bool Write(const ByteString& bytes) override {
        WriteCall call{Inner_.IsOpen() ? Device : std::string(), bytes};
        const auto start = std::chrono::steady_clock::now();
        try {
            call.Result = Inner_.Write(bytes);
        } catch (...) {
            call.Threw = true;
            call.Took = std::chrono::steady_clock::now() - start;
            Writes.push_back(call);
            throw;
        }
        call.Took = std::chrono::steady_clock::now() - start;
        Writes.push_back(call);
        return call.Result;
    }
    [[nodiscard]] std::size_t BytesWaiting() const override { return Inner_.BytesWaiting(); }
    bool ReadByte(std::uint8_t& b) override {
        if (!Inner_.ReadByte(b)) return false;
        ++BytesRead;
        return true;
    }

    // The device opened last; meaningful while IsOpen().
    [[nodiscard]] bool IsOpenOn(const std::string& device) const {
        return Inner_.IsOpen() && Device == device;
    }
    // Everything written while `device` was open, in order.
    [[nodiscard]] ByteString WrittenTo(const std::string& device) const {
        ByteString all;
        for (const auto& w : Writes)
            if (w.Device == device) all += w.Bytes;
        return all;
    }

    std::vector<OpenAttempt> Opens;
    std::vector<WriteCall> Writes;
    int Closes = 0;  // closes of an open port asked for by the program
    int Losses = 0;  // losses the port reported
    long long BytesRead = 0;
    std::string Device;

private:
    SerialPort& Inner_;
};

}  // namespace pace::testing
