// The serial port as the link sees it. The real one wraps QSerialPort (QtSerialPort.h);
// tests use an in-memory port or the real one on a pseudo-terminal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "FrameCodec.h"

namespace pace {

// An error of the serial port, with the system's text as message.
class PortError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens the device exclusively with the line settings (500000 bit/s, 8N2, no flow control).
    // Throws PortError on any failure and then leaves no port open.
    virtual void Open(const std::string& deviceName) = 0;
    // Closes the port if one is open; never throws and never blocks. Bytes that arrived and
    // were not read are dropped and are never handed out afterwards.
    virtual void Close() = 0;
    [[nodiscard]] virtual bool IsOpen() const = 0;
    // Empties both queues of the open port (nothing while none is open). Throws PortError.
    virtual void DiscardQueues() = 0;
    // Writes all bytes, waiting at most 1000 ms for them to go out. Returns true when every
    // byte was written in time, false on the time-out; what had not gone out by then stays
    // queued and follows when the device reads again, so that no frame reaches it cut in two
    // and no earlier frame is thrown away. Does nothing and returns false while no port is
    // open. Throws PortError when the write fails. A port that vanishes during the write is
    // reported through OnLost, and the write then returns false.
    virtual bool Write(const ByteString& bytes) = 0;
    // The number of received bytes waiting to be read.
    [[nodiscard]] virtual std::size_t BytesWaiting() const = 0;
    // Takes the next waiting byte; false when none is waiting.
    virtual bool ReadByte(std::uint8_t& b) = 0;

    // Raised on the user-interface thread when bytes have arrived (BytesWaiting() >= 1).
    std::function<void()> OnRxChar;
    // Raised once when the open port vanished (device unplugged, hang-up); the port is
    // closed already when this runs.
    std::function<void()> OnLost;
};

}  // namespace pace
