// Test helper: holds a serial port open the way another Qt program does (exclusive open and
// lock file) until its standard input closes. Prints "held" once the port is open.
#include <QCoreApplication>
#include <QSerialPort>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) return 2;
    QSerialPort port;
    port.setPortName(QString::fromLocal8Bit(argv[1]));
    if (!port.open(QIODevice::ReadWrite)) {
        std::printf("failed %s\n", qPrintable(port.errorString()));
        std::fflush(stdout);
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    int c = 0;
    while ((c = std::getchar()) != EOF) {
    }
    return 0;
}
