// SPDX-License-Identifier: MIT
#include "Zip.h"

#include "ArchivePlan.h"
#include "NameIndex.h"
#include "UpdateBackup.h"
#include "UpdateJournal.h"
#include "common/core/PosixHandles.h"
#include "modFileCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <zip.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace Zip {

namespace {

struct ArchiveCloser {
    void operator()(zip_t *za) const { zip_discard(za); }
};
struct FileCloser {
    void operator()(zip_file_t *zf) const { zip_fclose(zf); }
};

QString zipErrorText(int code)
{
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    QString text = QString::fromUtf8(zip_error_strerror(&e));
    zip_error_fini(&e);
    return text;
}

mode_t processUmask()
{
    static const mode_t mask = [] {
        const mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }();
    return mask;
}

QString errnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

bool within(const QString &canonical, const QString &root)
{
    return canonical == root || canonical.startsWith(root == QStringLiteral("/") ? root : root + u'/');
}

// An entry with its place on disk.
struct Target {
    const ArchivePlan::Entry *entry = nullptr;
    QString path;
    time_t mtime = 0;
    QByteArray staged; // the verified copy in the staging folder
    int mode = -1;
};

// What the move into place did, in order, so it can be undone.
struct Step {
    enum Kind { Folder, Added, Replaced } kind;
    QByteArray path;
    QByteArray old; // Replaced: the old file, kept in the staging folder
};

class Extractor final {
public:
    Extractor(zip_t *za, QString root) : m_za(za), m_root(std::move(root)) {}
    ~Extractor() { removeStaging(); }

    Result<> run(UpdateBackup *backup);

private:
    static tl::unexpected<Error> fail(int code, const QString &why) { return ::fail(why, code); }
    Result<> readDirectory(std::vector<ArchivePlan::EntryInfo> &infos);
    Result<> place(const ArchivePlan::Entry &e, Target &t);
    bool staysInside(const QString &folder);
    Result<> checkRoom(std::uint64_t needed);
    Result<> stage(Target &t, std::size_t number);
    QStringList missingFolders() const;
    Result<> moveIntoPlace(std::vector<Step> &done, UpdateBackup *backup);
    void undo(const std::vector<Step> &done);
    void removeStaging();

    zip_t *m_za;
    QString m_root; // canonical destination
    NameIndex m_names;
    QHash<QString, bool> m_checked; // folder -> inside the destination
    ArchivePlan::Plan m_plan;
    std::vector<Target> m_targets;
    QByteArray m_staging;
};

Result<> Extractor::readDirectory(std::vector<ArchivePlan::EntryInfo> &infos)
{
    const zip_int64_t count = zip_get_num_entries(m_za, 0);
    infos.resize(size_t(std::max<zip_int64_t>(count, 0)));
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(m_za, zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
            return fail(zip_error_code_zip(zip_get_error(m_za)), QString::fromUtf8(zip_strerror(m_za)));
        ArchivePlan::EntryInfo &info = infos[size_t(i)];
        info.name = QString::fromUtf8(st.name);
        info.size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(m_za, zip_uint64_t(i), 0, &opsys, &attributes) == 0 &&
            opsys == ZIP_OPSYS_UNIX) {
            info.unixAttributes = true;
            info.attributes = attributes;
        }
    }
    return {};
}

// The deepest existing level of `folder` must lie inside the destination: an existing
// symbolic link would otherwise carry the files elsewhere.
bool Extractor::staysInside(const QString &folder)
{
    if (const auto it = m_checked.constFind(folder); it != m_checked.constEnd())
        return *it;
    QString probe = folder;
    for (QFileInfo fi(probe); !fi.exists() && !fi.isSymLink() && probe.size() > m_root.size();
         fi = QFileInfo(probe))
        probe = probe.left(probe.lastIndexOf(u'/'));
    const QFileInfo deepest(probe);
    const bool inside = deepest.isDir() && within(deepest.canonicalFilePath(), m_root);
    m_checked.insert(folder, inside);
    return inside;
}

