#include "PortList.h"

#ifndef _WIN32
#include <QSerialPortInfo>
#endif

namespace pace {

#ifndef _WIN32
namespace {

// The serial ports that Qt's serial stack knows of, in the order it lists them.
class QtPortList : public PortList {
public:
    [[nodiscard]] std::vector<PortEntry> Read() override {
        std::vector<PortEntry> entries;
        const auto ports = QSerialPortInfo::availablePorts();
        entries.reserve(static_cast<std::size_t>(ports.size()));
        for (const auto& info : ports)
            entries.push_back({info.systemLocation().toStdString(), info.portName().toStdString()});
        return entries;
    }
};

}  // namespace

std::unique_ptr<PortList> MakeSystemPortList() { return std::make_unique<QtPortList>(); }
#endif  // Windows: RegistryPortList.cpp

std::string DeviceNameFor(const std::string& portName) {
#ifdef _WIN32
    return "\\\\.\\" + portName;
#else
    return portName;
#endif
}

}  // namespace pace
