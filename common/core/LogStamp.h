// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QTime>

// The stamp both programs' logs put before an entry.
namespace LogStamp {

// date + " - " + time in the system's short date and time (with seconds) formats.
QString stamp();
// The time in the system's long format (with seconds) without its time-zone name.
QString longTime(const QTime &time);

} // namespace LogStamp
