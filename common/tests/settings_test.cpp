#include "Platform.h"
#include "TestEnv.h"
#include "modGlobal.h"
#include "modRegistry.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {
void store(const char *category, const char *name, const QString &value)
{
    modRegistry::SaveProperty(QStringLiteral("General"), QLatin1String(category), QLatin1String(name), value);
}
} // namespace

TEST(Settings, DefaultsOnAnEmptyRegistry)
{
    TestEnv env;
    EXPECT_TRUE(modGlobal::LoadSettings().isEmpty());
    const QString db = Platform::programFolder() + QStringLiteral("/ORVANA.MDB");
    EXPECT_EQ(g_ConnectionString, QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source="));
    EXPECT_EQ(g_BackEndDatabase, db);
    EXPECT_EQ(g_DisplayFieldList, QStringLiteral("PartDescription, Bin"));
    EXPECT_FALSE(g_DebugMode);
    EXPECT_FALSE(g_TraceMode);
    EXPECT_EQ(g_LogFolder, Platform::programFolder());
    EXPECT_EQ(g_DbConnect, QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + db);
}

TEST(Settings, DsnRuleIsCaseSensitive)
{
    TestEnv env;
    store("Database", "Back End Database", QStringLiteral("/data/other.db"));
    store("Database", "Connection String", QStringLiteral("DSN=Parts;UID=x"));
    modGlobal::LoadSettings();
    EXPECT_EQ(g_DbConnect, QStringLiteral("DSN=Parts;UID=x"));

    store("Database", "Connection String", QStringLiteral("dsn=Parts;"));
    modGlobal::LoadSettings();
    EXPECT_EQ(g_DbConnect, QStringLiteral("dsn=Parts;/data/other.db"));

    store("Database", "Connection String", QStringLiteral("   "));
    modGlobal::LoadSettings();
    EXPECT_EQ(g_ConnectionString, QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source="));
}

TEST(Settings, BooleansAcceptWordsAndNumbersAndReportTheRest)
{
    EXPECT_EQ(modGlobal::parseBoolean(QStringLiteral("tRUE")), true);
    EXPECT_EQ(modGlobal::parseBoolean(QStringLiteral("false")), false);
    EXPECT_EQ(modGlobal::parseBoolean(QStringLiteral("-1")), true);
    EXPECT_EQ(modGlobal::parseBoolean(QStringLiteral("0")), false);
    EXPECT_EQ(modGlobal::parseBoolean(QStringLiteral("yes")), std::nullopt);

    TestEnv env;
    store("Debug", "Debug Mode Active", QStringLiteral("2"));
    store("Debug", "Trace Mode Active", QStringLiteral("maybe"));
    const QStringList problems = modGlobal::LoadSettings();
    EXPECT_TRUE(g_DebugMode);
    EXPECT_FALSE(g_TraceMode);
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains(QStringLiteral("Trace Mode Active")));
    EXPECT_TRUE(problems[0].contains(QStringLiteral("maybe")));
}

TEST(Log, LinesAreStampedAndEndInCrLf)
{
    TestEnv env;
    modGlobal::LoadSettings();
    ASSERT_TRUE(modGlobal::WriteLog(QStringLiteral("first"), true));
    ASSERT_TRUE(modGlobal::WriteLog(QStringLiteral("second"), true));
    ASSERT_TRUE(modGlobal::WriteLog(QStringLiteral("Error in X\n    detail"), true));
    ASSERT_TRUE(modGlobal::WriteLog(QStringLiteral("plain"), false));
    const QString text =
        QString::fromUtf8(TestEnv::readFile(env.programFolder() + QStringLiteral("/Orvana.log")));
    QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[5], QString()); // the last line ended too
    EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("[^\\r]\\n"))));
    const QString stamp = lines[0].section(QStringLiteral(" - "), 0, 1);
    EXPECT_EQ(lines[0], stamp + QStringLiteral(" - first"));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" - second")));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(" - Error in X")));
    EXPECT_EQ(lines[3], QStringLiteral("    detail"));
    EXPECT_EQ(lines[4], QStringLiteral("plain"));
    // Each stamp begins with the date.
    EXPECT_TRUE(lines[0].startsWith(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat)));
}

TEST(Log, UnwritableFolderIsReportedNotThrown)
{
    TestEnv env;
    store("Debug", "Log File Folder", env.path(QStringLiteral("no/such/folder")));
    modGlobal::LoadSettings();
    QString error;
    EXPECT_FALSE(modGlobal::WriteLog(QStringLiteral("x"), true, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Orvana.log")));
}
