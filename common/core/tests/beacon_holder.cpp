// SPDX-License-Identifier: MIT
// Test helper: holds the beacon named on the command line until killed.
#include "common/core/PresenceBeacon.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    PresenceBeacon beacon(app.arguments().value(1));
    std::puts(beacon.held() ? "held" : "failed");
    std::fflush(stdout);
    for (;;)
        pause();
}
