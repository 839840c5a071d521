#pragma once

#include "portinfo.h"

#include <QList>

namespace zol {

// The serial ports present on this computer, asked afresh at every call:
// adapters come and go while the program runs. The windows ask for them when
// a port cannot be opened, so that the user learns which port to choose, and
// ZOLprint's port menu lists them; tests give a list of their own.
class PortLister
{
public:
    virtual ~PortLister() = default;
    virtual QList<PortInfo> ports() const = 0;
};

// The system's own list, through QSerialPortInfo, in the order a person
// counts them (ttyS2 before ttyS10).
class SystemPortLister final : public PortLister
{
public:
    QList<PortInfo> ports() const override;
};

} // namespace zol
