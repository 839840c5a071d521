#include "portnumber.h"

#include "comports.h"

using namespace Qt::StringLiterals;

namespace zol {

std::optional<qint16> comPortNumber(const QString &typed)
{
    QString text = typed.trimmed();
    if (text.startsWith(u"COM"_s, Qt::CaseInsensitive))
        text.remove(0, 3);
    // Only plain digits: toInt alone would also take a sign.
    if (text.isEmpty() || text.size() > 5)
        return std::nullopt;
    for (QChar ch : text) {
        if (ch < u'0' || ch > u'9')
            return std::nullopt;
    }
    const int number = text.toInt();
    if (number < kFirstComPort || number > kLastComPort)
        return std::nullopt;
    return static_cast<qint16>(number);
}

QString notAPortText(const QString &typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return u"No COM port number given: type 1 to 255, or COM1 to COM255"_s;
    return u"COM port \""_s + text + u"\" is not a port: type 1 to 255, or COM1 to COM255"_s;
}

QString comPortAndDevice(int number, const QString &device)
{
    const QString name = u"COM%1"_s.arg(number);
    if (device.isEmpty() || device.compare(name, Qt::CaseInsensitive) == 0)
        return name;
    return name + u" = "_s + device;
}

QString numberedPortText(int number, const PortInfo &port)
{
    QString text = comPortAndDevice(number, port.device);
    if (!port.description.isEmpty())
        text += u" ("_s + port.description + u')';
    return text;
}

} // namespace zol
