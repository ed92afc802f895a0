// SPDX-License-Identifier: MIT
#include "LastPackage.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <QTimeZone>

namespace LastPackage {

QString filePath(const QString &folder)
{
    return folder + QStringLiteral("/.vantelo-last-package");
}

namespace {

QStringList lines(const QString &folder)
{
    QFile f(filePath(folder));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.read(64 * 1024)).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

std::optional<PackageFacts> read(const QString &folder, const QString &packageFile)
{
    for (const QString &line : lines(folder)) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() != 3 || fields.at(0).compare(packageFile, Qt::CaseInsensitive) != 0)
            continue;
        bool sizeOk = false;
        bool timeOk = false;
        PackageFacts facts{fields.at(1).toLongLong(&sizeOk), fields.at(2).toLongLong(&timeOk)};
        if (!sizeOk)
            facts.size = -1;
        if (!timeOk)
            facts.time = -1;
        return facts;
    }
    return std::nullopt;
}

Result<> record(const QString &folder, const QString &packageFile, const PackageFacts &facts)
{
    QStringList kept;
    for (const QString &line : lines(folder))
        if (line.section(u'\t', 0, 0).compare(packageFile, Qt::CaseInsensitive) != 0)
            kept << line;
    kept << QStringLiteral("%1\t%2\t%3").arg(packageFile).arg(facts.size).arg(facts.time);
    // Whole or not at all: a half-written record would read as another package.
    QSaveFile f(filePath(folder));
    if (!f.open(QIODevice::WriteOnly) || f.write((kept.join(u'\n') + u'\n').toUtf8()) < 0 || !f.commit())
        return fail(QStringLiteral("%1 could not be written: %2").arg(filePath(folder), f.errorString()));
    return {};
}

qint64 parseMdtmReply(const QString &reply)
{
    const QString text = reply.trimmed();
    if (!text.startsWith(QStringLiteral("213 ")))
        return -1;
    const QString stamp = text.mid(4).trimmed().left(14);
    const QDateTime t = QDateTime::fromString(stamp, QStringLiteral("yyyyMMddHHmmss"));
    if (stamp.size() != 14 || !t.isValid())
        return -1;
    return QDateTime(t.date(), t.time(), QTimeZone::utc()).toSecsSinceEpoch();
}

} // namespace LastPackage
