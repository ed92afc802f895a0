// SPDX-License-Identifier: MIT
#include "clsWinDir.h"

#include "common/core/Platform.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString withSlash(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(u'/'))
        return folder;
    return folder + u'/';
}
} // namespace

clsWinDir::clsWinDir()
{
    const QString prefix = winePrefix();
    if (!prefix.isEmpty()) {
        m_systemDirectory = withSlash(prefix + QStringLiteral("/drive_c/windows/system32"));
        m_windowsDirectory = withSlash(prefix + QStringLiteral("/drive_c/windows"));
    }
    m_tempDirectory = withSlash(QDir::tempPath());
}

QString clsWinDir::winePrefix()
{
    QString prefix = qEnvironmentVariable("WINEPREFIX");
    if (prefix.isEmpty()) {
        const QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty())
            return {};
        prefix = home + QStringLiteral("/.wine");
    }
    while (prefix.size() > 1 && prefix.endsWith(u'/'))
        prefix.chop(1);
    return prefix;
}

QString clsWinDir::ShortPathOf(const QString &path)
{
    if (path.isEmpty())
        return {};
    const QString local = Platform::toLocalPath(path);
    return QFileInfo::exists(local) ? local : QString();
}
