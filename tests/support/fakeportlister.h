#pragma once

#include "portlister.h"

namespace zol::test {

// Whatever ports the test says are there; change list between two listings
// to play a replug.
class FakePortLister final : public PortLister
{
public:
    QList<PortInfo> ports() const override
    {
        ++listings;
        return list;
    }

    QList<PortInfo> list;
    mutable int listings = 0;
};

} // namespace zol::test
