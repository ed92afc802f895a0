// SPDX-License-Identifier: MIT
// modService: the updater's log.
#include "modServiceLog.h"

#include "common/core/AppInfo.h"
#include "common/core/LogStamp.h"
#include "common/core/Platform.h"
#include "common/core/PosixHandles.h"
#include "common/core/UiServices.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace modService {

QString logFilePath()
{
    return Platform::defaultLogFolder() + u'/' + AppInfo::updaterTitle() + QStringLiteral(".txt");
}

namespace {

// The stamp reads the locale's formats each time; within one second it cannot change.
QString stampNow()
{
    static qint64 cachedSecond = -1;
    static QString cached;
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    if (before == cachedSecond)
        return cached;
    QString stamp = LogStamp::stamp();
    if (QDateTime::currentSecsSinceEpoch() == before) {
        cachedSecond = before;
        cached = stamp;
    }
    return stamp;
}

} // namespace

Result<> LogEvent(const QString &text)
{
    QString entry = stampNow() + QStringLiteral(" - ") + text;
    entry.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    entry.replace(u'\n', QStringLiteral("\r\n"));
    entry += QStringLiteral("\r\n");
    const QByteArray bytes = entry.toUtf8();
    const QString path = logFilePath();
    // Opened and closed for every entry, so each line is on disk once it is logged.
    UniqueFd fd(::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    bool ok = bool(fd);
    int err = ok ? 0 : errno;
    for (qsizetype done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd.get(), bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            err = n < 0 ? errno : EIO;
        } else {
            done += n;
        }
    }
    if (fd.close() != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok)
        return fail(QCoreApplication::translate("modService", "The log file %1 cannot be written: %2")
                        .arg(path, QString::fromLocal8Bit(std::strerror(err))));
    return {};
}

void ResetLog()
{
    QFile::remove(logFilePath());
}

void EventLog::write(const QString &text)
{
    const auto logged = LogEvent(text);
    if (logged || m_failureReported)
        return;
    m_failureReported = true;
    MsgBox(logged.error().message, MsgIcon::Exclamation, MsgButtons::Ok, AppInfo::updaterTitle());
}

} // namespace modService
