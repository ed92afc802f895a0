// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The Windows, system and temporary folders, each ending in "/", taken once when the
// instance is made. On Linux the Windows folders are those of the Wine prefix
// ($WINEPREFIX, default ~/.wine), where the registration tool and shared components live.
class clsWinDir final {
public:
    clsWinDir();

    QString SystemDirectory() const { return m_systemDirectory; }
    QString WindowsDirectory() const { return m_windowsDirectory; }
    QString TempDirectory() const { return m_tempDirectory; }

    QString LongPathName() const { return m_longPathName; }
    void setLongPathName(const QString &path) { m_longPathName = path; }
    QString ShortPathName() const { return m_shortPathName; }
    void GetShortPath() { m_shortPathName = ShortPathOf(m_longPathName); }

    // Short names do not exist here: an existing path is its own short name, a
    // missing one has none ("").
    static QString ShortPathOf(const QString &path);
    static QString winePrefix(); // "" when neither $WINEPREFIX nor $HOME is set

private:
    QString m_systemDirectory;
    QString m_windowsDirectory;
    QString m_tempDirectory;
    QString m_longPathName;
    QString m_shortPathName;
};
