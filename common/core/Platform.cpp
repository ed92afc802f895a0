#include "Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
QString &programFolderOverride()
{
    static QString folder;
    return folder;
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
