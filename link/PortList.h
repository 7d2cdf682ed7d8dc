// The operating system's list of serial ports, in its own order.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace pace {

struct PortEntry {
    std::string ValueName;  // registry value name on Windows; the system location elsewhere
    std::string PortName;   // the name shown to the user and opened (COM3, ttyUSB0, /dev/pts/4)
};

class PortList {
public:
    virtual ~PortList() = default;
    // Reads the list anew. A list that cannot be read is empty.
    [[nodiscard]] virtual std::vector<PortEntry> Read() = 0;
};

// The platform's list: the registry's serial-port key on Windows, QSerialPortInfo elsewhere.
[[nodiscard]] std::unique_ptr<PortList> MakeSystemPortList();

// The device path to open for a listed port name: \\.\COM3 on Windows, the name itself
// elsewhere.
[[nodiscard]] std::string DeviceNameFor(const std::string& portName);

}  // namespace pace
