// Another process that holds a serial port open, as another Qt program would.
#pragma once

#include <QProcess>
#include <QString>
#include <string>

namespace pace::testing {

class HeldPort {
public:
    explicit HeldPort(const std::string& device) {
        Holder_.start(QStringLiteral(PACE_PORT_HOLDER), {QString::fromStdString(device)});
        if (!Holder_.waitForStarted(5000)) return;
        while (Holder_.state() == QProcess::Running && !Holder_.canReadLine())
            if (!Holder_.waitForReadyRead(5000)) break;
        Held_ = Holder_.readLine().trimmed() == "held";
    }
    ~HeldPort() {
        // The holder lets go when its input closes.
        Holder_.closeWriteChannel();
        if (!Holder_.waitForFinished(5000)) Holder_.kill();
        Holder_.waitForFinished(1000);
    }
    HeldPort(const HeldPort&) = delete;
    HeldPort& operator=(const HeldPort&) = delete;

    [[nodiscard]] bool Held() const { return Held_; }

private:
    QProcess Holder_;
    bool Held_ = false;
};

}  // namespace pace::testing
