// Helper of bench_startup: makes one program's window as its main routine does (or, for
// "bare", an empty widget, the toolkit's own floor), shows it, and once its first paint has
// been flushed prints that moment on the monotonic clock and exits.
//
//   bench_startup_window pacemon|pacecfg|bare
//
// Prints "painted NANOSECONDS".
#include <time.h>

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "Dialogs.h"
#include "PortList.h"
#include "QtSerialPort.h"
#include "QtTickTimer.h"
#include "TSetupMain.h"
#include "TTMain.h"

namespace {

// Quits the event loop once the first paint of the window and the flush that follows it in
// the same pass are done.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !Seen_) {
            Seen_ = true;
            QTimer::singleShot(0, [] {
                timespec t{};
                ::clock_gettime(CLOCK_MONOTONIC, &t);
                std::printf("painted %lld\n",
                            static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec);
                std::fflush(stdout);
                QApplication::quit();
            });
        }
        return false;
    }

private:
    bool Seen_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const char* which = argv[1];
    QApplication application(argc, argv);
    FirstPaint firstPaint;

    if (std::strcmp(which, "bare") == 0) {
        QWidget widget;
        widget.resize(206, 324);
        widget.installEventFilter(&firstPaint);
        widget.show();
        return application.exec();
    }
    if (std::strcmp(which, "pacemon") == 0) {
        const QString title = QStringLiteral("Valdrenna Throttle Setup");
        QApplication::setApplicationName(title);
        pace::QtSerialPort port;
        const auto portList = pace::MakeSystemPortList();
        pace::QtTickTimer timer;
        pace::QtDialogs dialogs(title);
        TTMain::TForm1 form(port, *portList, timer, std::chrono::steady_clock::now, dialogs);
        dialogs.SetOwner(&form);
        form.installEventFilter(&firstPaint);
        form.show();
        return application.exec();
    }
    if (std::strcmp(which, "pacecfg") == 0) {
        pace::QtDialogs dialogs(QString::fromLatin1(TSetupMain::ApplicationTitle));
        pace::QtSerialPort port;
        const auto portList = pace::MakeSystemPortList();
        pace::QtTickTimer timer;
        TSetupMain::TForm1 form(port, *portList, timer, std::chrono::steady_clock::now, dialogs);
        dialogs.SetOwner(&form);
        form.installEventFilter(&firstPaint);
        form.show();
        return application.exec();
    }
    return 2;
}
