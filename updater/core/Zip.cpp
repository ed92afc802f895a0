#include "Zip.h"

#include "NameIndex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <zip.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Zip {

namespace {

struct Entry {
    zip_uint64_t index = 0;
    QString path; // the real destination path
    bool folder = false;
    int mode = -1; // permissions stored with the entry, -1 when none
    time_t mtime = 0;
};

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
    const QString text = QString::fromUtf8(zip_error_strerror(&e));
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

bool within(const QString &canonical, const QString &root)
{
    return canonical == root || canonical.startsWith(root == QStringLiteral("/") ? root : root + u'/');
}

class Extractor final {
public:
    Extractor(zip_t *za, QString root, QString *reason) : m_za(za), m_root(std::move(root)), m_reason(reason)
    {
    }

    int plan();
    int extract();

private:
    int fail(int code, const QString &why)
    {
        if (m_reason)
            *m_reason = why;
        return code;
    }
    int planEntry(zip_uint64_t i);
    bool staysInside(const QString &folder);
    int writeFile(const Entry &e);

    zip_t *m_za;
    QString m_root; // canonical destination
    QString *m_reason;
    NameIndex m_names;
    QHash<QString, bool> m_checked; // folder -> inside the destination
    std::vector<Entry> m_entries;
};

int Extractor::plan()
{
    const zip_int64_t count = zip_get_num_entries(m_za, 0);
    m_entries.reserve(size_t(std::max<zip_int64_t>(count, 0)));
    for (zip_int64_t i = 0; i < count; ++i)
        if (const int rc = planEntry(zip_uint64_t(i)))
            return rc;
    return 0;
}

int Extractor::planEntry(zip_uint64_t i)
{
    const char *raw = zip_get_name(m_za, i, 0);
    if (!raw)
        return fail(zip_error_code_zip(zip_get_error(m_za)), QString::fromUtf8(zip_strerror(m_za)));
    const QString stored = QString::fromUtf8(raw);
    const QString name = QString(stored).replace(u'\\', u'/');
    if (name.startsWith(u'/') || (name.size() >= 2 && name.at(1) == u':'))
        return fail(UnsafeEntry, QStringLiteral("The entry %1 has an absolute path.").arg(stored));

    Entry e;
    e.index = i;
    e.folder = name.endsWith(u'/');
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(m_za, i, 0, &opsys, &attributes) == 0 && opsys == ZIP_OPSYS_UNIX) {
        const mode_t mode = mode_t(attributes >> 16);
        const mode_t type = mode & S_IFMT;
        if (type == S_IFLNK)
            return fail(SpecialEntry, QStringLiteral("The entry %1 is a symbolic link.").arg(stored));
        if (type != 0 && type != S_IFREG && type != S_IFDIR)
            return fail(SpecialEntry, QStringLiteral("The entry %1 is not a file or a folder.").arg(stored));
        if (type == S_IFDIR)
            e.folder = true;
        if (mode & 0777)
            e.mode = int(mode & 0777);
    }

    QStringList parts;
    for (const QString &part : name.split(u'/', Qt::SkipEmptyParts)) {
        if (part == QStringLiteral(".."))
            return fail(UnsafeEntry, QStringLiteral("The entry %1 climbs out of the folder.").arg(stored));
        if (part != QStringLiteral("."))
            parts << part;
    }
    if (parts.isEmpty())
        return 0; // "./": the destination itself

    QString path = m_root;
    for (qsizetype k = 0; k < parts.size(); ++k) {
        const bool last = k == parts.size() - 1;
        if (last && !e.folder && !staysInside(path))
            return fail(OutsideFolder, QStringLiteral("The entry %1 leads out of the folder.").arg(stored));
        path = (path == QStringLiteral("/") ? path : path + u'/') + m_names.resolve(path, parts.at(k));
    }
    if (e.folder && !staysInside(path))
        return fail(OutsideFolder, QStringLiteral("The entry %1 leads out of the folder.").arg(stored));
    e.path = path;

    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_za, i, 0, &st) == 0 && (st.valid & ZIP_STAT_MTIME))
        e.mtime = st.mtime;
    m_entries.push_back(e);
    return 0;
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
    const bool inside = within(QFileInfo(probe).canonicalFilePath(), m_root);
    m_checked.insert(folder, inside);
    return inside;
}

