#include "portinfo.h"

using namespace Qt::StringLiterals;

namespace zol {

QString portListLine(const QString &heading, const QList<PortInfo> &ports, const QString &none)
{
    QStringList items;
    for (const PortInfo &port : ports) {
        const QString description = port.description.simplified();
        if (port.device.isEmpty())
            continue;
        items << (description.isEmpty() ? port.device : port.device + u" ("_s + description + u')');
    }
    return heading + u' ' + (items.isEmpty() ? none : items.join(u", "_s));
}

} // namespace zol
