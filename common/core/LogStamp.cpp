// SPDX-License-Identifier: MIT
#include "LogStamp.h"

#include <QDateTime>
#include <QLocale>

namespace LogStamp {

QString longTime(const QTime &time)
{
    const QLocale loc = QLocale::system();
    QString format = loc.timeFormat(QLocale::LongFormat);
    format.remove(u't');
    return loc.toString(time, format.trimmed());
}

QString stamp()
{
    const QDateTime now = QDateTime::currentDateTime();
    // The long time format carries the seconds.
    return QLocale::system().toString(now.date(), QLocale::ShortFormat) + QStringLiteral(" - ") +
           longTime(now.time());
}

} // namespace LogStamp