int Extractor::extract()
{
    for (const Entry &e : m_entries) {
        const QString folder = e.folder ? e.path : e.path.left(e.path.lastIndexOf(u'/'));
        if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
            return fail(FolderFailed, QStringLiteral("The folder %1 cannot be made.").arg(folder));
        if (!e.folder)
            if (const int rc = writeFile(e))
                return rc;
    }
    return 0;
}

// Written beside its place and renamed over it: a running program keeps its old file,
// a link at that place is replaced rather than followed, and a failure leaves the old
// file whole.
int Extractor::writeFile(const Entry &e)
{
    std::unique_ptr<zip_file_t, FileCloser> zf(zip_fopen_index(m_za, e.index, 0));
    if (!zf)
        return fail(zip_error_code_zip(zip_get_error(m_za)),
                    QStringLiteral("%1: %2").arg(e.path, QString::fromUtf8(zip_strerror(m_za))));

    const QByteArray target = QFile::encodeName(e.path);
    mode_t mode = mode_t(0666 & ~processUmask());
    struct stat old {};
    if (e.mode >= 0)
        mode = mode_t(e.mode);
    else if (::lstat(target.constData(), &old) == 0 && S_ISREG(old.st_mode))
        mode = old.st_mode & 0777; // keep an executable executable

    QByteArray tmp = target.left(target.lastIndexOf('/') + 1) + ".vantelo-unzip-XXXXXX";
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    auto writeError = [&](const QString &why) {
        ::unlink(tmp.constData());
        return fail(WriteFailed, QStringLiteral("%1: %2").arg(e.path, why));
    };
    if (fd < 0)
        return fail(WriteFailed,
                    QStringLiteral("%1: %2").arg(e.path, QString::fromLocal8Bit(std::strerror(errno))));

    static thread_local std::vector<char> buffer(1 << 18);
    for (;;) {
        const zip_int64_t n = zip_fread(zf.get(), buffer.data(), buffer.size());
        if (n < 0) {
            const int code = zip_error_code_zip(zip_file_get_error(zf.get()));
            const QString why = QString::fromUtf8(zip_file_strerror(zf.get()));
            ::close(fd);
            ::unlink(tmp.constData());
            return fail(code ? code : ZIP_ER_READ, QStringLiteral("%1: %2").arg(e.path, why));
        }
        if (n == 0)
            break;
        const char *p = buffer.data();
        size_t left = size_t(n);
        while (left > 0) {
            const ssize_t w = ::write(fd, p, left);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                const QString why = QString::fromLocal8Bit(std::strerror(errno));
                ::close(fd);
                return writeError(why);
            }
            p += w;
            left -= size_t(w);
        }
    }
    ::fchmod(fd, mode);
    if (e.mtime) {
        const struct timespec times[2] = {{0, UTIME_OMIT}, {e.mtime, 0}};
        ::futimens(fd, times);
    }
    if (::close(fd) != 0)
        return writeError(QString::fromLocal8Bit(std::strerror(errno)));
    if (::rename(tmp.constData(), target.constData()) != 0)
        return writeError(QString::fromLocal8Bit(std::strerror(errno)));
    return 0;
}

} // namespace

int UnzipPackage(const QString &package, const QString &destination, QString *reason)
{
    int code = 0;
    std::unique_ptr<zip_t, ArchiveCloser> za(
        zip_open(QFile::encodeName(package).constData(), ZIP_RDONLY, &code));
    if (!za) {
        if (reason)
            *reason = QStringLiteral("%1: %2").arg(package, zipErrorText(code));
        return code ? code : ZIP_ER_OPEN;
    }
    const QString root = QFileInfo(destination).canonicalFilePath();
    if (root.isEmpty() || !QFileInfo(root).isDir()) {
        if (reason)
            *reason = QStringLiteral("The folder %1 does not exist.").arg(destination);
        return FolderFailed;
    }
    Extractor extractor(za.get(), root, reason);
    if (const int rc = extractor.plan())
        return rc;
    return extractor.extract();
}

} // namespace Zip
