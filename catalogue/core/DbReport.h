// SPDX-License-Identifier: MIT
#pragma once

#include "DbError.h"

#include <QString>
#include <QStringList>

#include <exception>
#include <new>

// The failure report of the data layer: "Error in " + name, then the error's description,
// number and source and the operation's own lines. Appended to the log and shown.
namespace DbReport {

inline const QString kIndent = QStringLiteral("     ");

// The report's text. `items` follow the source as given (indent them where the report wants).
QString compose(const QString &operation, const DbError &error, const QStringList &items);

// Appends the report to the log with a stamp and shows it (exclamation, OK, "Orvana").
// A log that cannot be written never stops the report from being shown.
void show(const QString &report);

// Runs `body`; any run-time error in it becomes the operation's report, with the lines that
// `items` builds from the state the body reached. True when the body ran to its end.
template <typename Body, typename Items> bool guarded(const QString &operation, Body body, Items items)
{
    DbError error;
    try {
        body();
        return true;
    } catch (const DbError &e) {
        error = e;
    } catch (const std::bad_alloc &) {
        error = DbError{QStringLiteral("Out of memory"), 7, QStringLiteral("Orvana")};
    } catch (const std::exception &e) {
        error = DbError{QString::fromLocal8Bit(e.what()), 0, QStringLiteral("Orvana")};
    }
    show(compose(operation, error, items()));
    return false;
}

} // namespace DbReport
