// SPDX-License-Identifier: MIT
#include "Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <unistd.h>

namespace {
QString &programFolderOverride()
{
    static QString folder;
    return folder;
}
QString &installedFolderOverride()
{
    static QString folder;
    return folder;
}
std::optional<bool> &writableOverride()
{
    static std::optional<bool> answer;
    return answer;
}
} // namespace

namespace Platform {

QString programFolder()
{
    if (!programFolderOverride().isEmpty())
        return programFolderOverride();
    return QCoreApplication::applicationDirPath();
}

void setProgramFolder(const QString &folder)
{
    programFolderOverride() = folder;
}

bool folderWritable(const QString &folder)
{
    // The effective ids decide, as they do when the file is then created; a read-only
    // mount answers no even to root.
    const QByteArray name = QFile::encodeName(folder);
    return !folder.isEmpty() && ::faccessat(AT_FDCWD, name.constData(), W_OK | X_OK, AT_EACCESS) == 0;
}

QString installedFolder()
{
    return installedFolderOverride().isEmpty() ? QStringLiteral(VANTELO_OPT_DIR) : installedFolderOverride();
}

void setInstalledFolder(const QString &folder)
{
    installedFolderOverride() = folder;
}

bool programFolderWritable()
{
    if (writableOverride())
        return *writableOverride();
    return folderWritable(programFolder());
}

bool programInstalled()
{
    return programFolder().startsWith(installedFolder() + u'/');
}

void setProgramFolderWritable(std::optional<bool> answer)
{
    writableOverride() = answer;
}

QString sharedDataFolder()
{
    return QStringLiteral("/var/lib/vantelo");
}

QString userStateFolder()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    const QString state = QStandardPaths::writableLocation(QStandardPaths::GenericStateLocation);
#else
    // Qt before 6.7 has no state location; the base-directory rules: an absolute
    // $XDG_STATE_HOME, otherwise ~/.local/state.
    QString state = QFile::decodeName(qgetenv("XDG_STATE_HOME"));
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
#endif
    return QDir::cleanPath(state) + QStringLiteral("/vantelo");
}

QString userDataFolder()
{
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) +
           QStringLiteral("/vantelo");
}

QString defaultLogFolder()
{
    if (programFolderWritable())
        return programFolder();
    QString folder = userStateFolder();
    QDir().mkpath(folder);
    return folder;
}

bool FileExists(const QString &path)
{
    const QFileInfo fi(path);
    return !path.isEmpty() && fi.exists() && !fi.isDir();
}

bool FolderExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

QString toLocalPath(const QString &windowsOrLocal)
{
    QString p = windowsOrLocal;
    if (p.size() >= 2 && p.at(1) == u':' && p.at(0).isLetter())
        p.remove(0, 2);
    p.replace(u'\\', u'/');
    return p;
}

QString findPathNoCase(const QString &path)
{
    if (path.isEmpty())
        return {};
    if (QFileInfo::exists(path))
        return path;
    const bool absolute = path.startsWith(u'/');
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    QString current = absolute ? QStringLiteral("/") : QStringLiteral(".");
    for (const QString &part : parts) {
        const QString exact = current == QStringLiteral("/") ? current + part : current + u'/' + part;
        if (QFileInfo::exists(exact)) {
            current = exact;
            continue;
        }
        if (part == QStringLiteral(".") || part == QStringLiteral(".."))
            return {};
        const QStringList entries =
            QDir(current).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        QString match;
        for (const QString &e : entries) {
            if (e.compare(part, Qt::CaseInsensitive) == 0) {
                match = e;
                break;
            }
        }
        if (match.isEmpty())
            return {};
        current = current == QStringLiteral("/") ? current + match : current + u'/' + match;
    }
    if (!absolute && current.startsWith(QStringLiteral("./")))
        current.remove(0, 2);
    return current;
}

} // namespace Platform
