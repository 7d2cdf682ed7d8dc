// The serial port on QSerialPort, with the transceiver's line settings.
#pragma once

#include <QSerialPort>
#include <string>

#include "SerialPort.h"

namespace pace {

class QtSerialPort : public SerialPort {
public:
    QtSerialPort();
    ~QtSerialPort() override;
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    void Open(const std::string& deviceName) override;
    void Close() override;
    [[nodiscard]] bool IsOpen() const override;
    void DiscardQueues() override;
    bool Write(const ByteString& bytes) override;
    [[nodiscard]] std::size_t BytesWaiting() const override;
    bool ReadByte(std::uint8_t& b) override;

    // How long a write may wait for its bytes to go out.
    static constexpr int WriteTimeoutMs = 1000;

private:
    void ErrorOccurred(QSerialPort::SerialPortError error);

    QSerialPort Port_;
    // Set while a write waits, so that a loss found meanwhile ends the write quietly.
    bool Writing_ = false;
    bool LostDuringWrite_ = false;
    // Set while Close() runs: an error of the closing itself is no loss.
    bool Closing_ = false;
};

}  // namespace pace
