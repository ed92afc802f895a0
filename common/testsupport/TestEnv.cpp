// SPDX-License-Identifier: MIT
#include "TestEnv.h"

#include "common/core/Platform.h"
#include "common/core/RegistryHive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
void restoreEnv(const char *name, const QByteArray &old)
{
    if (old.isNull())
        qunsetenv(name);
    else
        qputenv(name, old);
}
} // namespace

TestEnv::TestEnv()
    : m_oldHiveDir(qgetenv("VANTELO_HIVE_DIR")), m_oldRuntimeDir(qgetenv("XDG_RUNTIME_DIR")),
      m_oldStateHome(qgetenv("XDG_STATE_HOME"))
{
    QDir().mkpath(hiveDir());
    QDir().mkpath(programFolder());
    QDir().mkpath(path(QStringLiteral("runtime")));
    qputenv("VANTELO_HIVE_DIR", QFile::encodeName(hiveDir()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path(QStringLiteral("runtime"))));
    qputenv("XDG_STATE_HOME", QFile::encodeName(stateHome()));
    Platform::setProgramFolder(programFolder());
    // Never the programs this machine has installed in the real one.
    Platform::setInstalledFolder(installedFolder());
    Platform::setProgramFolderWritable(std::nullopt);
    HiveFaults::forget();
}

TestEnv::~TestEnv()
{
    Platform::setProgramFolder({});
    Platform::setInstalledFolder({});
    Platform::setProgramFolderWritable(std::nullopt);
    restoreEnv("VANTELO_HIVE_DIR", m_oldHiveDir);
    restoreEnv("XDG_RUNTIME_DIR", m_oldRuntimeDir);
    restoreEnv("XDG_STATE_HOME", m_oldStateHome);
}

void TestEnv::writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray TestEnv::readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
