// pacemon, the test program: one window that polls a car and shows its telemetry.
#include <QApplication>
#include <chrono>

#include "Dialogs.h"
#include "PortList.h"
#include "QtSerialPort.h"
#include "QtTickTimer.h"
#include "TTMain.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The application title, the caption of the standard error box. The window's own caption
    // differs from it; the display name stays unset so that nothing is appended to captions.
    const QString title = QStringLiteral("Valdrenna Throttle Setup");
    QApplication::setApplicationName(title);

    pace::QtSerialPort port;
    const auto portList = pace::MakeSystemPortList();
    pace::QtTickTimer timer;
    pace::QtDialogs dialogs(title);

    TTMain::TForm1 Form1(port, *portList, timer, std::chrono::steady_clock::now, dialogs);
    dialogs.SetOwner(&Form1);
    Form1.show();
    // The shown window takes the keyboard focus, also where no window manager hands it over.
    Form1.activateWindow();
    return application.exec();
}
