#include "SimTransceiver.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <random>
#include <stdexcept>

namespace pace::testing {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t LinkUpLength = 7;
// Bytes queued towards the program beyond which telemetry and garbage are skipped, as a
// device with a full output queue would.
constexpr std::size_t MaxPendingOut = 4096;
constexpr auto GarbagePeriod = std::chrono::milliseconds(20);
constexpr std::size_t GarbageChunk = 32;
// The program writes each command in one go; a pause this long inside one means the rest was
// lost (a probe that closed the port), so the next byte starts a new command.
constexpr auto CommandGap = std::chrono::milliseconds(100);

}  // namespace

struct SimTransceiver::Impl {
    // Set up once, then owned by the thread.
    int Master = -1;
    int Slave = -1;  // held open so the master never sees a hang-up while no program has it
    int WakeRead = -1;
    int WakeWrite = -1;
    std::string Path;
    std::thread Thread;

    mutable std::mutex Mutex;
    std::condition_variable Vanished;
    // Guarded by Mutex.
    Mode CurrentMode = Mode::Normal;
    ByteString Telemetry{"\x01\x02\x22\x0C\x80\x00\x01\x00\x0C\x1B", 10};
    double Rate = 20.0;
    ByteString Out;
    ByteString ReceivedBytes;
    int Hellos = 0;
    std::vector<ByteString> LinkUpCommands;
    std::vector<ByteString> Frames;
    std::vector<std::uint8_t> Polls;
    bool IsStreaming = false;
    long long TelemetrySent = 0;
    bool Stop = false;
    bool VanishRequested = false;

    // The thread's own state.
    ByteString Command;  // the command being received
    Clock::time_point LastByteAt{};
    Clock::time_point NextTelemetry{};
    Clock::time_point NextGarbage{};
    std::mt19937 Random{12345};

    void Wake() const {
        const char c = 0;
        [[maybe_unused]] auto n = ::write(WakeWrite, &c, 1);
    }

    // One byte from the program, with Mutex held.
    void Take(std::uint8_t b, Clock::time_point now) {
        ReceivedBytes.push_back(static_cast<char>(b));
        if (!Command.empty() && now - LastByteAt > CommandGap) Command.clear();
        LastByteAt = now;
        Command.push_back(static_cast<char>(b));
        const auto first = static_cast<std::uint8_t>(Command[0]);
        switch (first) {
            case HelloByte:
                Command.clear();
                ++Hellos;
                // A new discovery: telemetry stops before the answer goes out.
                IsStreaming = false;
                if (CurrentMode == Mode::Normal) Out += ReplyFrameOnWire(HelloReply);
                return;
            case 'Z':
                if (Command.size() < LinkUpLength) return;
                LinkUpCommands.push_back(Command);
                Command.clear();
                return;
            case 'D':
                if (Command.size() < 2) return;
                if (Command.size() < std::size_t{static_cast<std::uint8_t>(Command[1])} + 2) return;
                Frames.push_back(Command);
                Command.clear();
                return;
            case 'C':
                if (Command.size() < 2) return;
                Polls.push_back(static_cast<std::uint8_t>(Command[1]));
                Command.clear();
                if (CurrentMode == Mode::Normal) {
                    IsStreaming = true;
                    NextTelemetry = now;
                }
                return;
            default:
                Command.clear();  // not a command the transceiver knows
                return;
        }
    }

