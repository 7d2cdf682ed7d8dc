// Byte framing between the programs and the transceiver.
//
// Towards the transceiver: data frames ('D', size byte, payload, zero fill) and a few
// unframed commands. From the transceiver: reply frames, content bytes ended by CR, with
// 0x21 escaping the next byte (sent complemented).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace pace {

// Every frame and command on the serial link is a string of 8-bit bytes.
using ByteString = std::string;

inline constexpr std::uint8_t HelloByte = 0x4E;  // 'N', written alone by every probe
inline constexpr std::uint8_t EndByte = 0x0D;
inline constexpr std::uint8_t EscapeByte = 0x21;
inline constexpr std::uint8_t DataFrameSize = 32;  // the size byte of every data frame we send
inline constexpr std::uint8_t SetupLinkUpLastByte = 0x08;
inline constexpr std::uint8_t MonitorLinkUpLastByte = 0x0A;

// A reply frame that grows past this many content bytes without an end byte is dropped.
inline constexpr std::size_t MaxReplyFrameBytes = 4096;

// The content of the transceiver's answer to the hello byte.
inline const ByteString HelloReply{"IWRX"};

// 'D', size, the payload unchanged, then 0x00 until the frame is size + 2 bytes long.
// A longer payload is neither cut nor refused.
[[nodiscard]] ByteString BuildDataFrame(std::uint8_t size, const ByteString& payload);

// 'Z' 'S' 0x00 'E' 0x00 'P' lastByte.
[[nodiscard]] ByteString LinkUpCommand(std::uint8_t lastByte);

// Assembles reply frames from received bytes, one byte at a time.
class ReplyDecoder {
public:
    // Advances by one received byte. When the byte completes a frame, returns the frame's
    // content (possibly empty) and starts a new, empty frame.
    [[nodiscard]] std::optional<ByteString> TakeByte(std::uint8_t b);

    // Empties the frame being assembled (also ends the discarding of an oversized frame);
    // the escape state stays.
    void ClearFrame();
    // Back to the normal (unescaped) state; the frame stays.
    void ClearEscape();

    [[nodiscard]] std::uint8_t RxEscape() const { return RxEscape_; }
    [[nodiscard]] const ByteString& RxText() const { return RxText_; }

private:
    std::uint8_t RxEscape_ = 0;
    ByteString RxText_;
    bool Discarding_ = false;  // an oversized frame is being skipped up to its end byte
};

}  // namespace pace
