#pragma once

#include "portenumerator.h"

#include <memory>

// A port list the test edits while the program runs: ports "appear" and
// "vanish" by changing `ports`.
struct FakePorts
{
    std::shared_ptr<QList<PortEntry>> ports = std::make_shared<QList<PortEntry>>();

    PortListSource source() const
    {
        auto list = ports;
        return [list] { return *list; };
    }
};