Result<> Extractor::place(const ArchivePlan::Entry &e, Target &t)
{
    const QString shown = e.parts.join(u'/');
    QString path = m_root;
    for (qsizetype k = 0; k < e.parts.size(); ++k) {
        const bool last = k == e.parts.size() - 1;
        if (last && !e.folder && !staysInside(path))
            return fail(OutsideFolder, QStringLiteral("The entry %1 leads out of the folder.").arg(shown));
        path = (path == QStringLiteral("/") ? path : path + u'/') + m_names.resolve(path, e.parts.at(k));
    }
    if (e.folder && !staysInside(path))
        return fail(OutsideFolder, QStringLiteral("The entry %1 leads out of the folder.").arg(shown));
    if (!e.folder) {
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode))
            return fail(UnsafeEntry, QStringLiteral("The entry %1 would replace a folder.").arg(shown));
    }
    t.entry = &e;
    t.path = path;
    return {};
}

Result<> Extractor::checkRoom(std::uint64_t needed)
{
    struct statvfs vfs {};
    if (::statvfs(QFile::encodeName(m_root).constData(), &vfs) != 0)
        return {}; // cannot tell: writing will find out
    const std::uint64_t available = std::uint64_t(vfs.f_bavail) * std::uint64_t(vfs.f_frsize);
    if (ArchivePlan::fits(needed, available))
        return {};
    return fail(NoRoom,
                QStringLiteral("The package needs %1 MB in %2, but only %3 MB are free.")
                    .arg(QString::number(double(needed + ArchivePlan::kFreeSpaceMargin) / 1e6, 'f', 1),
                         m_root, QString::number(double(available) / 1e6, 'f', 1)));
}

// Reads the entry whole (libzip checks the CRC at its end) into the staging folder.
Result<> Extractor::stage(Target &t, std::size_t number)
{
    const ArchivePlan::Entry &e = *t.entry;
    const QString shown = e.parts.join(u'/');
    std::unique_ptr<zip_file_t, FileCloser> zf(zip_fopen_index(m_za, zip_uint64_t(e.index), 0));
    if (!zf)
        return fail(zip_error_code_zip(zip_get_error(m_za)),
                    QStringLiteral("%1: %2").arg(shown, QString::fromUtf8(zip_strerror(m_za))));
    t.staged = m_staging + '/' + QByteArray::number(qulonglong(number));
    UniqueFd fd(::open(t.staged.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd)
        return fail(WriteFailed, QStringLiteral("%1: %2").arg(shown, errnoText(errno)));
    auto writeError = [&](int err) {
        const QString why = err == ENOSPC ? QStringLiteral("the disk is full") : errnoText(err);
        return fail(WriteFailed, QStringLiteral("%1: %2").arg(shown, why));
    };

    static thread_local std::vector<char> buffer(1 << 18);
    std::uint64_t total = 0;
    char head[4] = {};
    std::size_t headLength = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(zf.get(), buffer.data(), buffer.size());
        if (n < 0) {
            const int code = zip_error_code_zip(zip_file_get_error(zf.get()));
            const QString why = QString::fromUtf8(zip_file_strerror(zf.get()));
            return fail(code ? code : ZIP_ER_READ, QStringLiteral("%1: %2").arg(shown, why));
        }
        if (n == 0)
            break;
        if (headLength < sizeof head) {
            const std::size_t take = std::min(sizeof head - headLength, std::size_t(n));
            std::memcpy(head + headLength, buffer.data(), take);
            headLength += take;
        }
        total += std::uint64_t(n);
        if (total > e.size) {
            return fail(SizeMismatch,
                        QStringLiteral("%1 holds more than its declared %2 bytes.").arg(shown).arg(e.size));
        }
        const char *p = buffer.data();
        size_t left = size_t(n);
        while (left > 0) {
            const ssize_t w = ::write(fd.get(), p, left);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return writeError(w < 0 ? errno : ENOSPC);
            p += w;
            left -= size_t(w);
        }
    }
    if (total != e.size) {
        return fail(
            SizeMismatch,
            QStringLiteral("%1 holds %2 of its declared %3 bytes.").arg(shown).arg(total).arg(e.size));
    }

    struct stat old {};
    if (::lstat(QFile::encodeName(t.path).constData(), &old) == 0 && S_ISREG(old.st_mode))
        t.mode = int(old.st_mode & 07777); // the program it replaces must still start
    else if (e.mode >= 0)
        t.mode = e.mode & ~int(processUmask()); // a package's 0666 must not make files anyone may change
    else
        t.mode = ArchivePlan::defaultMode(head, headLength);
    ::fchmod(fd.get(), mode_t(t.mode));
    if (t.mtime) {
        const struct timespec times[2] = {{0, UTIME_OMIT}, {t.mtime, 0}};
        ::futimens(fd.get(), times);
    }
    if (fd.close() != 0)
        return fail(WriteFailed, QStringLiteral("%1: %2").arg(shown, errnoText(errno)));
    return {};
}

