// The payloads of the configuration commands, built byte for byte. No widgets here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FrameCodec.h"

namespace pace {

inline constexpr int HighestPin = 9999;

// 'T' 'I', the PIN's last two decimal digits as one number, its first two as one number, the
// car byte, 0x00. `pin` is 0 to 9999.
[[nodiscard]] ByteString TiPayload(int pin, std::uint8_t carByte);

// 'T' 'O' and the name as it stands (already in the 8-bit code page); no length, no end byte.
[[nodiscard]] ByteString ToPayload(std::string_view ansiName);

// 'T' 'C' and the curve number; the eleven point bytes follow.
[[nodiscard]] ByteString TcPayloadHead(std::uint8_t curveNumber);

// The car byte for the text of the car ID box: the entry whose text equals the typed text
// with surrounding white space removed counts (its index + 1); any other text gives 0.
[[nodiscard]] std::uint8_t CarByteFor(std::string_view text,
                                      const std::vector<std::string>& entries);

// The driver name (UTF-8) in the system's 8-bit ANSI code page; a character the code page
// cannot hold becomes its default character '?'.
[[nodiscard]] std::string ToAnsiCodePage(std::string_view utf8);

}  // namespace pace
