// SPDX-License-Identifier: MIT
#include "UpdateJournal.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString errnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

int g_steps = 0;

} // namespace

void UpdateJournal::step()
{
    static const int killAt = [] {
        const char *v = std::getenv("VANTELO_TEST_KILL_AT_STEP");
        return v ? std::atoi(v) : 0;
    }();
    if (++g_steps == killAt)
        std::raise(SIGKILL);
}

int UpdateJournal::steps()
{
    return g_steps;
}

Result<> UpdateJournal::syncFolder(const QString &folder)
{
    UniqueFd fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd || ::fsync(fd.get()) != 0)
        return fail(QStringLiteral("%1: %2").arg(folder, errnoText(errno)));
    return {};
}

Result<> UpdateJournal::syncFileSystem(const QString &folder)
{
    UniqueFd fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd || ::syncfs(fd.get()) != 0)
        return fail(QStringLiteral("%1: %2").arg(folder, errnoText(errno)));
    return {};
}

Result<UpdateJournal> UpdateJournal::create(const QString &programFolder)
{
    UpdateJournal j;
    j.m_folder = programFolder;
    j.m_path = programFolder + u'/' + fileName();
    const QByteArray path = QFile::encodeName(j.m_path);
    j.m_fd = UniqueFd(::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!j.m_fd)
        return fail(QStringLiteral("%1: %2").arg(j.m_path, errnoText(errno)));
    if (::flock(j.m_fd.get(), LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::unlink(path.constData());
        return fail(QStringLiteral("%1: %2").arg(j.m_path, errnoText(err)));
    }
    j.add(header());
    if (auto synced = j.sync(); !synced)
        return tl::unexpected(synced.error());
    // Its name must outlast a power cut as surely as its content.
    if (auto synced = syncFolder(programFolder); !synced)
        return tl::unexpected(synced.error());
    return j;
}

Result<UpdateJournal> UpdateJournal::openInterrupted(const QString &programFolder, bool *inUse)
{
    *inUse = false;
    UpdateJournal j;
    j.m_folder = programFolder;
    j.m_path = programFolder + u'/' + fileName();
    j.m_fd = UniqueFd(::open(QFile::encodeName(j.m_path).constData(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (!j.m_fd) {
        if (errno == ENOENT)
            return UpdateJournal();
        return fail(QStringLiteral("%1: %2").arg(j.m_path, errnoText(errno)));
    }
    if (::flock(j.m_fd.get(), LOCK_EX | LOCK_NB) != 0) {
        *inUse = errno == EWOULDBLOCK;
        if (*inUse)
            return UpdateJournal();
        return fail(QStringLiteral("%1: %2").arg(j.m_path, errnoText(errno)));
    }
    return j;
}

void UpdateJournal::add(const QByteArray &record)
{
    m_pending += record;
    m_pending += '\n';
}

Result<> UpdateJournal::sync()
{
    step();
    if (!m_fd)
        return fail(QStringLiteral("The update journal is not open."));
    const char *p = m_pending.constData();
    qsizetype left = m_pending.size();
    while (left > 0) {
        const ssize_t w = ::write(m_fd.get(), p, size_t(left));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return fail(QStringLiteral("%1: %2").arg(m_path, errnoText(w < 0 ? errno : ENOSPC)));
        p += w;
        left -= w;
    }
    m_pending.clear();
    if (::fdatasync(m_fd.get()) != 0)
        return fail(QStringLiteral("%1: %2").arg(m_path, errnoText(errno)));
    return {};
}

QByteArray UpdateJournal::readAll() const
{
    QByteArray all;
    if (!m_fd)
        return all;
    char buffer[65536];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(m_fd.get(), buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        all.append(buffer, n);
        at += n;
    }
    return all;
}

Result<> UpdateJournal::remove()
{
    step();
    if (m_path.isEmpty())
        return {};
    if (::unlink(QFile::encodeName(m_path).constData()) != 0 && errno != ENOENT)
        return fail(QStringLiteral("%1: %2").arg(m_path, errnoText(errno)));
    m_fd.reset(); // the lock goes with the name
    auto synced = syncFolder(m_folder);
    m_path.clear();
    return synced;
}
