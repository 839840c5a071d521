#pragma once

#include "portlister.h"

namespace zol::test {

// Whatever ports the test says are there.
class FakePortLister final : public PortLister
{
public:
    QList<PortInfo> ports() const override { return list; }

    QList<PortInfo> list;
};

} // namespace zol::test
