// SPDX-License-Identifier: MIT
#include "UpdateBackup.h"

#include "modFileCopy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kManifest = QStringLiteral("manifest.txt");
const QString kHeader = QStringLiteral("Vantelo update backup 1");

QString errnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

QString storeOf(const QString &programFolder)
{
    return programFolder + u'/' + UpdateBackup::storeName();
}

// Makes `to` a symbolic link with the same target as the link `from`.
Result<> copyLink(const QByteArray &from, const QByteArray &to)
{
    QByteArray target(PATH_MAX, '\0');
    const ssize_t n = ::readlink(from.constData(), target.data(), size_t(target.size()));
    if (n < 0 || n >= target.size())
        return fail(
            QStringLiteral("%1: %2").arg(QFile::decodeName(from), errnoText(n < 0 ? errno : ENAMETOOLONG)));
    target.truncate(n);
    ::unlink(to.constData());
    if (::symlink(target.constData(), to.constData()) != 0)
        return fail(QStringLiteral("%1: %2").arg(QFile::decodeName(to), errnoText(errno)));
    return {};
}

bool isLink(const QByteArray &path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Moves `from` to `to`, copying when they lie on different file systems; a symbolic
// link moves as the link, never as what it points to.
Result<> moveFile(const QString &from, const QString &to)
{
    const QByteArray f = QFile::encodeName(from);
    const QByteArray t = QFile::encodeName(to);
    if (::rename(f.constData(), t.constData()) == 0)
        return {};
    if (errno == EXDEV && isLink(f)) {
        if (auto copied = copyLink(f, t); !copied)
            return copied;
        ::unlink(f.constData());
        return {};
    }
    if (errno == EXDEV) {
        const auto copied = modFileCopy::CopyFileReplace(from, to);
        if (copied && ::unlink(f.constData()) == 0)
            return {};
        return fail(copied ? errnoText(errno) : copied.error().message);
    }
    return fail(QStringLiteral("%1: %2").arg(to, errnoText(errno)));
}

} // namespace

UpdateBackup::UpdateBackup(const QString &programFolder) : m_root(programFolder)
{
    while (m_root.size() > 1 && m_root.endsWith(u'/'))
        m_root.chop(1);
}

QString UpdateBackup::relative(const QString &path) const
{
    if (path.startsWith(m_root + u'/'))
        return path.mid(m_root.size() + 1);
    return path; // outside the folder: kept absolute
}

Result<> UpdateBackup::ensureFolder()
{
    if (!m_folder.isEmpty())
        return {};
    const QString store = storeOf(m_root);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QDir().mkpath(store);
    for (int n = 1; n < 100; ++n) {
        const QString candidate = store + u'/' + stamp + (n > 1 ? QStringLiteral("-%1").arg(n) : QString());
        if (::mkdir(QFile::encodeName(candidate).constData(), 0700) == 0) {
            m_folder = candidate;
            return {};
        }
        if (errno != EEXIST)
            break;
    }
    return fail(QStringLiteral("The backup folder in %1 cannot be made: %2").arg(store, errnoText(errno)));
}

QString UpdateBackup::nextSlot()
{
    return QString::number(++m_slots);
}

