#include "FrameCodec.h"

#include <algorithm>

namespace pace {

ByteString BuildDataFrame(std::uint8_t size, const ByteString& payload) {
    ByteString frame;
    const std::size_t length = std::size_t{size} + 2;
    frame.reserve(std::max(length, payload.size() + 2));
    frame.push_back('D');
    frame.push_back(static_cast<char>(size));
    frame += payload;
    if (frame.size() < length) frame.append(length - frame.size(), '\0');
    return frame;
}

ByteString LinkUpCommand(std::uint8_t lastByte) {
    return ByteString{'Z', 'S', '\0', 'E', '\0', 'P', static_cast<char>(lastByte)};
}

std::optional<ByteString> ReplyDecoder::TakeByte(std::uint8_t b) {
    std::uint8_t content = 0;
    if (RxEscape_ == 1) {
        RxEscape_ = 0;
        content = static_cast<std::uint8_t>(b ^ 0xFF);
    } else if (b == EscapeByte) {
        RxEscape_ = 1;
        return std::nullopt;
    } else if (b == EndByte) {
        if (Discarding_) {
            // The end of an oversized frame: nothing to hand out.
            Discarding_ = false;
            return std::nullopt;
        }
        ByteString frame;
        frame.swap(RxText_);
        return frame;
    } else {
        content = b;
    }

    if (Discarding_) return std::nullopt;
    if (RxText_.size() >= MaxReplyFrameBytes) {
        // Too long to be a reply of the transceiver: drop it and skip to its end byte.
        RxText_.clear();
        RxText_.shrink_to_fit();
        Discarding_ = true;
        return std::nullopt;
    }
    RxText_.push_back(static_cast<char>(content));
    return std::nullopt;
}

void ReplyDecoder::ClearFrame() {
    RxText_.clear();
    Discarding_ = false;
}

void ReplyDecoder::ClearEscape() { RxEscape_ = 0; }

}  // namespace pace
