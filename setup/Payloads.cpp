#include "Payloads.h"

namespace pace {

ByteString TiPayload(int pin, std::uint8_t carByte) {
    const int lowPair = pin % 10 + 10 * (pin / 10 % 10);
    const int highPair = pin / 100 % 10 + 10 * (pin / 1000 % 10);
    ByteString payload = "TI";
    payload += static_cast<char>(lowPair);
    payload += static_cast<char>(highPair);
    payload += static_cast<char>(carByte);
    payload += '\0';
    return payload;
}

ByteString ToPayload(std::string_view ansiName) {
    ByteString payload = "TO";
    payload += ansiName;
    return payload;
}

ByteString TcPayloadHead(std::uint8_t curveNumber) {
    ByteString payload = "TC";
    payload += static_cast<char>(curveNumber);
    return payload;
}

std::uint8_t CarByteFor(std::string_view text, const std::vector<std::string>& entries) {
    constexpr std::string_view space = " \t\r\n\f\v";
    const auto first = text.find_first_not_of(space);
    if (first == std::string_view::npos)
        text = {};
    else
        text = text.substr(first, text.find_last_not_of(space) - first + 1);
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i] == text) return static_cast<std::uint8_t>((i + 1) % 256);
    return 0;
}

}  // namespace pace
