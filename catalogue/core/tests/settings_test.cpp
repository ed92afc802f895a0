// SPDX-License-Identifier: MIT
#include "catalogue/core/modGlobal.h"
#include "common/core/Platform.h"
#include "common/core/modRegistry.h"
#include "common/testsupport/TestEnv.h"

#include <QDir>
#include <QRegularExpression>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    EXPECT_TRUE(modGlobal::LoadSettings());
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
    auto loaded = modGlobal::LoadSettings();
    EXPECT_TRUE(g_DebugMode);
    EXPECT_FALSE(g_TraceMode);
    ASSERT_FALSE(loaded);
    EXPECT_FALSE(loaded.error().message.contains(u'\n'));
    EXPECT_TRUE(loaded.error().message.contains(QStringLiteral("Trace Mode Active")));
    EXPECT_TRUE(loaded.error().message.contains(QStringLiteral("maybe")));

    // Each problem on a line of its own; both settings still take their default.
    store("Debug", "Debug Mode Active", QStringLiteral("yes"));
    loaded = modGlobal::LoadSettings();
    EXPECT_FALSE(g_DebugMode);
    ASSERT_FALSE(loaded);
    const QStringList lines = loaded.error().message.split(u'\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].contains(QStringLiteral("Debug Mode Active")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("Trace Mode Active")));
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
    const auto written = modGlobal::WriteLog(QStringLiteral("x"), true);
    ASSERT_FALSE(written);
    EXPECT_TRUE(written.error().message.contains(QStringLiteral("Orvana.log")));
}

// An installed program's folder belongs to root: the catalogue is the shared one and
// the log goes to the user's state folder, which is made when needed.
TEST(Settings, ReadOnlyProgramFolderSendsDataToTheSharedAndStateFolders)
{
    TestEnv env;
    Platform::setProgramFolderWritable(false);
    EXPECT_TRUE(modGlobal::LoadSettings());
    EXPECT_EQ(g_BackEndDatabase, QStringLiteral("/var/lib/vantelo/parts/ORVANA.MDB"));
    EXPECT_EQ(
        g_DbConnect,
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/var/lib/vantelo/parts/ORVANA.MDB"));
    const QString state = env.stateHome() + QStringLiteral("/vantelo");
    EXPECT_EQ(g_LogFolder, state);
    ASSERT_TRUE(modGlobal::WriteLog(QStringLiteral("installed"), true));
    EXPECT_TRUE(TestEnv::readFile(state + QStringLiteral("/Orvana.log")).endsWith("installed\r\n"));
    EXPECT_FALSE(QFile::exists(env.programFolder() + QStringLiteral("/Orvana.log")));

    // Stored settings still win.
    store("Database", "Back End Database", QStringLiteral("/srv/parts.mdb"));
    store("Debug", "Log File Folder", env.root());
    modGlobal::LoadSettings();
    EXPECT_EQ(g_BackEndDatabase, QStringLiteral("/srv/parts.mdb"));
    EXPECT_EQ(g_LogFolder, env.root());

    // Without $XDG_STATE_HOME the state folder is ~/.local/state.
    qunsetenv("XDG_STATE_HOME");
    EXPECT_EQ(Platform::userStateFolder(), QDir::homePath() + QStringLiteral("/.local/state/vantelo"));
}

// Root may write an installed program's folder, yet a catalogue there would be a second one
// that no other user sees: an installed program's catalogue is the shared one whoever runs
// it. The log follows the folder's writability, as before. A folder that merely begins with
// the same letters is no installed folder.
TEST(Settings, AnInstalledProgramSharesItsCatalogueEvenWithRoot)
{
    TestEnv env;
    const QString opt = env.path(QStringLiteral("opt"));
    QDir().mkpath(opt + QStringLiteral("/Parts"));
    QDir().mkpath(opt + QStringLiteral("ical/Parts"));
    Platform::setInstalledFolder(opt);

    Platform::setProgramFolder(opt + QStringLiteral("/Parts"));
    ASSERT_TRUE(Platform::programFolderWritable());
    EXPECT_TRUE(Platform::programInstalled());
    EXPECT_TRUE(modGlobal::LoadSettings());
    EXPECT_EQ(g_BackEndDatabase, QStringLiteral("/var/lib/vantelo/parts/ORVANA.MDB"));
    EXPECT_EQ(g_LogFolder, opt + QStringLiteral("/Parts"));

    Platform::setProgramFolder(opt + QStringLiteral("ical/Parts"));
    EXPECT_FALSE(Platform::programInstalled());
    modGlobal::LoadSettings();
    EXPECT_EQ(g_BackEndDatabase, opt + QStringLiteral("ical/Parts/ORVANA.MDB"));
}

// The real check, made by an unprivileged process (root may write anywhere): a folder
// it may not write is not writable, one with mode 1777 is.
TEST(Settings, WritabilityIsAskedOfTheFileSystemWithTheEffectiveIds)
{
    TestEnv env;
    EXPECT_TRUE(Platform::programFolderWritable());
    const QString closed = env.path(QStringLiteral("closed"));
    const QString open = env.path(QStringLiteral("open"));
    QDir().mkpath(closed);
    QDir().mkpath(open);
    ::chmod(QFile::encodeName(env.root()).constData(), 0755);
    // Root's folder of mode 755 for the unprivileged user below; our own read-only one otherwise.
    ::chmod(QFile::encodeName(closed).constData(), ::geteuid() == 0 ? 0755 : 0555);
    ::chmod(QFile::encodeName(open).constData(), 01777);

    const auto askUnprivileged = [](const QString &folder) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
                                     ::setresuid(65534, 65534, 65534) != 0))
                ::_exit(3);
            ::_exit(Platform::folderWritable(folder) ? 0 : 1);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(askUnprivileged(closed), 1);
    EXPECT_EQ(askUnprivileged(open), 0);
    EXPECT_FALSE(Platform::folderWritable(env.path(QStringLiteral("missing"))));

    Platform::setProgramFolder(closed);
    Platform::setProgramFolderWritable(false);
    EXPECT_FALSE(Platform::programFolderWritable());
    Platform::setProgramFolderWritable(std::nullopt);
    EXPECT_EQ(Platform::programFolderWritable(), Platform::folderWritable(closed));
    ::chmod(QFile::encodeName(closed).constData(), 0755);
}
