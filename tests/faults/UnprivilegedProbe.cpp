// Test helper: one window's search for the transceiver, run as an unprivileged user, so that
// device modes refuse it the way they refuse a user's program (root is not refused by them).
//
//   pace_unprivileged_probe monitor|setup DEVICE... TRANSCEIVER
//
// Drops root (to the user and group nobody, 65534) when it has it, then makes the window on
// the real serial port with the devices as its port list, and steps the probe until it has
// linked up with TRANSCEIVER. Prints what it saw, one fact a line:
//   user UID
//   direct DEVICE ok|ERRNO-TEXT      (a plain open(2) of each device, as this user)
//   open DEVICE ok|failed TEXT       (each open the window's search made)
//   linked yes|no
//   boxes N
// and then keeps the window, and its port, until its standard input closes.
#include <fcntl.h>
#include <grp.h>
#include <unistd.h>

#include <QApplication>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Harness.h"

namespace {

constexpr uid_t Nobody = 65534;

bool DropRoot() {
    if (::geteuid() != 0) return true;
    if (::setgroups(0, nullptr) != 0) return false;
    if (::setgid(Nobody) != 0) return false;
    if (::setuid(Nobody) != 0) return false;
    // Gone for good: root cannot be taken back.
    return ::geteuid() != 0 && ::setuid(0) != 0;
}

template <class Form>
int Search(const std::vector<std::string>& devices) {
    pace::testing::WindowOnPty<Form> h;
    h.SetPorts(devices);
    h.Make();
    const bool linked = h.TickUntilLinked(devices.back(), static_cast<int>(devices.size()) + 3);
    for (const auto& o : h.Port.Opens)
        std::printf("open %s %s %s\n", o.Device.c_str(), o.Opened ? "ok" : "failed",
                    o.Error.c_str());
    std::printf("linked %s\n", linked ? "yes" : "no");
    std::printf("boxes %zu\n", h.Dialogs.Boxes.size());
    std::fflush(stdout);
    // The port stays open until the caller has seen what it needs: closing it drops what the
    // device has not read yet.
    while (std::getchar() != EOF) {
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s monitor|setup DEVICE... TRANSCEIVER\n", argv[0]);
        return 2;
    }
    if (!DropRoot()) {
        std::fprintf(stderr, "cannot drop root: %s\n", std::strerror(errno));
        return 3;
    }
    std::printf("user %u\n", static_cast<unsigned>(::geteuid()));

    const std::string kind = argv[1];
    const std::vector<std::string> devices(argv + 2, argv + argc);
    for (const auto& d : devices) {
        const int fd = ::open(d.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        std::printf("direct %s %s\n", d.c_str(), fd >= 0 ? "ok" : std::strerror(errno));
        if (fd >= 0) ::close(fd);
    }

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int result = kind == "monitor" ? Search<TTMain::TForm1>(devices)
                       : kind == "setup" ? Search<TSetupMain::TForm1>(devices)
                                         : 2;
    std::fflush(stdout);
    return result;
}
