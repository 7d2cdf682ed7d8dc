// The test window: finds the transceiver, polls one car and shows its telemetry.
#pragma once

#include <QTimer>
#include <QWidget>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "Discovery.h"
#include "NumEdit.h"
#include "PortList.h"
#include "SerialPort.h"
#include "Telemetry.h"
#include "TickTimer.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace TTMain {

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // Builds the controls and runs FormCreate, which starts looking for the transceiver.
    TForm1(pace::SerialPort& port, pace::PortList& portList, pace::TickTimer& timer,
           pace::SteadyClock clock, pace::Dialogs& dialogs, QWidget* parent = nullptr);
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // The ID entries: " 1" to " 16" with a leading space, "17" to "24" without.
    [[nodiscard]] static std::vector<std::string> IdEntries();

    // Controls, in creation order.
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* NoSignal = nullptr;
    QLabel* Label6 = nullptr;
    QPushButton* Start = nullptr;
    QLabel* Label7 = nullptr;
    QComboBox* ID = nullptr;
    QLabel* LC = nullptr;
    QLineEdit* Version = nullptr;
    QProgressBar* Brake = nullptr;
    QProgressBar* Throttle = nullptr;
    TNumEdit* PIN = nullptr;
    QLineEdit* CName = nullptr;

    // Handlers. Each shows an error it cannot handle in the standard error box.
    // The scan: Start disabled, the port list read anew, probing from the first port.
    void FormCreate();
    // Closes the port, then stops the timer.
    void FormClose();
    // Start when the caption reads "Start", otherwise Close.
    void StartClick();
    // Probe tick while looking for the transceiver.
    void Timer1Find();
    // Monitor tick after Start: the poll, then the silence count.
    void Timer1Timer();
    // The waiting received bytes: the hello reply, telemetry frames.
    void ComPortRxChar();

    // Puts the display state on the controls now, touching only what changed. Telemetry frames
    // reach the controls through a short single-shot timer that calls this, so that a fast
    // stream of frames repaints at most once per screen refresh.
    void RefreshDisplay();
    [[nodiscard]] bool RefreshPending() const { return RefreshTimer_.isActive(); }

    [[nodiscard]] const pace::TelemetryMonitor& Monitor() const { return Monitor_; }
    [[nodiscard]] const pace::Discovery& Link() const { return Discovery_; }
    // True while the monitor tick is the timer's tick handler.
    [[nodiscard]] bool Monitoring() const { return Timer1OnTimer_ == &TForm1::Timer1Timer; }

    // The interval of the display refresh: one screen refresh.
    static constexpr int RefreshIntervalMs = 16;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void OnTimer1();
    // What Close does: back to looking for the transceiver, No Signal shown.
    void BackToDiscovery();
    void ShowLaneChange(bool pressed);

    pace::SerialPort& Port_;
    pace::TickTimer& Timer_;
    pace::Dialogs& Dialogs_;
    pace::Discovery Discovery_;
    pace::TelemetryMonitor Monitor_;

    // The tick handler installed on the timer, and whether one is running now (a tick that
    // comes while a box opened by a tick is showing is skipped).
    void (TForm1::*Timer1OnTimer_)() = &TForm1::Timer1Find;
    bool TickRunning_ = false;

    QTimer RefreshTimer_;
    // What the controls show now.
    pace::TelemetryDisplay Shown_;
};

}  // namespace TTMain
