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
const QString kPackage = QStringLiteral("package"); // beside the numbered slots, never a number
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

bool sameFile(const QByteArray &a, const QByteArray &b)
{
    struct stat sa {
    }, sb{};
    return ::lstat(a.constData(), &sa) == 0 && ::lstat(b.constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Undoes the records of one update, newest first; answers how many files were put back.
// An interrupted update (`begun`) may have stopped before any record's change: a kept
// file that is still the file in place, or a file never kept, had not been changed.
int undoRecords(const QString &root, const QString &folder, const QStringList &lines, bool begun,
                const std::function<void(const QString &)> &log, QStringList &problems,
                QSet<QString> *touched = nullptr)
{
    const QString verb = begun ? QStringLiteral("Undo: ") : QStringLiteral("Rollback: ");
    auto absolute = [&](const QString &p) { return p.startsWith(u'/') ? p : root + u'/' + p; };
    int putBack = 0;
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QStringList fields = it->split(u'\t');
        const QString kind = fields.value(0);
        if (touched && fields.size() >= 2)
            touched->insert(absolute(fields.last()).section(u'/', 0, -2));
        if (kind == QStringLiteral("added") && fields.size() == 2) {
            const QString path = absolute(fields.at(1));
            if (::unlink(QFile::encodeName(path).constData()) == 0)
                log(verb + QStringLiteral("removed ") + path);
            else if (errno != ENOENT)
                problems << QStringLiteral("%1: %2").arg(path, errnoText(errno));
        } else if (kind == QStringLiteral("folder") && fields.size() == 2) {
            const QString path = absolute(fields.at(1));
            if (QDir().rmdir(path))
                log(verb + QStringLiteral("removed folder ") + path);
        } else if ((kind == QStringLiteral("replaced") && fields.size() == 3) ||
                   (kind == QStringLiteral("package") && fields.size() == 2 && begun)) {
            const QString path = absolute(fields.last());
            const QString kept =
                folder + u'/' + (kind == QStringLiteral("package") ? kPackage : fields.at(1));
            const QByteArray k = QFile::encodeName(kept);
            struct stat st {};
            if (begun && (::lstat(k.constData(), &st) != 0 || sameFile(k, QFile::encodeName(path))))
                continue; // not changed yet
            QDir().mkpath(path.section(u'/', 0, -2));
            if (const auto moved = moveFile(kept, path)) {
                log(verb + QStringLiteral("restored ") + path);
                ++putBack;
            } else {
                problems << moved.error().message;
            }
        } else if (!begun || kind != QStringLiteral("backup")) {
            problems << QStringLiteral("Unreadable manifest line: ") + *it;
        }
    }
    return putBack;
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
        const QString name = stamp + (n > 1 ? QStringLiteral("-%1").arg(n) : QString());
        const QString candidate = store + u'/' + name;
        if (::mkdir(QFile::encodeName(candidate).constData(), 0700) == 0) {
            m_folder = candidate;
            if (!m_journal.isOpen())
                return {};
            if (!m_deferred) {
                // The folder's own name must last before anything is kept in it.
                if (auto synced = UpdateJournal::syncFolder(store); !synced)
                    return synced;
                if (auto synced = UpdateJournal::syncFolder(m_root); !synced)
                    return synced;
            }
            return record(QStringLiteral("backup\t") + name, false);
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

Result<> UpdateBackup::beginJournal()
{
    auto journal = UpdateJournal::create(m_root);
    if (!journal)
        return tl::unexpected(journal.error());
    m_journal = std::move(*journal);
    return {};
}

// Written ahead: the record is on disk before the caller makes the change. A kept file
// (`linked`) must be on disk too, or an undo would find the record but not the file.
Result<> UpdateBackup::record(const QString &line, bool linked)
{
    if (!m_journal.isOpen())
        return {};
    m_journal.add(line.toUtf8());
    if (m_deferred)
        return {};
    if (linked && !m_folder.isEmpty())
        if (auto synced = UpdateJournal::syncFolder(m_folder); !synced)
            return synced;
    return m_journal.sync();
}

// What an undo needs before the first rename: the kept files' names and the records. The
// staged files' contents are not needed for that; commit() flushes them.
Result<> UpdateBackup::flush()
{
    if (!m_journal.isOpen())
        return {};
    for (const QString &folder : {m_folder, storeOf(m_root), m_root})
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            if (auto synced = UpdateJournal::syncFolder(folder); !synced)
                return synced;
    return m_journal.sync();
}

Result<QString> UpdateBackup::keep(const QString &path)
{
    if (m_known.contains(path))
        return QString();
    struct stat st {};
    const QByteArray p = QFile::encodeName(path);
    if (::lstat(p.constData(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
        return QString(); // nothing there to keep
    if (auto made = ensureFolder(); !made)
        return tl::unexpected(made.error());
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
    UpdateJournal::step();
    m_known.insert(path);
    m_records << QStringLiteral("replaced\t") + slot + u'\t' + relative(path);
    if (auto written = record(m_records.last(), true); !written)
        return tl::unexpected(written.error());
    return kept;
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

Result<> UpdateBackup::added(const QString &path)
{
    if (m_known.contains(path))
        return {};
    m_known.insert(path);
    m_records << QStringLiteral("added\t") + relative(path);
    return record(m_records.last(), false);
}

Result<> UpdateBackup::addedFolder(const QString &path)
{
    if (m_known.contains(path))
        return {};
    m_known.insert(path);
    m_records << QStringLiteral("folder\t") + relative(path);
    return record(m_records.last(), false);
}

Result<> UpdateBackup::keepPackage(const QString &path)
{
    if (!m_journal.isOpen() || m_packageKept)
        return {};
    if (auto made = ensureFolder(); !made)
        return made;
    const QString kept = m_folder + u'/' + kPackage;
    if (::link(QFile::encodeName(path).constData(), QFile::encodeName(kept).constData()) != 0)
        return fail(QStringLiteral("%1 cannot be kept: %2").arg(path, errnoText(errno)));
    m_packageKept = true;
    return record(QStringLiteral("package\t") + relative(path), true);
}

void UpdateBackup::rewind(qsizetype mark)
{
    while (m_records.size() > mark) {
        const QStringList fields = m_records.takeLast().split(u'\t');
        const QString &path = fields.last();
        m_known.remove(path.startsWith(u'/') ? path : m_root + u'/' + path);
        if (fields.first() == QStringLiteral("replaced"))
            ::unlink(QFile::encodeName(m_folder + u'/' + fields.at(1)).constData());
    }
}

Result<> UpdateBackup::writeManifest()
{
    if (auto made = ensureFolder(); !made)
        return made;
    QSaveFile f(m_folder + u'/' + kManifest);
    if (!f.open(QIODevice::WriteOnly))
        return fail(f.errorString());
    f.write((kHeader + u'\n' + m_records.join(u'\n') + u'\n').toUtf8());
    if (!f.commit())
        return fail(f.errorString());
    return {};
}

void UpdateBackup::prune()
{
    const QStringList all = backups(m_root);
    for (qsizetype i = 0; i + kKept < all.size(); ++i)
        QDir(storeOf(m_root) + u'/' + all.at(i)).removeRecursively();
}

Result<> UpdateBackup::save()
{
    if (m_records.isEmpty() || m_journal.isOpen())
        return {};
    if (auto written = writeManifest(); !written)
        return written;
    prune();
    return {};
}

Result<> UpdateBackup::commit()
{
    if (!m_journal.isOpen())
        return save();
    // Every change on disk first: past the mark "done" nothing will be undone.
    if (auto synced = UpdateJournal::syncFileSystem(m_root); !synced)
        return synced;
    if (!m_records.isEmpty()) {
        if (auto written = writeManifest(); !written)
            return written;
        if (auto synced = UpdateJournal::syncFolder(m_folder); !synced)
            return synced;
    }
    m_journal.add(UpdateJournal::doneMark());
    if (auto synced = m_journal.sync(); !synced)
        return synced;
    if (m_packageKept)
        ::unlink(QFile::encodeName(m_folder + u'/' + kPackage).constData());
    if (m_records.isEmpty())
        discard();
    else
        prune();
    return m_journal.remove();
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
    QStringList problems;
    undoRecords(root, folder, lines, false, log, problems);
    if (!problems.isEmpty())
        return refuse(problems.join(QStringLiteral("; ")));
    QDir(folder).removeRecursively();
    QDir().rmdir(storeOf(root));
    log(QStringLiteral("Rollback complete: ") + root);
    return {};
}

Result<UpdateBackup::Recovery>
UpdateBackup::recoverInterrupted(const QString &programFolder,
                                 const std::function<void(const QString &)> &log)
{
    Recovery result;
    QString root = programFolder;
    while (root.size() > 1 && root.endsWith(u'/'))
        root.chop(1);
    if (root.isEmpty() || !QFileInfo(root).isDir())
        return result;
    auto journal = UpdateJournal::openInterrupted(root, &result.inUse);
    if (!journal)
        return tl::unexpected(journal.error());
    if (result.inUse)
        return result;

    if (journal->isOpen()) {
        result.found = true;
        QList<QByteArray> raw = journal->readAll().split('\n');
        // A record cut short by a power cut was never acted on: its change comes after it.
        if (!raw.isEmpty() && !journal->readAll().endsWith('\n'))
            raw.removeLast();
        QStringList lines;
        for (const QByteArray &line : std::as_const(raw))
            if (!line.isEmpty())
                lines << QString::fromUtf8(line);
        if (!lines.isEmpty() && lines.first() == QString::fromUtf8(UpdateJournal::header()))
            lines.removeFirst();
        else
            lines.clear(); // not even its header was written: nothing was changed
        QString folder;
        for (const QString &line : std::as_const(lines))
            if (line.startsWith(QStringLiteral("backup\t")))
                folder = storeOf(root) + u'/' + line.section(u'\t', 1);
        result.completed = !lines.isEmpty() && lines.last() == QString::fromUtf8(UpdateJournal::doneMark());
        QStringList problems;
        if (result.completed) {
            if (!folder.isEmpty())
                QFile::remove(folder + u'/' + kPackage);
        } else {
            lines.removeIf([](const QString &l) { return l.startsWith(QStringLiteral("backup\t")); });
            QSet<QString> touched;
            result.putBack = undoRecords(root, folder, lines, true, log, problems, &touched);
            // The files put back must outlast a power cut before the journal goes.
            for (const QString &level : std::as_const(touched))
                if (QFileInfo(level).isDir())
                    if (auto synced = UpdateJournal::syncFolder(level); !synced)
                        problems << synced.error().message;
        }
        if (!problems.isEmpty()) {
            const QString why = QStringLiteral("Interrupted update of %1 not undone: %2")
                                    .arg(root, problems.join(QStringLiteral("; ")));
            log(why);
            return fail(why);
        }
        if (!result.completed && !folder.isEmpty())
            QDir(folder).removeRecursively();
        modFileCopy::RemoveDebris(root); // the staging folder of its unpacking
        if (auto removed = journal->remove(); !removed)
            return tl::unexpected(removed.error());
        log(result.completed ? QStringLiteral("Interrupted update of %1 completed").arg(root)
                             : QStringLiteral("Interrupted update of %1 undone: %2 files put back")
                                   .arg(root, QString::number(result.putBack)));
    }

    // What an updater of before the journal left: kept files without a manifest.
    const QDir store(storeOf(root));
    for (const QString &name : store.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (!QFileInfo::exists(store.filePath(name) + u'/' + kManifest) &&
            QDir(store.filePath(name)).removeRecursively())
            log(QStringLiteral("Removed a backup without a manifest: ") + store.filePath(name));
    QDir().rmdir(storeOf(root));
    return result;
}

std::vector<UpdateBackup::FolderRecovery>
UpdateBackup::healFolders(const QStringList &folders, const std::function<void(const QString &)> &log)
{
    std::vector<FolderRecovery> results;
    results.reserve(folders.size());
    for (const QString &folder : folders)
        results.push_back({folder, recoverInterrupted(folder, log)});
    // Only after every journal is replayed: a staging folder may hold what a journal puts back.
    for (const QString &folder : folders)
        for (const QString &path : modFileCopy::RemoveDebris(folder))
            log(QStringLiteral("Removed what an interrupted update left: ") + path);
    return results;
}
