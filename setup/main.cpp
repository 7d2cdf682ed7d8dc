// pacecfg, the setup program: one window, no command line, nothing stored.
#include <QApplication>
#include <chrono>

#include "Dialogs.h"
#include "PortList.h"
#include "QtSerialPort.h"
#include "QtTickTimer.h"
#include "TSetupMain.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The application title is the caption of the standard error box only; the window keeps
    // its own caption.
    pace::QtDialogs dialogs(QString::fromLatin1(TSetupMain::ApplicationTitle));
    pace::QtSerialPort port;
    const auto portList = pace::MakeSystemPortList();
    pace::QtTickTimer timer;
    TSetupMain::TForm1 form(port, *portList, timer, std::chrono::steady_clock::now, dialogs);
    dialogs.SetOwner(&form);
    form.show();
    // The shown window takes the keyboard focus at start-up, also where no window manager
    // hands it over; its first activation computes the start curve.
    form.activateWindow();
    return application.exec();
}
