#pragma once

#include "portinfo.h"

#include <QList>

namespace zol {

// The serial ports present on this computer, asked afresh at every call:
// adapters come and go while the program runs.
class PortLister
{
public:
    virtual ~PortLister() = default;
    virtual QList<PortInfo> ports() const = 0;
};

// The system's list, over QSerialPortInfo.
class SystemPortLister final : public PortLister
{
public:
    QList<PortInfo> ports() const override;
};

} // namespace zol
