#include "TTMain.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <algorithm>
#include <utility>

#include "WindowLook.h"

namespace TTMain {

namespace {

using pace::SkyBlue;
const QColor Yellow(255, 255, 0);

// A vertical bar from 0 to 255, `bar` on silver. A style sheet draws the same colours in every
// widget style (some native styles ignore the palette of a progress bar).
void SetUpBar(QProgressBar* bar, const char* barColour) {
    bar->setOrientation(Qt::Vertical);
    bar->setRange(0, 255);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setStyleSheet(QStringLiteral("QProgressBar { border: 1px solid rgb(128, 128, 128); "
                                      "background-color: rgb(192, 192, 192); }"
                                      "QProgressBar::chunk { background-color: %1; margin: 1px; }")
                           .arg(QLatin1String(barColour)));
}

// A caption at its place, growing to the right and down when its text needs more room than the
// design gives (the design's sizes fit its own font, not every substitute).
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                  int width, int height) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    const QSize needed = label->sizeHint();
    label->setGeometry(left, top, std::max(width, needed.width()),
                       std::max(height, needed.height()));
    return label;
}

// A read-only edit box that the mouse can focus and Tab passes over.
void MakeDisplayBox(QLineEdit* box, const char* name, int left, int top, int width, int height) {
    box->setObjectName(QLatin1String(name));
    box->setGeometry(left, top, width, height);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::ClickFocus);
}

}  // namespace

std::vector<std::string> TForm1::IdEntries() {
    std::vector<std::string> entries;
    for (int id = 1; id <= 24; ++id)
        entries.push_back(std::string(id <= 16 ? " " : "") += std::to_string(id));
    return entries;
}

TForm1::TForm1(pace::SerialPort& port, pace::PortList& portList, pace::TickTimer& timer,
               pace::SteadyClock clock, pace::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      Port_(port),
      Timer_(timer),
      Dialogs_(dialogs),
      Discovery_(
          port, portList, timer, std::move(clock),
          {pace::MonitorLinkUpLastByte, pace::ScanTimerStart::RestartPeriod,
           pace::ReceiveRule::ReturnAfterHello},
          {
              [this] { FormCreate(); },
              [this](const std::string& name) { CName->setText(QString::fromStdString(name)); },
              [this] { Start->setEnabled(true); },
              [this] { pace::Guarded(Dialogs_, [this] { BackToDiscovery(); }); },
          }) {
    BuildControls();

    RefreshTimer_.setSingleShot(true);
    RefreshTimer_.setInterval(RefreshIntervalMs);
    connect(&RefreshTimer_, &QTimer::timeout, this, &TForm1::RefreshDisplay);

    Port_.OnRxChar = [this] { ComPortRxChar(); };
    Timer_.OnTick = [this] { OnTimer1(); };
    pace::Guarded(Dialogs_, [this] { FormCreate(); });
}

TForm1::~TForm1() {
    Port_.OnRxChar = nullptr;
    Timer_.OnTick = nullptr;
}

void TForm1::BuildControls() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Valdrenna Throttle Test V1.1"));
    resize(206, 324);

    pace::SetDesignLook(this);

    Label1 = MakeLabel(this, "Label1", QStringLiteral("ID"), 112, 11, 11, 13);
    Label2 = MakeLabel(this, "Label2", QStringLiteral("Throttle"), 104, 288, 36, 13);
    Label3 = MakeLabel(this, "Label3", QStringLiteral("Brake"), 168, 288, 28, 13);
    NoSignal = MakeLabel(this, "NoSignal", QStringLiteral("No Signal"), 24, 288, 46, 13);
    Label6 = MakeLabel(this, "Label6", QStringLiteral("Version"), 24, 176, 35, 13);

    Start = new QPushButton(QStringLiteral("Start"), this);
    Start->setObjectName(QStringLiteral("Start"));
    Start->setGeometry(8, 68, 73, 27);
    Start->setFocusPolicy(Qt::NoFocus);
    Start->setAutoDefault(false);
    connect(Start, &QPushButton::clicked, this, [this] { StartClick(); });

    Label7 = MakeLabel(this, "Label7", QStringLiteral("PIN"), 112, 38, 18, 13);

    ID = new QComboBox(this);
    ID->setObjectName(QStringLiteral("ID"));
    ID->setGeometry(136, 8, 49, 21);
    ID->setEditable(true);
    ID->setCompleter(nullptr);
    ID->setInsertPolicy(QComboBox::NoInsert);
    ID->setMaxVisibleItems(8);
    for (const auto& entry : IdEntries()) ID->addItem(QString::fromStdString(entry));
    ID->setCurrentIndex(0);

    LC = new QLabel(QStringLiteral("Lane Change"), this);
    LC->setObjectName(QStringLiteral("LC"));
    LC->setGeometry(8, 128, 73, 33);
    LC->setAlignment(Qt::AlignCenter);
    LC->setFrameStyle(QFrame::Panel | QFrame::Raised);
    LC->setLineWidth(2);
    LC->setAutoFillBackground(true);
    ShowLaneChange(false);

    Version = new QLineEdit(this);
    MakeDisplayBox(Version, "Version", 24, 200, 41, 21);

    Brake = new QProgressBar(this);
    Brake->setObjectName(QStringLiteral("Brake"));
    Brake->setGeometry(163, 68, 22, 213);
    SetUpBar(Brake, "rgb(255, 0, 0)");

    Throttle = new QProgressBar(this);
    Throttle->setObjectName(QStringLiteral("Throttle"));
    Throttle->setGeometry(118, 68, 22, 214);
    SetUpBar(Throttle, "rgb(0, 128, 0)");

    PIN = new TNumEdit(this);
    MakeDisplayBox(PIN, "PIN", 136, 35, 49, 21);
    PIN->SetDecimals(0);

    CName = new QLineEdit(this);
    MakeDisplayBox(CName, "CName", 8, 8, 65, 21);

    setTabOrder(ID, Version);
    setTabOrder(Version, LC);
    setTabOrder(LC, Brake);
    setTabOrder(Brake, Throttle);
    setTabOrder(Throttle, PIN);
    setTabOrder(PIN, CName);
}

