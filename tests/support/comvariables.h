#pragma once

#include "comports.h"

#include <QByteArray>
#include <QTest>
#include <QtGlobal>

// Adapters are told apart by their /dev/serial/by-id links, which Windows
// does not have: there every port keeps the COM number the system gave it.
#ifdef Q_OS_WIN
#define ZOL_SKIP_WITHOUT_BY_ID_LINKS()                                                             \
    QSKIP("an adapter is known by its /dev/serial/by-id link on Linux only; Windows keeps COM "    \
          "numbers")
#else
#define ZOL_SKIP_WITHOUT_BY_ID_LINKS() static_cast<void>(0)
#endif

namespace zol::test {

// A ZOL_COMn variable names the device of port n and wins over every other
// way of finding it: one left in the shell that runs the tests would decide
// what a test sees.
inline void clearComVariables()
{
    for (int number = 0; number <= kLastComPort + 1; ++number)
        qunsetenv(("ZOL_COM" + QByteArray::number(number)).constData());
}

} // namespace zol::test
