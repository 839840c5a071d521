#include "portnumbering.h"

#include "comports.h"
#include "keyvaluestore.h"

#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace zol {

namespace {

constexpr int kMenuItems = 4;

QString keyOf(int number)
{
    return u"COM%1"_s.arg(number);
}

// 0 for anything but COM1 to COM255. Windows names its ports in any case;
// the store's keys are the program's own, written as keyOf() writes them.
int numberIn(const QString &name, Qt::CaseSensitivity sensitivity)
{
    static const QRegularExpression anyCase(u"^COM([1-9][0-9]{0,2})$"_s,
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression exact(u"^COM([1-9][0-9]{0,2})$"_s);
    const QRegularExpressionMatch match =
        (sensitivity == Qt::CaseInsensitive ? anyCase : exact).match(name);
    const int number = match.hasMatch() ? match.captured(1).toInt() : 0;
    return number <= kLastComPort ? number : 0;
}

// The name that survives a replug where the system has one.
QString rememberedName(const PortInfo &port)
{
    return port.stableName.isEmpty() ? port.device : port.stableName;
}

QString captionOf(int number, const PortInfo &port, PortNumbering::Naming naming)
{
    QString caption = keyOf(number);
    // On Windows the number is the device's own name; elsewhere the user
    // should see which device the number stands for.
    if (naming == PortNumbering::Naming::Posix)
        caption += u" - "_s + port.device;
    if (!port.description.isEmpty())
        caption += u" ("_s + port.description + u')';
    return caption;
}

} // namespace

PortNumbering::PortNumbering(KeyValueStore &store, Naming naming) : m_store(store), m_naming(naming)
{}

// Whether path (a variable's value, a remembered name) leads to port: by its
// device, its stable name, or a link to the same device.
bool PortNumbering::leadsTo(const QString &path, const PortInfo &port) const
{
    if (path.isEmpty())
        return false;
    if (m_naming == Naming::Windows)
        return path.compare(port.device, Qt::CaseInsensitive) == 0;
    if (path == port.device || path == port.stableName)
        return true;
    const QString target = QFileInfo(path).canonicalFilePath();
    return !target.isEmpty() && target == QFileInfo(port.device).canonicalFilePath();
}

QMap<int, QString> PortNumbering::remembered() const
{
    QMap<int, QString> numbers;
    if (m_naming == Naming::Windows)
        return numbers;
    const QStringList keys = m_store.keys();
    for (const QString &key : keys) {
        const int number = numberIn(key, Qt::CaseSensitive);
        const QString device = m_store.value(key);
        if (number >= kFirstListedPort && !device.isEmpty())
            numbers.insert(number, device);
    }
    return numbers;
}

QString PortNumbering::deviceOf(int number) const
{
    if (m_naming == Naming::Posix)
        return comPortDeviceName(number, rememberedDevice(number));
    const QString variable = comPortVariable(number);
    return variable.isEmpty() ? keyOf(number) : variable;
}

bool PortNumbering::namedByMenuItems(const PortInfo &port) const
{
    for (int number = 1; number <= kMenuItems; ++number) {
        if (leadsTo(deviceOf(number), port))
            return true;
    }
    return false;
}

QList<OfferedPort> PortNumbering::offer(const QList<PortInfo> &present) const
{
    const QMap<int, QString> known = remembered();
    QList<int> taken = known.keys();
    for (int number = kFirstListedPort; number <= kLastComPort; ++number) {
        if (!comPortVariable(number).isEmpty())
            taken.append(number);
    }

    QList<OfferedPort> offered;
    QList<int> given;
    // COM1 to COM4 are the menu's own, whatever device they open.
    auto isFree = [&given](int number) {
        return number >= kFirstListedPort && !given.contains(number);
    };
    for (const PortInfo &port : present) {
        if (port.device.isEmpty() || namedByMenuItems(port))
            continue;
        int number = 0;
        if (m_naming == Naming::Windows) {
            number = numberIn(port.device, Qt::CaseInsensitive);
        } else {
            for (int n = kFirstListedPort; n <= kLastComPort && !number; ++n) {
                if (leadsTo(comPortVariable(n), port))
                    number = n;
            }
            for (auto it = known.cbegin(); it != known.cend() && !number; ++it) {
                // A variable for that number would open another device.
                if (leadsTo(it.value(), port) && comPortVariable(it.key()).isEmpty())
                    number = it.key();
            }
            if (!isFree(number)) {
                number = 0;
                for (int n = kFirstListedPort; n <= kLastComPort && !number; ++n) {
                    if (!taken.contains(n) && isFree(n))
                        number = n;
                }
            }
        }
        // Every number is given (or the system's own is out of range): such
        // a port cannot be offered.
        if (!isFree(number))
            continue;
        given.append(number);
        offered.append({static_cast<qint16>(number), port, captionOf(number, port, m_naming)});
    }
    std::sort(offered.begin(), offered.end(),
              [](const OfferedPort &a, const OfferedPort &b) { return a.number < b.number; });
    return offered;
}

QList<OfferedPort> PortNumbering::numbered(const QList<PortInfo> &present) const
{
    QList<OfferedPort> ports;
    for (const PortInfo &port : present) {
        for (int number = 1; number <= kMenuItems; ++number) {
            if (!port.device.isEmpty() && leadsTo(deviceOf(number), port)) {
                ports.append(
                    {static_cast<qint16>(number), port, captionOf(number, port, m_naming)});
                break;
            }
        }
    }
    ports.append(offer(present));
    std::stable_sort(ports.begin(), ports.end(), [](const OfferedPort &a, const OfferedPort &b) {
        return a.number < b.number;
    });
    return ports;
}

void PortNumbering::choose(const OfferedPort &port)
{
    const int number = port.number;
    if (m_naming == Naming::Windows || number < kFirstListedPort || number > kLastComPort)
        return;
    // The variable names the device already, and would win over anything
    // remembered.
    if (!comPortVariable(number).isEmpty())
        return;
    const QString name = rememberedName(port.port);
    const QMap<int, QString> known = remembered();
    // An adapter has one number: the one it had before gave way to a variable.
    for (auto it = known.cbegin(); it != known.cend(); ++it) {
        if (it.key() != number && it.value() == name)
            m_store.remove(keyOf(it.key()));
    }
    if (known.value(number) != name)
        m_store.setValue(keyOf(number), name);
}

QString PortNumbering::rememberedDevice(int number) const
{
    if (m_naming == Naming::Windows || number < kFirstListedPort || number > kLastComPort)
        return {};
    return m_store.value(keyOf(number));
}

bool PortNumbering::opens(const OfferedPort &port) const
{
    const int number = port.number;
    return number >= kFirstComPort && number <= kLastComPort &&
           leadsTo(deviceOf(number), port.port);
}

} // namespace zol