// The folders the files need that are not there yet, outermost first.
QStringList Extractor::missingFolders() const
{
    QStringList missing;
    QSet<QString> seen;
    for (const Target &t : m_targets) {
        const QString folder = t.entry->folder ? t.path : t.path.left(t.path.lastIndexOf(u'/'));
        QStringList levels;
        for (QString level = folder; level.size() > m_root.size() && !seen.contains(level);
             level = level.left(level.lastIndexOf(u'/'))) {
            seen.insert(level);
            if (QFileInfo(level).isDir())
                break;
            levels.prepend(level);
        }
        missing << levels;
    }
    return missing;
}

// First every replaced file is kept (linked into the backup, or the staging folder) and
// what will change is recorded; only then, with that on disk, do the renames begin. So a
// stop at any moment leaves each file either untouched or replaced with its old one kept.
Result<> Extractor::moveIntoPlace(std::vector<Step> &done, UpdateBackup *backup)
{
    const QStringList folders = missingFolders();
    std::vector<Step> planned;
    planned.reserve(m_targets.size());
    std::size_t kept = 0;
    if (backup)
        backup->deferSync(true);
    for (const QString &folder : folders)
        if (backup)
            if (auto recorded = backup->addedFolder(folder); !recorded)
                return fail(WriteFailed, recorded.error().message);
    for (const Target &t : m_targets) {
        if (t.entry->folder)
            continue;
        const QByteArray target = QFile::encodeName(t.path);
        struct stat st {};
        Step step{Step::Added, target, {}};
        if (::lstat(target.constData(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))) {
            // A link is kept as the link (link() does not follow it), never copied as its target.
            step.kind = Step::Replaced;
            if (backup) {
                const auto slot = backup->keep(t.path);
                if (!slot)
                    return fail(WriteFailed, slot.error().message);
                step.old = QFile::encodeName(*slot);
            } else {
                step.old = m_staging + "/old-" + QByteArray::number(qulonglong(++kept));
                if (::link(target.constData(), step.old.constData()) != 0 &&
                    (S_ISLNK(st.st_mode) ||
                     !modFileCopy::CopyFileReplace(t.path, QFile::decodeName(step.old))))
                    return fail(WriteFailed,
                                QStringLiteral("%1 cannot be kept: %2").arg(t.path, errnoText(errno)));
            }
        } else if (backup) {
            if (auto recorded = backup->added(t.path); !recorded)
                return fail(WriteFailed, recorded.error().message);
        }
        planned.push_back(std::move(step));
    }
    if (backup) {
        backup->deferSync(false);
        if (auto flushed = backup->flush(); !flushed)
            return fail(WriteFailed, flushed.error().message);
    }

    for (const QString &folder : folders) {
        const QByteArray c = QFile::encodeName(folder);
        UpdateJournal::step();
        if (::mkdir(c.constData(), 0777) == 0)
            done.push_back({Step::Folder, c, {}});
        else if (errno != EEXIST || !QFileInfo(folder).isDir())
            return fail(FolderFailed,
                        QStringLiteral("The folder %1 cannot be made: %2").arg(folder, errnoText(errno)));
    }
    std::size_t next = 0;
    for (const Target &t : m_targets) {
        if (t.entry->folder)
            continue;
        Step &step = planned[next++];
        UpdateJournal::step();
        if (::rename(t.staged.constData(), step.path.constData()) != 0)
            return fail(WriteFailed, QStringLiteral("%1: %2").arg(t.path, errnoText(errno)));
        done.push_back(std::move(step));
    }
    return {};
}

