#include "portlister.h"

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
        const QString device = info.portName();
#else
        const QString device = info.systemLocation();
#endif
        ports.append({device, info.description()});
    }
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(ports.begin(), ports.end(), [&collator](const PortInfo &a, const PortInfo &b) {
        return collator.compare(a.device, b.device) < 0;
    });
    return ports;
}

const PortLister &systemPortLister()
{
    static const SystemPortLister lister;
    return lister;
}

} // namespace zol
