#pragma once

#include <QString>

namespace zol {

// A serial port present on this computer, as the system lists it.
struct PortInfo
{
    // What opens it: /dev/ttyUSB0 on Linux, COM7 on Windows.
    QString device;
    // The system's description, for example "FT232R USB UART"; may be empty.
    QString description;
    // A name that stays with the adapter across replugs
    // (/dev/serial/by-id/...); empty where the system has none.
    QString stableName;
};

} // namespace zol
