#include "serialport.h"

namespace zol {

bool openMeterLine(SerialPort &port, int number, int baud, QString *reason)
{
    port.setCommPort(number);
    port.setHandshaking(SerialPort::Handshaking::None);
    port.setRThreshold(1);
    port.setLineSettings(LineSettings{.baud = baud});
    port.setDtrEnable(true);
    port.setRtsEnable(false);
    return port.open(reason);
}

} // namespace zol
