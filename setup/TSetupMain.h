// The setup window: a throttle's car ID and PIN, its driver name and its throttle curves,
// sent through the transceiver that the window finds by itself.
#pragma once

#include <QWidget>
#include <cstdint>

#include "CurveGrid.h"
#include "Dialogs.h"
#include "Discovery.h"
#include "FrameCodec.h"
#include "NumEdit.h"
#include "PortList.h"
#include "SerialPort.h"
#include "TickTimer.h"

class QChartView;
class QComboBox;
class QLabel;
class QLineEdit;
class QLineSeries;
class QPushButton;

namespace TSetupMain {

inline constexpr char WindowCaption[] = "Valdrena Throttle Setup V4.1";
// The caption of the standard error box.
inline constexpr char ApplicationTitle[] = "Valdrenna Throttle Setup";

inline constexpr char ConfigurePromptText[] = "Select Configure from Throttle Menu, Then Press LC";
inline constexpr char ConfigurePromptCaption[] = "Setup Throttle";
inline constexpr char PinRangeText[] = "PIN must be between 0 and 9999 Inclusive";
inline constexpr char PinRangeCaption[] = "PIN Range Error";
inline constexpr char CurveRangeText[] = "Curve Points must be between 0 and 100% Inclusive";
inline constexpr char CurveRangeCaption[] = "Curve Point Range Error";
inline constexpr char NoTransceiverText[] = "No transceiver connected";
inline constexpr char WriteTimeoutText[] = "The transceiver did not take the data in time";

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // The window runs FormCreate as it is made: the search for the transceiver starts.
    TForm1(pace::SerialPort& port, pace::PortList& portList, pace::TickTimer& timer,
           pace::SteadyClock clock, pace::Dialogs& dialogs, QWidget* parent = nullptr);
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // The controls, named after their role.
    QLineEdit* CName = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* CarId = nullptr;
    QLabel* Label9 = nullptr;
    QLineEdit* OwnerName = nullptr;
    QLabel* Label1 = nullptr;
    TNumEdit* PIN = nullptr;
    QPushButton* SendDriver = nullptr;
    QPushButton* SetId = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* CurveSelect = nullptr;
    CurveGrid* Curve = nullptr;
    QChartView* Chart1 = nullptr;
    QLineSeries* CurvePoints = nullptr;
    QLabel* Label7 = nullptr;
    TNumEdit* Min = nullptr;
    QLabel* Label5 = nullptr;
    TNumEdit* Max = nullptr;
    QLabel* Label6 = nullptr;
    TNumEdit* Shape = nullptr;
    QPushButton* SetCurve = nullptr;
    QPushButton* SendCurve = nullptr;
    // The serial port and the probe timer the window drives.
    pace::SerialPort& VaComm1;
    pace::TickTimer& Timer1;

    // The last TI payload built, and the curve payload of the last send.
    pace::ByteString IdCommand;
    pace::ByteString CurveCommand;

    // The search for the transceiver (the scan), and the grid's selection reset.
    void FormCreate();
    // The first activation of the window: the curve from the start values.
    void FormActivate();
    // A click in Min, Max or Shape: the box's whole text is selected.
    void ShapeEnter(TNumEdit* sender);
    void Timer1Find();
    void ComPortRxChar();
    void SetIdClick();
    void SendDriverClick();
    void SetCurveClick();
    void SendCurveClick();
    // The chart from the grid's cells.
    void CurveExit();

    // The link state: the port list, the port being tried, whether the transceiver answered.
    [[nodiscard]] const pace::Discovery& Link() const { return Discovery_; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildChart();
    void SetTabOrder();
    void LinkUp();
    void Lost();
    // Frames `payload` and writes it to the linked transceiver.
    void SendFrame(std::uint8_t size, const pace::ByteString& payload);
    void CalcCurve();
    // A cell's text as a number; an error when it is none.
    [[nodiscard]] double ReadCell(int column) const;
    template <class Operation>
    void Guard(Operation&& operation);

    pace::Dialogs& Dialogs_;
    pace::Discovery Discovery_;
    bool Activated_ = false;
    bool InTick_ = false;
};

}  // namespace TSetupMain
