#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace zol {

// A serial port present on this computer, as the system names it
// ("/dev/ttyUSB0", "COM3") and describes it ("FT232R USB UART").
struct PortInfo
{
    QString device;
    QString description;
    // A name that stays with the adapter across replugs
    // (/dev/serial/by-id/...); empty where the system has none, and so
    // initialised here that a port may be given by device and description.
    QString stableName = {};

    friend bool operator==(const PortInfo &, const PortInfo &) = default;
};

// One line for a message: the heading, then every port as "device
// (description)" separated by commas, or the word for none when there is
// no port at all. The heading carries its own colon, since French puts a
// space before it.
QString portListLine(const QString &heading, const QList<PortInfo> &ports, const QString &none);

} // namespace zol
