#include "comports.h"

#include <QByteArray>

namespace zol {

QString comPortDeviceName(int port)
{
    if (port < kFirstComPort || port > kLastComPort)
        return {};
    const QByteArray variable = "ZOL_COM" + QByteArray::number(port);
    const QString fromEnvironment = qEnvironmentVariable(variable.constData());
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

} // namespace zol
