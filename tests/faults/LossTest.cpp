// The transceiver vanishes (its pseudo-terminal hangs up, as a pulled-out dongle does) while
// the window is linked, monitoring or sending, and later comes back. The loss is quiet: one
// close, no box, no busy loop; nothing meant for the transceiver goes anywhere else; and the
// transceiver is found again.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "Harness.h"
#include "Telemetry.h"

namespace pace::testing {
namespace {

using namespace std::chrono_literals;

// A busy loop would use about as much CPU time as the second of events lasts.
constexpr auto CpuBoundPerSecond = 250ms;

// Waits for the window to notice the loss that has just happened, then runs the events for a
// second: the process stays about idle, the port was closed once, nothing was shown and the window
// searches.
template <class Form>
void ExpectQuietLoss(WindowOnPty<Form>& h) {
    const auto boxes = h.Dialogs.Boxes.size();
    ASSERT_TRUE(PumpUntil([&] { return h.Port.Losses > 0; }));
    const auto cpu = CpuWhilePumping(1000ms);
    EXPECT_LT(cpu, CpuBoundPerSecond)
        << std::chrono::duration_cast<std::chrono::milliseconds>(cpu).count()
        << " ms of CPU time in a second after the loss";
    ::testing::Test::RecordProperty(
        "cpu_ms_in_second_after_loss",
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(cpu).count()));
    EXPECT_EQ(h.Port.Losses, 1);
    EXPECT_FALSE(h.Port.IsOpen());
    EXPECT_FALSE(h.Link().Linked());
    EXPECT_FALSE(AnyLinkedControlEnabled(*h.Window));
    EXPECT_TRUE(h.Timer.IsOn()) << "the window searches again";
    EXPECT_EQ(h.Dialogs.Boxes.size(), boxes) << "no message for the loss";
}

TEST(MonitorLoss, QuietWhileLinkedOrMonitoringAndStartWorksWhenTheTransceiverIsBack) {
    enum class When { Linked, Monitoring };
    for (const When when : {When::Linked, When::Monitoring}) {
        SCOPED_TRACE(when == When::Linked ? "lost while linked" : "lost while monitoring");
        auto sim = std::make_unique<SimTransceiver>();
        SimTransceiver silent;
        silent.SetMode(SimTransceiver::Mode::Silent);
        WindowOnPty<TTMain::TForm1> h;
        h.SetPorts({sim->SlavePath()});
        h.Make();
        h.LinkUpWith(*sim);
        if (when == When::Monitoring) {
            sim->SetRate(200);
            h.Window->Start->click();
            h.Tick();
            ASSERT_TRUE(PumpUntil([&] { return h.Window->Monitor().FramesShown() >= 5; }));
            ASSERT_TRUE(PumpUntil([&] { return !h.Window->RefreshPending(); }));
            ASSERT_TRUE(h.Window->NoSignal->isHidden());
        }

        // Plugged in elsewhere meanwhile: a device that keeps quiet.
        h.SetPorts({silent.SlavePath()});
        sim->Vanish();
        ExpectQuietLoss(h);
        EXPECT_EQ(h.Window->Start->text(), "Start");
        EXPECT_FALSE(h.Window->Monitoring());
        EXPECT_FALSE(h.Window->NoSignal->isHidden());

        // The next ticks probe; no poll goes to the other device.
        h.Tick();
        h.Tick();
        EXPECT_EQ(h.Port.WrittenTo(silent.SlavePath()), "N");

        // Back, under a name of its own.
        sim = std::make_unique<SimTransceiver>();
        sim->SetTelemetry(ByteString("\x01\x02\x05\x00\x4D\x00\x00\x00\x03\x00", 10));
        h.SetPorts({silent.SlavePath(), sim->SlavePath()});
        h.LinkUpWith(*sim);
        const auto shown = h.Window->Monitor().FramesShown();
        h.Window->Start->click();
        EXPECT_EQ(h.Window->Start->text(), "Close");
        h.Tick();
        ASSERT_TRUE(PumpUntil([&] { return sim->PollCarCodes().size() == 1; }));
        EXPECT_EQ(sim->PollCarCodes()[0], CarCodeFor(0));
        ASSERT_TRUE(PumpUntil([&] { return h.Window->Throttle->value() == 0x4D; }));
        EXPECT_GT(h.Window->Monitor().FramesShown(), shown);
        EXPECT_TRUE(h.Window->NoSignal->isHidden());
        EXPECT_EQ(h.Port.Losses, 1);
        EXPECT_TRUE(h.Dialogs.Boxes.empty());
    }
}

TEST(SetupLoss, QuietWhileLinkedOrPromptingAndASendMeanwhileIsRefused) {
    enum class When { Linked, PromptOpen };
    for (const When when : {When::Linked, When::PromptOpen}) {
        SCOPED_TRACE(when == When::Linked ? "lost while linked"
                                          : "lost while the configure prompt is open");
        auto sim = std::make_unique<SimTransceiver>();
        SimTransceiver silent;
        silent.SetMode(SimTransceiver::Mode::Silent);
        WindowOnPty<TSetupMain::TForm1> h;
        h.SetPorts({sim->SlavePath()});
        h.Make();
        h.LinkUpWith(*sim);
        h.Window->PIN->setText("1234");

        // Lost, and by the time the send goes out discovery has opened another device.
        h.SetPorts({silent.SlavePath()});
        const auto lose = [&] {
            sim->Vanish();
            ExpectQuietLoss(h);
            h.Tick();
            ASSERT_TRUE(h.Port.IsOpenOn(silent.SlavePath()));
        };
        if (when == When::Linked) {
            lose();
            // The buttons are off now; the handler stands for a send that raced the loss.
            h.Window->SetIdClick();
        } else {
            h.Dialogs.OnMessage = [&](const QString&) {
                h.Dialogs.OnMessage = nullptr;
                lose();
            };
            h.Window->SetId->click();
        }
        EXPECT_EQ(h.BoxTexts(), (std::vector<QString>{"message: " + SetupPrompt,
                                                      "error: No transceiver connected."}));
        EXPECT_EQ(h.Port.WrittenTo(silent.SlavePath()), "N") << "the frame went elsewhere";
        EXPECT_EQ(h.Port.Losses, 1);

        // Back: found again, and a send reaches it.
        h.Dialogs.Boxes.clear();
        sim = std::make_unique<SimTransceiver>();
        h.SetPorts({silent.SlavePath(), sim->SlavePath()});
        h.LinkUpWith(*sim);
        h.Window->SetId->click();
        ASSERT_TRUE(PumpUntil([&] { return sim->DataFrames().size() == 1; }));
        EXPECT_EQ(sim->DataFrames()[0], BuildDataFrame(DataFrameSize, h.Window->IdCommand));
        EXPECT_EQ(h.BoxTexts(), (std::vector<QString>{"message: " + SetupPrompt}));
        EXPECT_EQ(silent.DataFrames().size(), 0u);
    }
}

}  // namespace
}  // namespace pace::testing
