// A device on a pseudo-terminal that floods whoever probes it: once the first byte arrives
// from the program, it sends a given number of bytes as fast as the terminal takes them.
// What it sends never contains a hello reply. Whatever the program writes is read and
// thrown away, so the program's writes never stall.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <thread>

namespace pace::testing {

class PtyFlood {
public:
    enum class Kind {
        NoEndByte,  // every byte value but the end byte (0x0D)
        Garbage,    // random bytes, end bytes and escapes among them
    };

    PtyFlood(Kind kind, std::size_t total);
    ~PtyFlood();
    PtyFlood(const PtyFlood&) = delete;
    PtyFlood& operator=(const PtyFlood&) = delete;

    // The device the programs open.
    [[nodiscard]] const std::string& SlavePath() const { return Path_; }
    // True once a byte came from the program.
    [[nodiscard]] bool Probed() const { return Probed_; }
    [[nodiscard]] std::size_t Sent() const { return Sent_; }
    [[nodiscard]] bool Done() const { return Sent_ >= Total_; }

private:
    void Run();

    Kind Kind_;
    std::size_t Total_;
    int Master_ = -1;
    int Slave_ = -1;  // held, so the master never sees a hang-up
    int WakeRead_ = -1;
    int WakeWrite_ = -1;
    std::string Path_;
    std::atomic<bool> Probed_{false};
    std::atomic<std::size_t> Sent_{0};
    std::atomic<bool> Stop_{false};
    std::thread Thread_;
};

}  // namespace pace::testing
