#include "PresenceBeacon.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

QString PresenceBeacon::lockPath(const QString &title)
{
    QString dir = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
    dir = dir.isEmpty() ? QStringLiteral("/tmp/vantelo-%1").arg(getuid()) : dir + QStringLiteral("/vantelo");
    QString name = title;
    name.replace(u'/', u'_');
    return dir + u'/' + name + QStringLiteral(".lock");
}

PresenceBeacon::PresenceBeacon(const QString &title)
{
    const QString path = lockPath(title);
    QDir().mkpath(path.section(u'/', 0, -2));
    // O_CLOEXEC: children the program starts must not keep the beacon alive.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    m_fd = fd;
}

PresenceBeacon::~PresenceBeacon()
{
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock
}

bool IsWindowOpen(const QString &title)
{
    const int fd =
        ::open(QFile::encodeName(PresenceBeacon::lockPath(title)).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false; // never announced
    bool held = false;
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0)
        held = errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}