    // Queues what is due now and returns how long poll() may wait, with Mutex held.
    int Produce(Clock::time_point now) {
        Clock::time_point next = Clock::time_point::max();
        if (IsStreaming && CurrentMode == Mode::Normal) {
            if (now >= NextTelemetry) {
                if (Out.size() < MaxPendingOut) {
                    Out += ReplyFrameOnWire(Telemetry);
                    ++TelemetrySent;
                }
                const auto period = std::chrono::duration_cast<Clock::duration>(
                    std::chrono::duration<double>(1.0 / (Rate > 0 ? Rate : 1.0)));
                NextTelemetry =
                    (now - NextTelemetry > period) ? now + period : NextTelemetry + period;
            }
            next = std::min(next, NextTelemetry);
        }
        if (CurrentMode == Mode::Garbage) {
            if (now >= NextGarbage) {
                if (Out.size() < MaxPendingOut) {
                    for (std::size_t i = 0; i < GarbageChunk; ++i) {
                        auto b = static_cast<std::uint8_t>(Random() & 0xFF);
                        // Never 'X' nor its escaped form, so no hello reply can appear.
                        if (b == 'X' || b == static_cast<std::uint8_t>('X' ^ 0xFF)) b = '?';
                        Out.push_back(static_cast<char>(b));
                    }
                }
                NextGarbage = now + GarbagePeriod;
            }
            next = std::min(next, NextGarbage);
        }
        if (next == Clock::time_point::max()) return -1;
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
        return static_cast<int>(std::max<long long>(wait, 0));
    }

    void Run() {
        std::unique_lock lock(Mutex);
        for (;;) {
            if (Stop) return;
            if (VanishRequested && Master >= 0) {
                // Both sides of our own hold go: the program's end hangs up.
                ::close(Master);
                Master = -1;
                ::close(Slave);
                Slave = -1;
                Out.clear();
                IsStreaming = false;
                Vanished.notify_all();
            }
            const auto now = Clock::now();
            const int timeout = Master >= 0 ? Produce(now) : -1;
            pollfd fds[2] = {{WakeRead, POLLIN, 0}, {Master, 0, 0}};
            nfds_t count = 1;
            if (Master >= 0) {
                if (CurrentMode != Mode::StopReading) fds[1].events |= POLLIN;
                if (!Out.empty()) fds[1].events |= POLLOUT;
                count = 2;
            }
            lock.unlock();
            const int ready = ::poll(fds, count, timeout);
            lock.lock();
            if (ready < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[0].revents & POLLIN) {
                char drain[64];
                while (::read(WakeRead, drain, sizeof drain) > 0) {
                }
            }
            if (count < 2 || Master < 0) continue;
            if (fds[1].revents & POLLIN) {
                std::uint8_t buffer[512];
                const auto n = ::read(Master, buffer, sizeof buffer);
                const auto at = Clock::now();
                for (ssize_t i = 0; i < n; ++i) Take(buffer[i], at);
            }
            if ((fds[1].revents & POLLOUT) && !Out.empty()) {
                const auto n = ::write(Master, Out.data(), Out.size());
                if (n > 0) Out.erase(0, static_cast<std::size_t>(n));
            }
        }
    }
};

SimTransceiver::SimTransceiver() : Impl_(new Impl) {
    RawPty pty;
    try {
        pty = OpenRawPty();
    } catch (...) {
        delete Impl_;
        throw;
    }
    Impl_->Master = pty.Master;
    Impl_->Slave = pty.Slave;
    Impl_->Path = pty.Path;
    int wake[2];
    if (::pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        ::close(Impl_->Master);
        ::close(Impl_->Slave);
        delete Impl_;
        throw std::runtime_error("pipe2 failed");
    }
    Impl_->WakeRead = wake[0];
    Impl_->WakeWrite = wake[1];
    Impl_->Thread = std::thread([impl = Impl_] { impl->Run(); });
}

SimTransceiver::~SimTransceiver() {
    {
        std::lock_guard lock(Impl_->Mutex);
        Impl_->Stop = true;
    }
    Impl_->Wake();
    Impl_->Thread.join();
    if (Impl_->Master >= 0) ::close(Impl_->Master);
    if (Impl_->Slave >= 0) ::close(Impl_->Slave);
    ::close(Impl_->WakeRead);
    ::close(Impl_->WakeWrite);
    delete Impl_;
}

std::string SimTransceiver::SlavePath() const { return Impl_->Path; }

void SimTransceiver::SetMode(Mode mode) {
    {
        std::lock_guard lock(Impl_->Mutex);
        Impl_->CurrentMode = mode;
        if (mode != Mode::Normal) Impl_->IsStreaming = false;
        Impl_->NextGarbage = Clock::now();
    }
    Impl_->Wake();
}

