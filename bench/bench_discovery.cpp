// Discovery: the time from a window's creation to its link-up with the transceiver listed
// k-th of N ports (the others silent devices and one held by another program), with the real
// 200 ms tick timer, for both windows. Reference: the ideal, (k + 1) tick periods: the
// transceiver is probed on tick k and linked on tick k + 1.
#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "BenchSupport.h"
#include "Fakes.h"
#include "HeldPort.h"
#include "QtSerialPort.h"
#include "QtTickTimer.h"
#include "SimTransceiver.h"
#include "TSetupMain.h"
#include "TTMain.h"

namespace {

using pace::bench::Clock;
using pace::testing::SimTransceiver;

constexpr int PortCount = 5;
constexpr int Runs = 3;
constexpr auto TickPeriod = std::chrono::milliseconds(200);

// Notes when a button becomes enabled.
class EnabledWatch : public QObject {
public:
    explicit EnabledWatch(QPushButton* button) : Button_(button) {
        button->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == Button_ && event->type() == QEvent::EnabledChange && Button_->isEnabled() &&
            !EnabledAt)
            EnabledAt = Clock::now();
        return false;
    }
    std::optional<Clock::time_point> EnabledAt;

private:
    QPushButton* Button_;
};

QPushButton* LinkButton(TTMain::TForm1& form) { return form.Start; }
QPushButton* LinkButton(TSetupMain::TForm1& form) { return form.SetId; }

// One window made on the real port and timer; the time until its link-up, or none.
template <class Form>
std::optional<Clock::duration> TimeToLinkUp(const std::vector<std::string>& devices) {
    pace::QtSerialPort port;
    pace::testing::FakePortList ports;
    ports.SetPorts(devices);
    pace::QtTickTimer timer(TickPeriod);
    pace::testing::RecordingDialogs dialogs;

    const auto start = Clock::now();
    Form form(port, ports, timer, std::chrono::steady_clock::now, dialogs);
    EnabledWatch watch(LinkButton(form));
    form.show();
    pace::bench::RunEventsUntil([&] { return watch.EnabledAt.has_value(); },
                                std::chrono::seconds(5));
    if (!watch.EnabledAt) return std::nullopt;
    return *watch.EnabledAt - start;
}

template <class Form>
void Measure(const char* program, SimTransceiver& transceiver,
             std::vector<std::unique_ptr<SimTransceiver>>& silent, const std::string& busy) {
    for (const int k : {1, 3, 5}) {
        // The transceiver k-th; the first other place holds a silent device, the second the
        // busy one, the rest silent devices.
        std::vector<std::string> devices;
        std::size_t nextSilent = 0;
        int others = 0;
        for (int place = 1; place <= PortCount; ++place) {
            if (place == k)
                devices.push_back(transceiver.SlavePath());
            else if (++others == 2)
                devices.push_back(busy);
            else
                devices.push_back(silent[nextSilent++]->SlavePath());
        }
        std::vector<double> times;
        for (int run = 0; run < Runs; ++run)
            if (const auto t = TimeToLinkUp<Form>(devices))
                times.push_back(pace::bench::Seconds(*t));
        const double ideal = (k + 1) * pace::bench::Seconds(TickPeriod);
        const double median = pace::bench::Percentile(times, 0.5);
        std::printf(
            "%-8s k=%d of %d  runs %d/%d  median %7.1f ms  worst %7.1f ms  ideal %6.1f ms"
            "  ratio %.3f\n",
            program, k, PortCount, static_cast<int>(times.size()), Runs, 1e3 * median,
            1e3 * pace::bench::Percentile(times, 1.0), 1e3 * ideal, median / ideal);
        std::fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    SimTransceiver transceiver;
    std::vector<std::unique_ptr<SimTransceiver>> silent;
    for (int i = 0; i < PortCount - 2; ++i) {
        silent.push_back(std::make_unique<SimTransceiver>());
        silent.back()->SetMode(SimTransceiver::Mode::Silent);
    }
    SimTransceiver busyDevice;
    pace::testing::HeldPort busy(busyDevice.SlavePath());
    if (!busy.Held()) {
        std::fprintf(stderr, "could not hold a port from another process\n");
        return 1;
    }

    std::printf(
        "Discovery: window creation to link-up, the transceiver k-th of %d ports (silent\n"
        "devices and one held by another program), real %lld ms tick timer.\n"
        "Reference: the ideal, (k + 1) tick periods.\n\n",
        PortCount, static_cast<long long>(TickPeriod.count()));
    Measure<TTMain::TForm1>("pacemon", transceiver, silent, busyDevice.SlavePath());
    Measure<TSetupMain::TForm1>("pacecfg", transceiver, silent, busyDevice.SlavePath());
    return 0;
}
