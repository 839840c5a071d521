#include "portlister.h"

#include "comports.h"

#include <QSerialPortInfo>

#include <algorithm>

namespace zol {

QList<PortInfo> SystemPortLister::ports() const
{
    QList<PortInfo> found;
    const QList<QSerialPortInfo> available = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : available) {
        PortInfo port;
#ifdef Q_OS_WIN
        // "COM7", the name the user knows from the Device Manager, rather
        // than the \\.\COM7 the system opens.
        port.device = info.portName();
#else
        port.device = info.systemLocation();
        port.stableName = stableDeviceName(port.device);
#endif
        port.description = info.description();
        found.append(port);
    }
    // The system's order follows its own enumeration; the user should find
    // the same adapter in the same place each time the menu opens.
    std::sort(found.begin(), found.end(), [](const PortInfo &a, const PortInfo &b) {
        return a.device.size() != b.device.size() ? a.device.size() < b.device.size()
                                                  : a.device < b.device;
    });
    return found;
}

} // namespace zol
