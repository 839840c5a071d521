#include "serialport.h"

namespace zol {

bool openMeterLine(SerialPort &port, int number, int baud, QString *reason, QString *device)
{
    port.setCommPort(number);
    port.setBaudRate(baud);
    port.setDtrEnable(true);
    port.setRtsEnable(false);
    if (port.open(reason))
        return true;
    if (device)
        *device = port.deviceName();
    return false;
}

} // namespace zol
