#pragma once

#include "portinfo.h"

#include <QString>

#include <optional>

namespace zol {

// The COM port number as typed into the window: a whole number from 1 to 255,
// alone or after "COM" as the port list names it ("3", "COM3", "com3"),
// surrounding spaces allowed. Anything else has no port.
std::optional<qint16> comPortNumber(const QString &typed);

// The line that tells the user what was typed is no port, and what is.
QString notAPortText(const QString &typed);

// COM n and the device it opens, as a line tells which port was tried:
// "COM5 = /dev/ttyS4". Where the device is called by the number itself
// (Windows' COM5), once: "COM5".
QString comPortAndDevice(int number, const QString &device);

// A present port under its number, as the tool lists it:
// "COM5 = /dev/ttyUSB0 (FT232R USB UART)".
QString numberedPortText(int number, const PortInfo &port);

} // namespace zol