void SimTransceiver::SetTelemetry(const ByteString& content) {
    std::lock_guard lock(Impl_->Mutex);
    Impl_->Telemetry = content;
}

void SimTransceiver::SetRate(double framesPerSecond) {
    {
        std::lock_guard lock(Impl_->Mutex);
        Impl_->Rate = framesPerSecond;
        Impl_->NextTelemetry = Clock::now();
    }
    Impl_->Wake();
}

void SimTransceiver::SendRaw(const ByteString& bytes) {
    {
        std::lock_guard lock(Impl_->Mutex);
        Impl_->Out += bytes;
    }
    Impl_->Wake();
}

void SimTransceiver::SendFrame(const ByteString& content) { SendRaw(ReplyFrameOnWire(content)); }

void SimTransceiver::Vanish() {
    {
        std::lock_guard lock(Impl_->Mutex);
        Impl_->VanishRequested = true;
    }
    Impl_->Wake();
    // Returns once the master is closed, so the hang-up has happened.
    std::unique_lock lock(Impl_->Mutex);
    Impl_->Vanished.wait(lock, [this] { return Impl_->Master < 0; });
}

ByteString SimTransceiver::Received() const {
    std::lock_guard lock(Impl_->Mutex);
    return Impl_->ReceivedBytes;
}

void SimTransceiver::ClearReceived() {
    std::lock_guard lock(Impl_->Mutex);
    Impl_->ReceivedBytes.clear();
}

int SimTransceiver::HelloCount() const {
    std::lock_guard lock(Impl_->Mutex);
    return Impl_->Hellos;
}

std::vector<ByteString> SimTransceiver::LinkUps() const {
    std::lock_guard lock(Impl_->Mutex);
    return Impl_->LinkUpCommands;
}

std::optional<std::uint8_t> SimTransceiver::PolledCarCode() const {
    std::lock_guard lock(Impl_->Mutex);
    if (Impl_->Polls.empty()) return std::nullopt;
    return Impl_->Polls.back();
}

std::vector<std::uint8_t> SimTransceiver::PollCarCodes() const {
    std::lock_guard lock(Impl_->Mutex);
    return Impl_->Polls;
}

std::vector<ByteString> SimTransceiver::DataFrames() const {
    std::lock_guard lock(Impl_->Mutex);
    return Impl_->Frames;
}

bool SimTransceiver::Streaming() const {
    std::lock_guard lock(Impl_->Mutex);
    return Impl_->IsStreaming;
}

long long SimTransceiver::TelemetryFramesSent() const {
    std::lock_guard lock(Impl_->Mutex);
    return Impl_->TelemetrySent;
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() >= deadline) return done();
        // Runs the event loop for a short round; it sleeps until an event or the round's end.
        QEventLoop round;
        QTimer::singleShot(std::chrono::milliseconds(5), &round, &QEventLoop::quit);
        round.exec();
    }
    return true;
}

RawPty OpenRawPty() {
    RawPty pty;
    char name[256] = {};
    if (::openpty(&pty.Master, &pty.Slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
    pty.Path = name;
    termios raw{};
    ::tcgetattr(pty.Slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(pty.Slave, TCSANOW, &raw);
    ::fcntl(pty.Master, F_SETFL, ::fcntl(pty.Master, F_GETFL) | O_NONBLOCK);
    ::fcntl(pty.Master, F_SETFD, FD_CLOEXEC);
    ::fcntl(pty.Slave, F_SETFD, FD_CLOEXEC);
    return pty;
}

ByteString ReplyFrameOnWire(const ByteString& content) {
    ByteString out;
    for (char c : content) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b == EndByte || b == EscapeByte) {
            out.push_back(static_cast<char>(EscapeByte));
            out.push_back(static_cast<char>(b ^ 0xFF));
        } else {
            out.push_back(c);
        }
    }
    out.push_back(static_cast<char>(EndByte));
    return out;
}

}  // namespace pace::testing
