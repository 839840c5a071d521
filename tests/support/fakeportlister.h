#pragma once

#include "portlister.h"

namespace zol::test {

// The ports a test plugs in; change present between two listings to play a
// replug.
class FakePortLister final : public PortLister
{
public:
    QList<PortInfo> ports() const override
    {
        ++listings;
        return present;
    }

    QList<PortInfo> present;
    mutable int listings = 0;
};

} // namespace zol::test
