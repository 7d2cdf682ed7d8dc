#include "QtSerialPort.h"

#include <QDeadlineTimer>

namespace pace {

QtSerialPort::QtSerialPort() {
    Port_.setBaudRate(500000);
    Port_.setDataBits(QSerialPort::Data8);
    Port_.setParity(QSerialPort::NoParity);
    Port_.setStopBits(QSerialPort::TwoStop);
    Port_.setFlowControl(QSerialPort::NoFlowControl);

    QObject::connect(&Port_, &QSerialPort::readyRead, &Port_, [this] {
        if (Port_.isOpen() && OnRxChar) OnRxChar();
    });
    QObject::connect(&Port_, &QSerialPort::errorOccurred, &Port_,
                     [this](QSerialPort::SerialPortError error) { ErrorOccurred(error); });
}

QtSerialPort::~QtSerialPort() {
    // Nothing may reach this object's handlers while its members go away.
    QObject::disconnect(&Port_, nullptr, nullptr, nullptr);
    Close();
}

void QtSerialPort::Open(const std::string& deviceName) {
    if (Port_.isOpen()) throw PortError("The port is already open.");
    Port_.setPortName(QString::fromStdString(deviceName));
    // QSerialPort opens the device exclusively: TIOCEXCL and a lock file elsewhere than
    // Windows, a share mode of none on Windows. The line settings are applied while opening.
    if (!Port_.open(QIODevice::ReadWrite)) throw PortError(Port_.errorString().toStdString());
    // Hold DTR and RTS inactive. Devices without modem lines (a pseudo-terminal) refuse both
    // calls; that does not make the port unusable.
    Port_.setDataTerminalReady(false);
    Port_.setRequestToSend(false);
    Port_.clearError();
}

void QtSerialPort::Close() {
    if (!Port_.isOpen()) return;
    Closing_ = true;
    // Throw away what has not gone out yet, so that closing never waits for a stalled device.
    Port_.clear(QSerialPort::AllDirections);
    // Closing also drops the bytes that arrived and were not read.
    Port_.close();
    Port_.clearError();
    Closing_ = false;
}

bool QtSerialPort::IsOpen() const { return Port_.isOpen(); }

void QtSerialPort::DiscardQueues() {
    if (!Port_.isOpen()) return;
    if (!Port_.clear(QSerialPort::AllDirections)) {
        const auto text = Port_.errorString().toStdString();
        Port_.clearError();
        throw PortError(text);
    }
}

bool QtSerialPort::Write(const ByteString& bytes) {
    if (!Port_.isOpen()) return false;
    if (bytes.empty()) return true;

    Writing_ = true;
    LostDuringWrite_ = false;
    struct WritingScope {
        bool& Flag;
        ~WritingScope() { Flag = false; }
    } scope{Writing_};

    const QDeadlineTimer deadline(WriteTimeoutMs);
    if (Port_.write(bytes.data(), static_cast<qint64>(bytes.size())) < 0) {
        if (LostDuringWrite_) return false;
        const auto text = Port_.errorString().toStdString();
        Port_.clearError();
        throw PortError(text);
    }
    while (Port_.isOpen() && Port_.bytesToWrite() > 0) {
        const auto remaining = deadline.remainingTime();
        if (remaining <= 0) return false;
        if (Port_.waitForBytesWritten(static_cast<int>(remaining))) continue;
        if (LostDuringWrite_ || !Port_.isOpen()) return false;
        const auto error = Port_.error();
        if (error == QSerialPort::TimeoutError || error == QSerialPort::NoError) {
            Port_.clearError();
            return false;
        }
        const auto text = Port_.errorString().toStdString();
        Port_.clearError();
        throw PortError(text);
    }
    return Port_.isOpen() && !LostDuringWrite_;
}

std::size_t QtSerialPort::BytesWaiting() const {
    if (!Port_.isOpen()) return 0;
    return static_cast<std::size_t>(Port_.bytesAvailable());
}

bool QtSerialPort::ReadByte(std::uint8_t& b) {
    if (!Port_.isOpen()) return false;
    char c = 0;
    if (Port_.read(&c, 1) != 1) return false;
    b = static_cast<std::uint8_t>(c);
    return true;
}

void QtSerialPort::ErrorOccurred(QSerialPort::SerialPortError error) {
    // A device that vanished (hang-up, a pulled USB adapter) reports a resource or a read
    // error, over and over until the port is closed. Close it at the first one and report the
    // loss once; later errors find the port closed.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError) return;
    if (Closing_ || !Port_.isOpen()) return;
    Port_.close();
    if (Writing_) LostDuringWrite_ = true;
    if (OnLost) OnLost();
}

}  // namespace pace