Result<> UpdateBackup::keep(const QString &path)
{
    if (m_known.contains(path))
        return {};
    struct stat st {};
    const QByteArray p = QFile::encodeName(path);
    if (::lstat(p.constData(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
        return {}; // nothing there to keep
    if (auto made = ensureFolder(); !made)
        return made;
    const QString slot = nextSlot();
    const QString kept = m_folder + u'/' + slot;
    if (S_ISLNK(st.st_mode)) {
        // A link is kept as the link: what it points to is not this update's to keep.
        if (auto copied = copyLink(p, QFile::encodeName(kept)); !copied)
            return fail(QStringLiteral("%1 cannot be kept: %2").arg(path, copied.error().message));
    } else if (::link(p.constData(), QFile::encodeName(kept).constData()) != 0) {
        if (const auto copied = modFileCopy::CopyFileReplace(path, kept); !copied)
            return fail(QStringLiteral("%1 cannot be kept: %2").arg(path, copied.error().message));
    }
    m_known.insert(path);
    m_records << QStringLiteral("replaced\t") + slot + u'\t' + relative(path);
    return {};
}

Result<> UpdateBackup::adopt(const QString &path, const QString &oldFile)
{
    if (m_known.contains(path)) {
        QFile::remove(oldFile); // this update made it: nothing to put back
        return {};
    }
    if (auto made = ensureFolder(); !made)
        return made;
    const QString slot = nextSlot();
    if (auto moved = moveFile(oldFile, m_folder + u'/' + slot); !moved)
        return moved;
    m_known.insert(path);
    m_records << QStringLiteral("replaced\t") + slot + u'\t' + relative(path);
    return {};
}

void UpdateBackup::added(const QString &path)
{
    if (m_known.contains(path))
        return;
    m_known.insert(path);
    m_records << QStringLiteral("added\t") + relative(path);
}

void UpdateBackup::addedFolder(const QString &path)
{
    if (m_known.contains(path))
        return;
    m_known.insert(path);
    m_records << QStringLiteral("folder\t") + relative(path);
}

Result<> UpdateBackup::save()
{
    if (m_records.isEmpty())
        return {};
    if (auto made = ensureFolder(); !made)
        return made;
    QSaveFile f(m_folder + u'/' + kManifest);
    if (!f.open(QIODevice::WriteOnly))
        return fail(f.errorString());
    f.write((kHeader + u'\n' + m_records.join(u'\n') + u'\n').toUtf8());
    if (!f.commit())
        return fail(f.errorString());
    const QStringList all = backups(m_root);
    for (qsizetype i = 0; i + kKept < all.size(); ++i)
        QDir(storeOf(m_root) + u'/' + all.at(i)).removeRecursively();
    return {};
}

void UpdateBackup::discard()
{
    if (!m_folder.isEmpty())
        QDir(m_folder).removeRecursively();
    QDir().rmdir(storeOf(m_root)); // only when no other backup is left
    m_folder.clear();
    m_records.clear();
    m_known.clear();
    m_slots = 0;
}

QStringList UpdateBackup::backups(const QString &programFolder)
{
    QStringList names;
    const QDir store(storeOf(programFolder));
    for (const QString &name : store.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        if (QFileInfo::exists(store.filePath(name) + u'/' + kManifest))
            names << name;
    return names;
}

Result<> UpdateBackup::rollback(const QString &programFolder, const std::function<void(const QString &)> &log)
{
    const auto refuse = [&log](const QString &why) {
        log(QStringLiteral("Rollback Error: ") + why);
        return fail(why);
    };
    QString root = programFolder;
    while (root.size() > 1 && root.endsWith(u'/'))
        root.chop(1);
    const QStringList all = backups(root);
    if (all.isEmpty())
        return refuse(QStringLiteral("No update to roll back in %1").arg(root));
    const QString folder = storeOf(root) + u'/' + all.last();
    QFile f(folder + u'/' + kManifest);
    if (!f.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("%1: %2").arg(f.fileName(), f.errorString()));
    QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    f.close();
    if (lines.isEmpty() || lines.takeFirst() != kHeader)
        return refuse(QStringLiteral("%1 is not a backup manifest").arg(f.fileName()));

    log(QStringLiteral("Rollback: ") + folder);
    auto absolute = [&](const QString &p) { return p.startsWith(u'/') ? p : root + u'/' + p; };
    QStringList problems;
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QStringList fields = it->split(u'\t');
        const QString kind = fields.value(0);
        if (kind == QStringLiteral("added") && fields.size() == 2) {
            const QString path = absolute(fields.at(1));
            if (::unlink(QFile::encodeName(path).constData()) == 0)
                log(QStringLiteral("Rollback: removed ") + path);
            else if (errno != ENOENT)
                problems << QStringLiteral("%1: %2").arg(path, errnoText(errno));
        } else if (kind == QStringLiteral("folder") && fields.size() == 2) {
            const QString path = absolute(fields.at(1));
            if (QDir().rmdir(path))
                log(QStringLiteral("Rollback: removed folder ") + path);
        } else if (kind == QStringLiteral("replaced") && fields.size() == 3) {
            const QString path = absolute(fields.at(2));
            QDir().mkpath(path.section(u'/', 0, -2));
            if (const auto moved = moveFile(folder + u'/' + fields.at(1), path))
                log(QStringLiteral("Rollback: restored ") + path);
            else
                problems << moved.error().message;
        } else {
            problems << QStringLiteral("Unreadable manifest line: ") + *it;
        }
    }
    if (!problems.isEmpty())
        return refuse(problems.join(QStringLiteral("; ")));
    QDir(folder).removeRecursively();
    QDir().rmdir(storeOf(root));
    log(QStringLiteral("Rollback complete: ") + root);
    return {};
}