void Extractor::undo(const std::vector<Step> &done)
{
    for (auto it = done.crbegin(); it != done.crend(); ++it) {
        switch (it->kind) {
        case Step::Folder: ::rmdir(it->path.constData()); break;
        case Step::Added: ::unlink(it->path.constData()); break;
        case Step::Replaced: ::rename(it->old.constData(), it->path.constData()); break;
        }
    }
}

void Extractor::removeStaging()
{
    if (!m_staging.isEmpty())
        QDir(QFile::decodeName(m_staging)).removeRecursively();
    m_staging.clear();
}

Result<> Extractor::run(UpdateBackup *backup)
{
    std::vector<ArchivePlan::EntryInfo> infos;
    if (auto rc = readDirectory(infos); !rc)
        return rc;
    m_plan = ArchivePlan::plan(infos);
    if (m_plan.error)
        return fail(m_plan.error, m_plan.reason);

    m_targets.resize(m_plan.entries.size());
    for (std::size_t i = 0; i < m_plan.entries.size(); ++i) {
        if (auto rc = place(m_plan.entries[i], m_targets[i]); !rc)
            return rc;
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(m_za, zip_uint64_t(m_plan.entries[i].index), 0, &st) == 0 &&
            (st.valid & ZIP_STAT_MTIME))
            m_targets[i].mtime = st.mtime;
    }
    if (auto rc = checkRoom(m_plan.diskBytes); !rc)
        return rc;

    // Inside the destination, so every move into place is a rename on one file system.
    QByteArray staging =
        QFile::encodeName(m_root) + "/" + QFile::encodeName(debrisPrefix()) + "staging-XXXXXX";
    if (!::mkdtemp(staging.data()))
        return fail(
            WriteFailed,
            QStringLiteral("A staging folder in %1 cannot be made: %2").arg(m_root, errnoText(errno)));
    m_staging = staging;
    for (std::size_t i = 0; i < m_targets.size(); ++i)
        if (!m_targets[i].entry->folder)
            if (auto rc = stage(m_targets[i], i); !rc)
                return rc;

    std::vector<Step> done;
    const qsizetype mark = backup ? backup->mark() : 0;
    if (auto rc = moveIntoPlace(done, backup); !rc) {
        undo(done);
        if (backup) {
            backup->deferSync(false);
            backup->rewind(mark);
        }
        return rc;
    }
    return {};
}

} // namespace

Result<> UnzipPackage(const QString &package, const QString &destination, UpdateBackup *backup)
{
    int code = 0;
    std::unique_ptr<zip_t, ArchiveCloser> za(
        zip_open(QFile::encodeName(package).constData(), ZIP_RDONLY, &code));
    if (!za)
        return fail(QStringLiteral("%1: %2").arg(package, zipErrorText(code)), code ? code : ZIP_ER_OPEN);
    const QString root = QFileInfo(destination).canonicalFilePath();
    if (root.isEmpty() || !QFileInfo(root).isDir())
        return fail(QStringLiteral("The folder %1 does not exist.").arg(destination), FolderFailed);
    return Extractor(za.get(), root).run(backup);
}

bool packageAtFault(int code)
{
    switch (code) {
    case UnsafeEntry:
    case SpecialEntry:
    case NameTooLong:
    case SizeMismatch:
    case ZIP_ER_MULTIDISK:
    case ZIP_ER_CRC:
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_EOF:
    case ZIP_ER_NOZIP:
    case ZIP_ER_INCONS:
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
    case ZIP_ER_COMPRESSED_DATA: return true;
    default: return false;
    }
}

} // namespace Zip