void TForm1::FormCreate() {
    Start->setEnabled(false);
    Timer1OnTimer_ = &TForm1::Timer1Find;
    Discovery_.Scan();
}

void TForm1::FormClose() { Discovery_.Close(); }

void TForm1::closeEvent(QCloseEvent* event) {
    pace::Guarded(Dialogs_, [this] { FormClose(); });
    event->accept();
}

void TForm1::StartClick() {
    pace::Guarded(Dialogs_, [this] {
        if (Start->text() == QLatin1String("Start")) {
            Start->setText(QStringLiteral("Close"));
            Discovery_.Decoder().ClearEscape();
            Discovery_.Decoder().ClearFrame();
            Port_.DiscardQueues();
            const int entry = pace::EntryForText(IdEntries(), ID->currentText().toStdString());
            Monitor_.Start(pace::CarCodeFor(entry));
            Timer1OnTimer_ = &TForm1::Timer1Timer;
            Timer_.Restart();
        } else {
            BackToDiscovery();
        }
    });
}

void TForm1::BackToDiscovery() {
    Start->setText(QStringLiteral("Start"));
    FormCreate();
    Monitor_.ShowNoSignal();
    RefreshDisplay();
}

void TForm1::OnTimer1() {
    // A tick handler that shows a box runs a nested event loop; the ticks that come meanwhile
    // are skipped rather than stacking up boxes.
    if (TickRunning_) return;
    TickRunning_ = true;
    struct Done {
        bool& Running;
        ~Done() { Running = false; }
    } done{TickRunning_};
    (this->*Timer1OnTimer_)();
}

void TForm1::Timer1Find() {
    pace::Guarded(Dialogs_, [this] { Discovery_.Timer1Find(); });
}

void TForm1::Timer1Timer() {
    pace::Guarded(Dialogs_, [this] {
        const auto result = Monitor_.Tick([this](const pace::ByteString& command) {
            // Whether every byte went out is not looked at; the poll is not repeated.
            (void)Port_.Write(command);
        });
        if (result == pace::TelemetryMonitor::TickResult::SilenceCleared) RefreshDisplay();
    });
}

void TForm1::ComPortRxChar() {
    bool shown = false;
    pace::Guarded(Dialogs_, [&] {
        Discovery_.ReceiveWaiting(
            [&](const pace::ByteString& frame) { shown = Monitor_.TakeFrame(frame) || shown; });
    });
    if (shown && !RefreshTimer_.isActive()) RefreshTimer_.start();
}

void TForm1::RefreshDisplay() {
    RefreshTimer_.stop();
    const auto& d = Monitor_.Display();
    if (d.Throttle != Shown_.Throttle) Throttle->setValue(d.Throttle);
    if (d.Brake != Shown_.Brake) Brake->setValue(d.Brake);
    if (d.LaneChangePressed != Shown_.LaneChangePressed) ShowLaneChange(d.LaneChangePressed);
    if (d.Pin != Shown_.Pin) PIN->SetValue(d.Pin);
    if (d.Version != Shown_.Version) Version->setText(QString::fromStdString(d.Version));
    if (d.NoSignal != Shown_.NoSignal) NoSignal->setVisible(d.NoSignal);
    Shown_ = d;
}

void TForm1::ShowLaneChange(bool pressed) {
    QPalette palette = LC->palette();
    palette.setColor(QPalette::Window, pressed ? Yellow : SkyBlue);
    LC->setPalette(palette);
}

}  // namespace TTMain
