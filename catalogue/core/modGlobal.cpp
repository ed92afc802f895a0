// SPDX-License-Identifier: MIT
#include "modGlobal.h"

#include "common/core/AppInfo.h"
#include "common/core/LogStamp.h"
#include "common/core/Platform.h"
#include "common/core/modRegistry.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QStringList>

QString g_ConnectionString;
QString g_BackEndDatabase;
QString g_DisplayFieldList;
bool g_DebugMode = false;
bool g_TraceMode = false;
QString g_LogFolder;
QString g_DbConnect;

namespace modGlobal {

namespace {

const QString kGeneral = QStringLiteral("General");
const QString kDatabase = QStringLiteral("Database");
const QString kDebug = QStringLiteral("Debug");

bool loadBoolean(const QString &name, QStringList &problems)
{
    const QString text = modRegistry::GetProperty(kGeneral, kDebug, name, QStringLiteral("False"));
    if (const auto b = parseBoolean(text))
        return *b;
    problems << QCoreApplication::translate(
                    "modGlobal", "The setting \"%1\" holds \"%2\", which is neither True, False "
                                 "nor a number. False is used until it is changed in Tools > Options.")
                    .arg(name, text);
    return false;
}

} // namespace

std::optional<bool> parseBoolean(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    double d = QLocale::system().toDouble(t, &ok);
    if (!ok)
        d = QLocale::c().toDouble(t, &ok);
    if (!ok)
        return std::nullopt;
    return d != 0.0;
}

QString defaultBackEndDatabase()
{
    // SQLite writes its journal beside the file, so the shared catalogue needs a whole
    // folder that its users may write. Root running the installed program shares it too.
    const QString folder = Platform::programFolderWritable() && !Platform::programInstalled()
                               ? Platform::programFolder()
                               : Platform::sharedDataFolder() + QStringLiteral("/parts");
    return folder + QStringLiteral("/ORVANA.MDB");
}

QString defaultLogFolder()
{
    return Platform::defaultLogFolder();
}

Result<> LoadSettings()
{
    QStringList problems;
    g_ConnectionString =
        modRegistry::GetProperty(kGeneral, kDatabase, QStringLiteral("Connection String"),
                                 QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source="));
    g_BackEndDatabase = modRegistry::GetProperty(kGeneral, kDatabase, QStringLiteral("Back End Database"),
                                                 defaultBackEndDatabase());
    g_DisplayFieldList = modRegistry::GetProperty(kGeneral, kDatabase, QStringLiteral("Display Field List"),
                                                  QStringLiteral("PartDescription, Bin"));
    g_DebugMode = loadBoolean(QStringLiteral("Debug Mode Active"), problems);
    g_TraceMode = loadBoolean(QStringLiteral("Trace Mode Active"), problems);
    g_LogFolder =
        modRegistry::GetProperty(kGeneral, kDebug, QStringLiteral("Log File Folder"), defaultLogFolder());

    // Case-sensitive on purpose: "dsn=" does not switch to ODBC.
    if (g_ConnectionString.contains(QStringLiteral("DSN=")))
        g_DbConnect = g_ConnectionString;
    else
        g_DbConnect = g_ConnectionString + g_BackEndDatabase;
    if (!problems.isEmpty())
        return fail(problems.join(u'\n'));
    return {};
}

QString logFilePath()
{
    QString folder = Platform::toLocalPath(g_LogFolder);
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder + AppInfo::catalogueTitle() + QStringLiteral(".log");
}

Result<> WriteLog(const QString &message, bool stamp)
{
    QFile file(logFilePath());
    const auto failed = [&file] {
        return fail(QCoreApplication::translate("modGlobal", "The log file %1 cannot be written: %2")
                        .arg(file.fileName(), file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return failed();
    QString text = stamp ? LogStamp::stamp() + QStringLiteral(" - ") + message : message;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\n', QStringLiteral("\r\n"));
    text += QStringLiteral("\r\n");
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.flush())
        return failed();
    return {};
}

} // namespace modGlobal
