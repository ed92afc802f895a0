// SPDX-License-Identifier: MIT
#include "PresenceBeacon.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

QString PresenceBeacon::lockFolder(const Places &places, bool create)
{
    if (!places.runtimeDir.isEmpty())
        return places.runtimeDir + QStringLiteral("/vantelo");
    bool ok = false;
    const unsigned sudoUid = places.sudoUid.toUInt(&ok);
    const unsigned uid = ok ? sudoUid : places.uid;
    const QString runUser = places.runUser + u'/' + QString::number(uid);
    struct stat st {};
    if (::stat(QFile::encodeName(runUser).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid)
        return runUser + QStringLiteral("/vantelo");

    // In a folder anyone may write to: ours alone, or not at all.
    QString folder = places.tmp + QStringLiteral("/vantelo-") + QString::number(uid);
    const QByteArray f = QFile::encodeName(folder);
    if (::lstat(f.constData(), &st) != 0) {
        if (!create || ::mkdir(f.constData(), 0700) != 0 || ::lstat(f.constData(), &st) != 0)
            return create ? QString() : folder; // not there yet: nobody announced anything
        if (st.st_uid != uid && ::chown(f.constData(), uid_t(uid), gid_t(-1)) == 0)
            st.st_uid = uid; // made by root for the user sudo was called by
    }
    const bool ours = st.st_uid == uid || st.st_uid == places.uid;
    if (!S_ISDIR(st.st_mode) || !ours || (st.st_mode & 0077) != 0)
        return {};
    return folder;
}

namespace {

QString lockFolderHere(bool create)
{
    PresenceBeacon::Places places;
    // Read as set, not through QStandardPaths: when unset, Qt would make a folder of its
    // own, which a peer started under sudo (looking in /run/user/<SUDO_UID>) never sees.
    places.runtimeDir = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
    places.sudoUid = QString::fromLatin1(qgetenv("SUDO_UID"));
    places.uid = ::getuid();
    return PresenceBeacon::lockFolder(places, create);
}

QString lockFileIn(const QString &folder, const QString &title)
{
    if (folder.isEmpty())
        return {};
    QString name = title;
    name.replace(u'/', u'_');
    return folder + u'/' + name + QStringLiteral(".lock");
}

} // namespace

QString PresenceBeacon::lockPath(const QString &title)
{
    return lockFileIn(lockFolderHere(false), title);
}

PresenceBeacon::PresenceBeacon(const QString &title)
{
    const QString folder = lockFolderHere(true);
    if (folder.isEmpty())
        return; // no safe place to announce ourselves
    QDir().mkpath(folder);
    const QString path = lockFileIn(folder, title);
    // O_CLOEXEC: children the program starts must not keep the beacon alive.
    UniqueFd fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (fd && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0)
        m_fd = std::move(fd); // held until the beacon goes: closing releases the lock
}

PresenceBeacon::~PresenceBeacon() = default;

bool IsWindowOpen(const QString &title)
{
    if (PresenceBeacon::lockPath(title).isEmpty())
        return false;
    const UniqueFd fd(
        ::open(QFile::encodeName(PresenceBeacon::lockPath(title)).constData(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return false; // never announced
    return ::flock(fd.get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}
