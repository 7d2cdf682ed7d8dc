// Ports that cannot be opened: held by another program, a device node that is gone, a node
// whose mode refuses the user. Each is passed over without a word, and the transceiver
// listed after them is found. Every port that refuses is itself a working transceiver, so a
// window that got through to one would link up with the wrong device.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <string>
#include <vector>

#include "Harness.h"
#include "HeldPort.h"

namespace pace::testing {
namespace {

using namespace std::chrono_literals;

const std::string MissingDevice = "/dev/pace-faults-no-such-port";

template <class Form>
class Unopenable : public ::testing::Test {};
TYPED_TEST_SUITE(Unopenable, BothWindows, WindowName);

TYPED_TEST(Unopenable, AHeldPortAndAMissingNodeArePassedOverSilently) {
    SimTransceiver busy;
    HeldPort other(busy.SlavePath());
    ASSERT_TRUE(other.Held());
    SimTransceiver transceiver;
    WindowOnPty<TypeParam> h;
    h.SetPorts({busy.SlavePath(), MissingDevice, transceiver.SlavePath()});
    h.Make();

    h.LinkUpWith(transceiver, 4);
    ASSERT_EQ(h.Port.Opens.size(), 3u);
    EXPECT_EQ(h.Port.Opens[0].Device, busy.SlavePath());
    EXPECT_FALSE(h.Port.Opens[0].Opened);
    EXPECT_EQ(h.Port.Opens[1].Device, MissingDevice);
    EXPECT_FALSE(h.Port.Opens[1].Opened);
    EXPECT_TRUE(h.Port.Opens[2].Opened);
    EXPECT_EQ(h.Window->CName->text().toStdString(), transceiver.SlavePath());
    EXPECT_EQ(busy.HelloCount(), 0);
    EXPECT_TRUE(h.Dialogs.Boxes.empty());
}

// The window runs in a process of its own as an unprivileged user (root, whom modes do not
// refuse, is dropped there).
TYPED_TEST(Unopenable, ANodeThatRefusesTheUserIsPassedOverSilently) {
    SimTransceiver refused;
    SimTransceiver transceiver;
    ASSERT_EQ(::chmod(refused.SlavePath().c_str(), 0), 0);
    ASSERT_EQ(::chmod(transceiver.SlavePath().c_str(), 0666), 0);

    const bool monitor = std::is_same_v<TypeParam, TTMain::TForm1>;
    QProcess probe;
    probe.start(QStringLiteral(PACE_UNPRIVILEGED_PROBE),
                {monitor ? QStringLiteral("monitor") : QStringLiteral("setup"),
                 QString::fromStdString(refused.SlavePath()),
                 QString::fromStdString(transceiver.SlavePath())});
    // It reports, then holds its port until its input closes.
    QByteArray output;
    const auto reported = [&] { return output.contains("boxes ") && output.endsWith('\n'); };
    while (!reported() && probe.waitForReadyRead(60000)) output += probe.readAllStandardOutput();
    ASSERT_TRUE(reported()) << output.toStdString();
    PumpUntil([&] { return !transceiver.LinkUps().empty(); });
    probe.closeWriteChannel();
    ASSERT_TRUE(probe.waitForFinished(60000)) << "the probe did not finish";
    ASSERT_EQ(probe.exitCode(), 0) << probe.readAllStandardError().toStdString();
    std::vector<std::string> lines;
    for (const auto& line : QString::fromLocal8Bit(output).split('\n'))
        if (!line.isEmpty()) lines.push_back(line.toStdString());

    const std::string r = refused.SlavePath();
    const std::string t = transceiver.SlavePath();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[0], "user 0") << "the probe ran as root";
    const auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("direct " + r + " Permission denied")) << "the node did not refuse the user";
    EXPECT_TRUE(has("direct " + t + " ok"));
    ASSERT_GE(lines.size(), 5u);
    // Its search: the refused node fails to open, the transceiver opens, links, no box.
    const std::vector<std::string> search(lines.end() - 4, lines.end());
    EXPECT_EQ(search[0].rfind("open " + r + " failed", 0), 0u) << search[0];
    EXPECT_EQ(search[1], "open " + t + " ok ");
    EXPECT_EQ(search[2], "linked yes");
    EXPECT_EQ(search[3], "boxes 0");
    EXPECT_EQ(refused.HelloCount(), 0);
    ASSERT_EQ(transceiver.LinkUps().size(), 1u);
    EXPECT_EQ(transceiver.LinkUps()[0], LinkUpCommand(LinkUpLastByteOf<TypeParam>()));
}

}  // namespace
}  // namespace pace::testing
