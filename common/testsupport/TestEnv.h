// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QTemporaryDir>

// Isolates a test from the machine: both hives, the program's folder, the installed
// programs' folder (Platform::installedFolder) and the user's state folder live in a fresh temporary folder,
// removed afterwards.
class TestEnv final {
public:
    TestEnv();
    ~TestEnv();
    TestEnv(const TestEnv &) = delete;
    TestEnv &operator=(const TestEnv &) = delete;

    QString root() const { return m_dir.path(); }
    QString hiveDir() const { return m_dir.path() + QStringLiteral("/hives"); }
    QString programFolder() const { return m_dir.path() + QStringLiteral("/program"); }
    QString installedFolder() const { return m_dir.path() + QStringLiteral("/opt"); }
    QString stateHome() const { return m_dir.path() + QStringLiteral("/state"); }
    QString path(const QString &relative) const { return m_dir.path() + u'/' + relative; }

    static void writeFile(const QString &path, const QByteArray &bytes);
    static QByteArray readFile(const QString &path);

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHiveDir;
    QByteArray m_oldRuntimeDir;
    QByteArray m_oldStateHome;
};
