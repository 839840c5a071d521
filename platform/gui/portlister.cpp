#include "portlister.h"

#include "comports.h"

#include <QCollator>
#include <QSerialPortInfo>

#include <algorithm>

namespace zol {

QList<PortInfo> SystemPortLister::ports() const
{
    QList<PortInfo> ports;
    const QList<QSerialPortInfo> available = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : available) {
        // On Windows the user types COM3; elsewhere the device path is what
        // goes into ZOL_COM<n>.
#ifdef Q_OS_WIN
        ports.append({info.portName(), info.description(), QString()});
#else
        const QString device = info.systemLocation();
        ports.append({device, info.description(), stableDeviceName(device)});
#endif
    }
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(ports.begin(), ports.end(), [&collator](const PortInfo &a, const PortInfo &b) {
        return collator.compare(a.device, b.device) < 0;
    });
    return ports;
}

} // namespace zol
