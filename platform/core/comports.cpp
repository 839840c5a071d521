#include "comports.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace zol {

QString comPortVariable(int port)
{
    if (port < kFirstComPort || port > kLastComPort)
        return {};
    const QByteArray variable = "ZOL_COM" + QByteArray::number(port);
    return qEnvironmentVariable(variable.constData());
}

QString comPortDeviceName(int port, const QString &remembered)
{
    if (port < kFirstComPort || port > kLastComPort)
        return {};
    const QString fromEnvironment = comPortVariable(port);
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    if (!remembered.isEmpty())
        return remembered;
#ifdef Q_OS_WIN
    return u"COM%1"_s.arg(port);
#else
    return u"/dev/ttyS%1"_s.arg(port - 1);
#endif
}

QString stableDeviceName(const QString &device, const QString &folder)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return {};
    const QFileInfoList links =
        QDir(folder.isEmpty() ? u"/dev/serial/by-id"_s : folder)
            .entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &link : links) {
        if (link.isSymLink() && link.canonicalFilePath() == target)
            return link.absoluteFilePath();
    }
    return {};
}

} // namespace zol
