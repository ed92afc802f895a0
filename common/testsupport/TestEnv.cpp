#include "TestEnv.h"

#include "Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TestEnv::TestEnv() : m_oldHiveDir(qgetenv("VANTELO_HIVE_DIR")), m_oldRuntimeDir(qgetenv("XDG_RUNTIME_DIR"))
{
    QDir().mkpath(hiveDir());
    QDir().mkpath(programFolder());
    QDir().mkpath(path(QStringLiteral("runtime")));
    qputenv("VANTELO_HIVE_DIR", QFile::encodeName(hiveDir()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path(QStringLiteral("runtime"))));
    Platform::setProgramFolder(programFolder());
}

TestEnv::~TestEnv()
{
    Platform::setProgramFolder({});
    if (m_oldHiveDir.isNull())
        qunsetenv("VANTELO_HIVE_DIR");
    else
        qputenv("VANTELO_HIVE_DIR", m_oldHiveDir);
    if (m_oldRuntimeDir.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", m_oldRuntimeDir);
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
