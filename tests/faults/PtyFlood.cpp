#include "PtyFlood.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

#include "FrameCodec.h"
#include "SimTransceiver.h"

namespace pace::testing {

namespace {

constexpr std::size_t Chunk = 64 * 1024;

// One chunk of what the flood sends, repeated. No hello reply can form in it: the garbage
// holds no 'X', neither plain nor escaped.
std::vector<char> Pattern(PtyFlood::Kind kind) {
    std::vector<char> bytes(Chunk);
    if (kind == PtyFlood::Kind::NoEndByte) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            auto b = static_cast<std::uint8_t>(i * 7 + i / 256);
            if (b == EndByte) b = 'x';
            bytes[i] = static_cast<char>(b);
        }
    } else {
        std::mt19937 random(2024);
        for (auto& c : bytes) {
            auto b = static_cast<std::uint8_t>(random() & 0xFF);
            if (b == 'X' || b == static_cast<std::uint8_t>('X' ^ 0xFF)) b = '?';
            c = static_cast<char>(b);
        }
    }
    return bytes;
}

}  // namespace

PtyFlood::PtyFlood(Kind kind, std::size_t total) : Kind_(kind), Total_(total) {
    auto pty = OpenRawPty();
    Master_ = pty.Master;
    Slave_ = pty.Slave;
    Path_ = pty.Path;
    int wake[2];
    if (::pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        ::close(Master_);
        ::close(Slave_);
        throw std::runtime_error("pipe2 failed");
    }
    WakeRead_ = wake[0];
    WakeWrite_ = wake[1];
    Thread_ = std::thread([this] { Run(); });
}

PtyFlood::~PtyFlood() {
    Stop_ = true;
    const char c = 0;
    [[maybe_unused]] auto n = ::write(WakeWrite_, &c, 1);
    Thread_.join();
    ::close(Master_);
    ::close(Slave_);
    ::close(WakeRead_);
    ::close(WakeWrite_);
}

void PtyFlood::Run() {
    const std::vector<char> pattern = Pattern(Kind_);
    std::size_t offset = 0;
    while (!Stop_) {
        pollfd fds[2] = {{WakeRead_, POLLIN, 0}, {Master_, POLLIN, 0}};
        if (Probed_ && Sent_ < Total_) fds[1].events |= POLLOUT;
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents & POLLIN) {
            char drain[4096];
            if (::read(Master_, drain, sizeof drain) > 0) Probed_ = true;
        }
        if ((fds[1].revents & POLLOUT) && Probed_ && Sent_ < Total_) {
            const std::size_t want = std::min(pattern.size() - offset, Total_ - Sent_);
            const auto n = ::write(Master_, pattern.data() + offset, want);
            if (n > 0) {
                Sent_ += static_cast<std::size_t>(n);
                offset = (offset + static_cast<std::size_t>(n)) % pattern.size();
            }
        }
    }
}

}  // namespace pace::testing
