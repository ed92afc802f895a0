// SPDX-License-Identifier: MIT
#include "modFileCopy.h"

#include "common/core/AppInfo.h"
#include "common/core/PosixHandles.h"
#include "common/core/UiServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace modFileCopy {

namespace {

QString stripTrailingSeparator(const QString &path)
{
    QString p = path.trimmed();
    if (p.size() > 1 && (p.endsWith(u'/') || p.endsWith(u'\\')))
        p.chop(1);
    return p;
}

bool globMatch(const QString &name, qsizetype n, const QString &pat, qsizetype p)
{
    // Iterative matcher with single-star backtracking.
    qsizetype starP = -1;
    qsizetype starN = 0;
    while (n < name.size()) {
        if (p < pat.size() && (pat.at(p) == u'?' || pat.at(p) == name.at(n))) {
            ++n;
            ++p;
        } else if (p < pat.size() && pat.at(p) == u'*') {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat.at(p) == u'*')
        ++p;
    return p == pat.size();
}

bool writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace

bool FolderExists(const QString &path)
{
    const QString p = stripTrailingSeparator(path);
    return !p.isEmpty() && QFileInfo(p).isDir();
}

int CreateFolderPath(const QString &path)
{
    const QStringList elements = QString(path).replace(u'\\', u'/').split(u'/');
    QString current = elements.value(0) + u'/';
    int result = 0;
    for (qsizetype i = 1; i < elements.size(); ++i) {
        current += elements.at(i) + u'/';
        if (!FolderExists(current))
            result = ::mkdir(QFile::encodeName(current).constData(), 0777) == 0 ? 1 : 0;
    }
    return result;
}

int BulkCopy(const QString &source, const QString &dest, QString &pattern,
             const std::function<bool(const QString &from, const QString &to)> &beforeCopy)
{
    if (pattern.isEmpty())
        pattern = QStringLiteral("*.*");
    ::mkdir(QFile::encodeName(stripTrailingSeparator(dest)).constData(), 0777);

    const QDir dir(source);
    QStringList names;
    if (!source.isEmpty() && dir.exists()) {
        // The directory search of the original returned "." and ".." in every folder
        // but the root, and counted them like any other match.
        if (dir.absolutePath() != QStringLiteral("/"))
            for (const QString &dot : {QStringLiteral("."), QStringLiteral("..")})
                if (MatchesPattern(dot, pattern))
                    names << dot;
        const QStringList entries = dir.entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
        for (const QString &e : entries)
            if (MatchesPattern(e, pattern))
                names << e;
    }
    if (names.isEmpty()) {
        MsgBox(QCoreApplication::translate("modFileCopy", "No %1 files found.").arg(pattern), MsgIcon::None,
               MsgButtons::Ok, AppInfo::updaterTitle());
        return 0;
    }
    int count = 0;
    for (const QString &name : names) {
        const QString from = source + name;
        if (QFileInfo(from).isFile() && (!beforeCopy || beforeCopy(from, dest + name)))
            CopyFileReplace(from, dest + name);
        ++count;
    }
    return count;
}

Error errorFromErrno(int err, bool sourceSide)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(err));
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        if (sourceSide)
            return {53, QStringLiteral("File not found (%1)").arg(reason)};
        return {76, QStringLiteral("Path not found (%1)").arg(reason)};
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: return {70, QStringLiteral("Permission denied (%1)").arg(reason)};
    default: return {75, QStringLiteral("Path/File access error (%1)").arg(reason)};
    }
}

Result<> CopyFileReplace(const QString &from, const QString &to)
{
    const auto fail = [](int err, bool sourceSide) {
        return tl::unexpected<Error>(errorFromErrno(err, sourceSide));
    };
    const QByteArray src = QFile::encodeName(from);
    const QByteArray dst = QFile::encodeName(to);
    const UniqueFd in(::open(src.constData(), O_RDONLY | O_CLOEXEC));
    if (!in)
        return fail(errno, true);
    struct stat st {};
    if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return fail(S_ISDIR(st.st_mode) ? EISDIR : errno, true);
    const qsizetype slash = dst.lastIndexOf('/');
    QByteArray tmp = (slash < 0 ? QByteArray() : dst.left(slash + 1)) + ".vantelo-copy-XXXXXX";
    UniqueFd out(::mkostemp(tmp.data(), O_CLOEXEC));
    if (!out)
        return fail(errno, false);
    // A replaced file keeps its permissions: a package made on Windows carries none,
    // and the program it updates must still start.
    struct stat old {};
    const mode_t mode =
        ::stat(dst.constData(), &old) == 0 && S_ISREG(old.st_mode) ? old.st_mode & 07777 : st.st_mode & 07777;
    bool ok = ::fchmod(out.get(), mode) == 0;
    off_t left = st.st_size;
    bool useRange = true;
    char buffer[1 << 16];
    while (ok && left > 0) {
        ssize_t n = -1;
        if (useRange) {
            n = ::copy_file_range(in.get(), nullptr, out.get(), nullptr, size_t(left), 0);
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                useRange = false; // another file system or an old kernel: copy by hand
                continue;
            }
        } else {
            n = ::read(in.get(), buffer, sizeof buffer);
            if (n > 0 && !writeAll(out.get(), buffer, size_t(n)))
                n = -1;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        if (n <= 0)
            break; // a source that shrank meanwhile ends early
        left -= n;
    }
    int err = ok ? 0 : errno;
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (ok)
        ::futimens(out.get(), times);
    if (out.close() != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(tmp.constData(), dst.constData()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tmp.constData());
        return fail(err ? err : EIO, false);
    }
    return {};
}

Result<> DeleteFile(const QString &path)
{
    if (::unlink(QFile::encodeName(path).constData()) == 0)
        return {};
    return tl::unexpected<Error>(errorFromErrno(errno, true));
}

bool MatchesPattern(const QString &name, const QString &pattern)
{
    const QString n = name.toCaseFolded();
    QString p = pattern.toCaseFolded();
    if (p.isEmpty())
        p = QStringLiteral("*.*");
    if (globMatch(n, 0, p, 0))
        return true;
    // "name.*" also matches "name", as it did on Windows.
    if (p.endsWith(QStringLiteral(".*")))
        return globMatch(n, 0, p.left(p.size() - 2), 0);
    return false;
}

namespace {

void sweep(const QString &folder, int depth, int &budget, QStringList &removed)
{
    static const QRegularExpression debris(
        QStringLiteral("^\\.vantelo-(staging|unzip|copy)-[A-Za-z0-9]{6}$"));
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &fi : entries) {
        if (--budget < 0)
            return;
        const QString name = fi.fileName();
        if (debris.match(name).hasMatch()) {
            const bool gone = fi.isDir() && !fi.isSymLink() ? QDir(fi.filePath()).removeRecursively()
                                                            : QFile::remove(fi.filePath());
            if (gone)
                removed << fi.filePath();
        } else if (fi.isDir() && !fi.isSymLink() && depth > 0 && name != QStringLiteral(".vantelo-backup")) {
            sweep(fi.filePath(), depth - 1, budget, removed);
        }
    }
}

} // namespace

QStringList RemoveDebris(const QString &folder)
{
    QStringList removed;
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty() || root == QStringLiteral("/"))
        return removed;
    int budget = 50000; // a program folder, not a whole disk
    sweep(root, 8, budget, removed);
    return removed;
}

} // namespace modFileCopy
