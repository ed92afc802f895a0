// SPDX-License-Identifier: MIT
#include "DbReport.h"

#include "common/core/UiServices.h"
#include "modGlobal.h"

#include <QCoreApplication>

#include <exception>

namespace DbReport {

QString compose(const QString &operation, const DbError &error, const QStringList &items)
{
    QStringList lines{QStringLiteral("Error in ") + operation, kIndent + error.description,
                      kIndent + QString::number(error.number), kIndent + error.source};
    lines += items;
    return lines.join(QStringLiteral("\r\n"));
}

void show(const QString &report)
{
    QString logProblem;
    try {
        if (const auto written = modGlobal::WriteLog(report, true); !written)
            logProblem = written.error().message;
    } catch (const std::exception &e) {
        logProblem = QCoreApplication::translate("DbReport", "The log file cannot be written: %1")
                         .arg(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        logProblem = QCoreApplication::translate("DbReport", "The log file cannot be written.");
    }
    QString text = report;
    if (!logProblem.isEmpty())
        text += QStringLiteral("\r\n\r\n") + logProblem;
    MsgBox(text, MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("Orvana"));
}

} // namespace DbReport
