// SPDX-License-Identifier: MIT
#include "Timings.h"

#include <algorithm>

void Timings::scale(double factor)
{
    auto s = [factor](int &ms) { ms = std::max(1, int(ms * factor)); };
    s(watchdogTickMs);
    s(pauseShortMs);
    s(pauseMs);
    s(pauseLongMs);
    s(registrarWaitMs);
}

Timings &timings()
{
    static Timings t;
    return t;
}
