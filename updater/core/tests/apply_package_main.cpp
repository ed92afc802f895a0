// SPDX-License-Identifier: MIT
// Applies one package to a folder as an update does, without a window, for the test that
// kills it part-way: apply-package FOLDER PACKAGE-NAME LOG-FOLDER. Prints the number of
// steps it passed ("steps N"); VANTELO_TEST_KILL_AT_STEP=N makes it kill itself at one.

#include "common/core/Platform.h"
#include "common/core/Timings.h"
#include "updater/core/PackageProcessor.h"
#include "updater/core/UpdateJournal.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    Platform::setProgramFolder(QString::fromLocal8Bit(argv[3]));
    timings().scale(0.0);
    const bool ok =
        PackageProcessor::processPackage(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    std::printf("steps %d\n", UpdateJournal::steps());
    return ok ? 0 : 1;
}
