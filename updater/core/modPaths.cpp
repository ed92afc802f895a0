#include "modPaths.h"

#include "NameIndex.h"
#include "Platform.h"

#include <QRegularExpression>

namespace modPaths {

namespace {

QString join(const QString &folder, const QString &relative)
{
    QString rel = relative;
    while (rel.startsWith(u'/'))
        rel.remove(0, 1);
    return folder.endsWith(u'/') ? folder + rel : folder + u'/' + rel;
}

QString collapseSlashes(QString path)
{
    static const QRegularExpression doubled(QStringLiteral("/{2,}"));
    return path.replace(doubled, QStringLiteral("/"));
}

} // namespace

QString FromPath(const QString &targetFolder, const QString &field, NameIndex &names)
{
    return names.resolvePath(collapseSlashes(join(targetFolder, Platform::toLocalPath(field.trimmed()))));
}

QString ToPath(const QString &targetFolder, const QString &field, NameIndex &names)
{
    const QString f = field.trimmed();
    const bool absolute = f.startsWith(u'/') || (f.size() >= 2 && f.at(1) == u':');
    const QString local = Platform::toLocalPath(f);
    const QString path =
        absolute ? (local.isEmpty() ? QStringLiteral("/") : local) : join(targetFolder, local);
    return names.resolvePath(collapseSlashes(path));
}

bool hasWildcard(const QString &name)
{
    return name.contains(u'*') || name.contains(u'?');
}

} // namespace modPaths
