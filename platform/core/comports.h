#pragma once

#include <QString>

namespace zol {

constexpr int kFirstComPort = 1;
constexpr int kLastComPort = 255;

// COM port n opens the device named by ZOL_COM<n> when that is set (a
// pseudo-terminal of the simulated meter, a scripted set-up), then the device
// remembered for n (an adapter the user chose from the menu), otherwise
// COM<n> on Windows and /dev/ttyS<n-1> elsewhere. Numbers outside 1..255 have
// no device.
QString comPortDeviceName(int port, const QString &remembered = {});

// What ZOL_COM<n> holds; empty when it is unset or n is outside 1..255.
QString comPortVariable(int port);

// The link in folder (empty: the system's /dev/serial/by-id) that leads to
// device, or nothing. That name stays with the adapter when it is plugged in
// again, or after a second adapter took its ttyUSB number.
QString stableDeviceName(const QString &device, const QString &folder = {});

} // namespace zol
