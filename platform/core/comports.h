#pragma once

#include <QString>

namespace zol {

constexpr int kFirstComPort = 1;
constexpr int kLastComPort = 255;

// COM port n opens the device named by ZOL_COM<n> when that is set (a
// pseudo-terminal of the simulated meter, a USB adapter), otherwise COM<n> on
// Windows and /dev/ttyS<n-1> elsewhere. Numbers outside 1..255 have no device.
QString comPortDeviceName(int port);

} // namespace zol
