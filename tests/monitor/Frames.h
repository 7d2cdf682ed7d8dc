// Telemetry frames as the transceiver sends them, for the window tests.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "FrameCodec.h"
#include "SimTransceiver.h"

namespace pace::testing {

inline ByteString Bytes(std::initializer_list<int> values) {
    ByteString out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

// The ten content bytes of a telemetry frame.
inline ByteString TelemetryContent(int pin, int throttle, int brake, int laneChange, int version) {
    return Bytes(
        {0x01, 0x02, pin % 100, pin / 100, throttle, brake, laneChange, 0x07, version, 0x09});
}

// Content bytes on the wire: 0x0D and 0x21 escaped, the end byte after them.
inline ByteString OnWire(const ByteString& content) { return ReplyFrameOnWire(content); }

}  // namespace pace::testing
