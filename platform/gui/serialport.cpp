#include "serialport.h"

namespace zol {

bool openMeterLine(SerialPort &port, int number, int baud, QString *reason)
{
    port.setCommPort(number);
    port.setBaudRate(baud);
    port.setDtrEnable(true);
    port.setRtsEnable(false);
    return port.open(reason);
}

} // namespace zol
