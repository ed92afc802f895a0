// SPDX-License-Identifier: MIT
#include "UpdateBackup.h"

#include "modFileCopy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
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

// Moves `from` to `to`, copying when they lie on different file systems.
bool moveFile(const QString &from, const QString &to, QString *error)
{
    const QByteArray f = QFile::encodeName(from);
    const QByteArray t = QFile::encodeName(to);
    if (::rename(f.constData(), t.constData()) == 0)
        return true;
    if (errno == EXDEV) {
        modFileCopy::FileError e;
        if (modFileCopy::CopyFileReplace(from, to, &e) && ::unlink(f.constData()) == 0)
            return true;
        if (error)
            *error = e.description.isEmpty() ? errnoText(errno) : e.description;
        return false;
    }
    if (error)
        *error = QStringLiteral("%1: %2").arg(to, errnoText(errno));
    return false;
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

bool UpdateBackup::ensureFolder(QString *error)
{
    if (!m_folder.isEmpty())
        return true;
    const QString store = storeOf(m_root);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QDir().mkpath(store);
    for (int n = 1; n < 100; ++n) {
        const QString candidate = store + u'/' + stamp + (n > 1 ? QStringLiteral("-%1").arg(n) : QString());
        if (::mkdir(QFile::encodeName(candidate).constData(), 0700) == 0) {
            m_folder = candidate;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    if (error)
        *error = QStringLiteral("The backup folder in %1 cannot be made: %2").arg(store, errnoText(errno));
    return false;
}

QString UpdateBackup::nextSlot()
{
    return QString::number(++m_slots);
}

bool UpdateBackup::keep(const QString &path, QString *error)
{
    if (m_known.contains(path))
        return true;
    struct stat st {};
    const QByteArray p = QFile::encodeName(path);
    if (::lstat(p.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return true; // nothing there to keep
    if (!ensureFolder(error))
        return false;
    const QString slot = nextSlot();
    const QString kept = m_folder + u'/' + slot;
    if (::link(p.constData(), QFile::encodeName(kept).constData()) != 0) {
        modFileCopy::FileError e;
        if (!modFileCopy::CopyFileReplace(path, kept, &e)) {
            if (error)
                *error = QStringLiteral("%1 cannot be kept: %2").arg(path, e.description);
            return false;
        }
    }
    m_known.insert(path);
    m_records << QStringLiteral("replaced\t") + slot + u'\t' + relative(path);
    return true;
}

bool UpdateBackup::adopt(const QString &path, const QString &oldFile, QString *error)
{
    if (m_known.contains(path)) {
        QFile::remove(oldFile); // this update made it: nothing to put back
        return true;
    }
    if (!ensureFolder(error))
        return false;
    const QString slot = nextSlot();
    if (!moveFile(oldFile, m_folder + u'/' + slot, error))
        return false;
    m_known.insert(path);
    m_records << QStringLiteral("replaced\t") + slot + u'\t' + relative(path);
    return true;
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

bool UpdateBackup::save(QString *error)
{
    if (m_records.isEmpty())
        return true;
    if (!ensureFolder(error))
        return false;
    QSaveFile f(m_folder + u'/' + kManifest);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    f.write((kHeader + u'\n' + m_records.join(u'\n') + u'\n').toUtf8());
    if (!f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    const QStringList all = backups(m_root);
    for (qsizetype i = 0; i + kKept < all.size(); ++i)
        QDir(storeOf(m_root) + u'/' + all.at(i)).removeRecursively();
    return true;
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

bool UpdateBackup::rollback(const QString &programFolder, const std::function<void(const QString &)> &log,
                            QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        log(QStringLiteral("Rollback Error: ") + why);
        return false;
    };
    QString root = programFolder;
    while (root.size() > 1 && root.endsWith(u'/'))
        root.chop(1);
    const QStringList all = backups(root);
    if (all.isEmpty())
        return fail(QStringLiteral("No update to roll back in %1").arg(root));
    const QString folder = storeOf(root) + u'/' + all.last();
    QFile f(folder + u'/' + kManifest);
    if (!f.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1: %2").arg(f.fileName(), f.errorString()));
    QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    f.close();
    if (lines.isEmpty() || lines.takeFirst() != kHeader)
        return fail(QStringLiteral("%1 is not a backup manifest").arg(f.fileName()));

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
            QString why;
            if (moveFile(folder + u'/' + fields.at(1), path, &why))
                log(QStringLiteral("Rollback: restored ") + path);
            else
                problems << why;
        } else {
            problems << QStringLiteral("Unreadable manifest line: ") + *it;
        }
    }
    if (!problems.isEmpty())
        return fail(problems.join(QStringLiteral("; ")));
    QDir(folder).removeRecursively();
    QDir().rmdir(storeOf(root));
    log(QStringLiteral("Rollback complete: ") + root);
    return true;
}
