// The window as it is drawn while it shows telemetry. Set PACEMON_PNG to a file name to keep
// the picture (docs/pacemon.png is made this way).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <chrono>
#include <string>

#include "Fakes.h"
#include "Frames.h"
#include "Shown.h"
#include "TTMain.h"

namespace pace::testing {
namespace {

using namespace std::chrono_literals;

std::string ColourAt(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return std::to_string(c.red()) + "," + std::to_string(c.green()) + "," +
           std::to_string(c.blue());
}

TEST(WindowPicture, ShowsTheTelemetryInItsColours) {
    FakeSerialPort port;
    FakePortList ports;
    ports.SetPorts({"COM3"});
    FakeTickTimer timer;
    FakeClock clock;
    RecordingDialogs dialogs;
    TTMain::TForm1 form(port, ports, timer, clock.AsFunction(), dialogs);
    form.show();

    timer.Tick();
    port.Receive(OnWire(HelloReply));
    timer.Tick();
    form.ID->setCurrentIndex(6);
    form.Start->click();
    timer.Tick();
    port.Receive(OnWire(TelemetryContent(1234, 230, 40, 1, 12)));
    form.RefreshDisplay();
    ASSERT_EQ(Shown(form),
              "throttle 230, brake 40, LC yellow, PIN 1234, version ' 12', no signal hidden");

    const QImage image = form.grab().toImage();
    ASSERT_EQ(image.size(), QSize(206, 324));
    const struct {
        const char* Where;
        int X, Y;
        const char* Colour;
    } points[] = {
        {"window background", 200, 310, "166,202,240"},
        {"lane-change panel inside its bevel", 11, 131, "255,255,0"},
        {"throttle bar, filled part", 129, 270, "0,128,0"},
        {"throttle bar, empty part above 230 of 255", 129, 73, "192,192,192"},
        {"brake bar, filled part", 174, 275, "255,0,0"},
        {"brake bar, empty part above 40 of 255", 174, 150, "192,192,192"},
    };
    for (const auto& p : points) EXPECT_EQ(ColourAt(image, p.X, p.Y), p.Colour) << p.Where;

    if (const QString path = qEnvironmentVariable("PACEMON_PNG"); !path.isEmpty()) {
        EXPECT_TRUE(image.save(path, "PNG")) << path.toStdString();
    }
}

}  // namespace
}  // namespace pace::testing
