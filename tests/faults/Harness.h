// Either window on the real serial port (pseudo-terminals at the other end), with the probe
// tick and the clock stepped by hand, and the process's own measures.
#pragma once

#include <gtest/gtest.h>
#include <time.h>
#include <unistd.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QString>
#include <chrono>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Fakes.h"
#include "QtSerialPort.h"
#include "RecordingPort.h"
#include "SimTransceiver.h"
#include "TSetupMain.h"
#include "TTMain.h"

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace pace::testing {

inline const QString SetupPrompt = QString::fromLatin1(TSetupMain::ConfigurePromptText);

// Resident memory of this process, in bytes.
inline long long ResidentBytes() {
    long long pages = 0;
    long long resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%lld %lld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * ::sysconf(_SC_PAGESIZE);
}

// CPU time used by this process so far, all its threads together.
inline std::chrono::nanoseconds ProcessCpuTime() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

// Runs the event loop for `wall` and returns the CPU time the process used meanwhile.
inline std::chrono::nanoseconds CpuWhilePumping(std::chrono::milliseconds wall) {
    const auto before = ProcessCpuTime();
    PumpUntil([] { return false; }, wall);
    return ProcessCpuTime() - before;
}

// The controls that only work while linked.
inline bool LinkedControlsEnabled(const TTMain::TForm1& form) { return form.Start->isEnabled(); }
inline bool LinkedControlsEnabled(const TSetupMain::TForm1& form) {
    return form.SendDriver->isEnabled() && form.SetId->isEnabled() && form.SendCurve->isEnabled();
}
inline bool AnyLinkedControlEnabled(const TSetupMain::TForm1& form) {
    return form.SendDriver->isEnabled() || form.SetId->isEnabled() || form.SendCurve->isEnabled();
}
inline bool AnyLinkedControlEnabled(const TTMain::TForm1& form) { return form.Start->isEnabled(); }

// The last byte of each window's link-up command.
template <class Form>
constexpr std::uint8_t LinkUpLastByteOf() {
    if constexpr (std::is_same_v<Form, TTMain::TForm1>)
        return MonitorLinkUpLastByte;
    else
        return SetupLinkUpLastByte;
}

template <class Form>
class WindowOnPty {
public:
    WindowOnPty() : Port(Real) {}
    ~WindowOnPty() { Window.reset(); }
    WindowOnPty(const WindowOnPty&) = delete;
    WindowOnPty& operator=(const WindowOnPty&) = delete;

    void SetPorts(const std::vector<std::string>& devices) {
        Ports.Entries.clear();
        for (const auto& d : devices) Ports.Entries.push_back({d, d});
    }
    // Makes the window, which starts looking for the transceiver at once.
    void Make() {
        Window = std::make_unique<Form>(Port, Ports, Timer, Clock.AsFunction(), Dialogs);
    }

    void Tick() {
        Clock.Advance(std::chrono::milliseconds(200));
        Timer.Tick();
    }
    // Steps the probe until the window has linked up. Only the port of `transceiver` is given
    // time to answer; every other port is left at once for the next tick.
    [[nodiscard]] bool TickUntilLinked(const std::string& transceiver, int maxTicks) {
        for (int i = 0; i < maxTicks && !Link().Linked(); ++i) {
            Tick();
            if (Port.IsOpenOn(transceiver))
                PumpUntil([&] { return Link().LinkFound(); }, std::chrono::seconds(5));
        }
        return Link().Linked();
    }
    // Links up with a transceiver and checks its link-up command.
    void LinkUpWith(SimTransceiver& sim, int maxTicks = 12) {
        const auto before = sim.LinkUps().size();
        ASSERT_TRUE(TickUntilLinked(sim.SlavePath(), maxTicks));
        ASSERT_TRUE(LinkedControlsEnabled(*Window));
        ASSERT_TRUE(PumpUntil([&] { return sim.LinkUps().size() == before + 1; }));
        EXPECT_EQ(sim.LinkUps().back(), LinkUpCommand(LinkUpLastByteOf<Form>()));
    }

    [[nodiscard]] const Discovery& Link() const { return Window->Link(); }
    [[nodiscard]] std::vector<QString> BoxTexts() const {
        std::vector<QString> texts;
        for (const auto& box : Dialogs.Boxes) texts.push_back(box.Kind + ": " + box.Text);
        return texts;
    }

    QtSerialPort Real;
    RecordingPort Port;
    FakePortList Ports;
    FakeTickTimer Timer;
    FakeClock Clock;
    RecordingDialogs Dialogs;
    std::unique_ptr<Form> Window;
};

using BothWindows = ::testing::Types<TTMain::TForm1, TSetupMain::TForm1>;

// Names the typed tests after the program whose window they drive.
struct WindowName {
    template <class Form>
    static std::string GetName(int) {
        return std::is_same_v<Form, TTMain::TForm1> ? "pacemon" : "pacecfg";
    }
};

}  // namespace pace::testing
