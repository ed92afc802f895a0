// SPDX-License-Identifier: MIT
#include "HiveReport.h"

#include "UiServices.h"

#include <QCoreApplication>

namespace HiveReport {

QString faultText(const HiveFault &fault, const Instead &instead)
{
    const QString what =
        fault.writing
            ? QCoreApplication::translate("HiveReport", "The settings file %1 cannot be written: %2.")
            : QCoreApplication::translate("HiveReport", "The settings file %1 cannot be read: %2.");
    const QString text = what.arg(fault.file, fault.reason);
    const QString then = fault.writing ? instead.writing : instead.reading;
    return then.isEmpty() ? text : text + QStringLiteral("\n\n") + then;
}

bool showFaults(const QString &title, const Instead &instead)
{
    const QList<HiveFault> faults = HiveFaults::takeUnreported();
    for (const HiveFault &fault : faults) {
        MsgBox(faultText(fault, instead), MsgIcon::Exclamation, MsgButtons::Ok, title);
    }
    return !faults.isEmpty();
}

} // namespace HiveReport
