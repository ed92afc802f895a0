// SPDX-License-Identifier: MIT
#pragma once

#include "RegistryHive.h"

#include <QString>

// Tells the user, through ui(), about each hive that could not be read or written and
// has not been reported in this run yet.
namespace HiveReport {

struct Instead {
    QString reading; // what the program does when a hive cannot be read
    QString writing; // ... and when one cannot be written
};

QString faultText(const HiveFault &fault, const Instead &instead);
// One message box per fault not reported yet; false when there was none.
bool showFaults(const QString &title, const Instead &instead);

} // namespace HiveReport
