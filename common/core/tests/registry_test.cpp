// SPDX-License-Identifier: MIT
#include "common/core/modRegistry.h"
#include "common/testsupport/TestEnv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>

using namespace modRegistry;

namespace {
const QString kKey = QStringLiteral("Software\\Vantelo\\Orvana\\Test");

qsizetype openFiles()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size();
}
} // namespace

TEST(Registry, NamesCompareWithoutLetterCase)
{
    TestEnv env;
    SetStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Colour"), QStringLiteral("blue"));
    EXPECT_EQ(GetStringValue(HKEY_CURRENT_USER, kKey.toUpper(), QStringLiteral("COLOUR")),
              QStringLiteral("blue"));
    // Writing under another spelling replaces the value, it does not add a second one.
    SetStringValue(HKEY_CURRENT_USER, kKey.toLower(), QStringLiteral("colour"), QStringLiteral("red"));
    EXPECT_EQ(GetStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Colour")), QStringLiteral("red"));
    EXPECT_EQ(OpenKey(HKEY_CURRENT_USER, kKey).values().size(), 1);
}

TEST(Registry, AKeyMovedOrReplacedKeepsOneConnectionAndClosesIt)
{
    TestEnv env;
    SetStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("v"), QStringLiteral("1"));
    const qsizetype before = openFiles();
    {
        RegKey a = OpenKey(HKEY_CURRENT_USER, kKey);
        RegKey b = OpenKey(HKEY_CURRENT_USER, kKey);
        ASSERT_TRUE(a && b);
        EXPECT_EQ(openFiles(), before + 2);
        a = std::move(b); // a's own connection closes
        EXPECT_EQ(openFiles(), before + 1);
        const RegKey c(std::move(a));
        EXPECT_EQ(openFiles(), before + 1);
        ASSERT_TRUE(c.value(QStringLiteral("V")));
        EXPECT_EQ(c.value(QStringLiteral("V"))->data, QByteArray("1"));
    }
    EXPECT_EQ(openFiles(), before);
}

TEST(Registry, ReadingMissingThingsGivesEmptyAndCreatesNothing)
{
    TestEnv env;
    // No hive at all yet.
    EXPECT_EQ(GetStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("x")), QString());
    EXPECT_FALSE(QFileInfo::exists(hivePath(RegRoot::CurrentUser)));

    SetStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("present"), QStringLiteral("1"));
    EXPECT_EQ(GetStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("absent")), QString());
    EXPECT_EQ(GetStringValue(HKEY_CURRENT_USER, kKey + QStringLiteral("\\Deeper"), QStringLiteral("x")),
              QString());
    EXPECT_FALSE(OpenKey(HKEY_CURRENT_USER, kKey + QStringLiteral("\\Deeper")));
}

TEST(Registry, WritingCreatesEveryMissingLevel)
{
    TestEnv env;
    SetStringValue(HKEY_CURRENT_USER, QStringLiteral("A\\B\\C\\D"), QStringLiteral("v"), QStringLiteral("d"));
    for (const char *k : {"A", "A\\B", "A\\B\\C", "A\\B\\C\\D"})
        EXPECT_TRUE(OpenKey(HKEY_CURRENT_USER, QString::fromLatin1(k))) << k;
    EXPECT_TRUE(OpenKey(HKEY_CURRENT_USER, QStringLiteral("a\\b\\c\\d")));

    // A value of the root itself (an empty path) reads back as well.
    SetStringValue(HKEY_CURRENT_USER, QString(), QStringLiteral("top"), QStringLiteral("t"));
    EXPECT_EQ(GetStringValue(HKEY_CURRENT_USER, QStringLiteral("\\"), QStringLiteral("TOP")),
              QStringLiteral("t"));
    // So does one under a path that is not valid Unicode (a lone surrogate).
    const QString odd = QStringLiteral("Odd") + QChar(0xDAF0) + QStringLiteral("\\Key");
    SetStringValue(HKEY_CURRENT_USER, odd, QStringLiteral("v"), QStringLiteral("w"));
    EXPECT_EQ(GetStringValue(HKEY_CURRENT_USER, odd, QStringLiteral("v")), QStringLiteral("w"));
}

TEST(Registry, OnlyStringValuesReadBack)
{
    TestEnv env;
    RegKey key = CreateKey(HKEY_CURRENT_USER, kKey);
    ASSERT_TRUE(key);
    ASSERT_TRUE(key.setValue(QStringLiteral("dword"), REG_DWORD, QByteArray("\x05\x00\x00\x00", 4)));
    ASSERT_TRUE(key.setValue(QStringLiteral("expand"), REG_EXPAND_SZ, QByteArray("%HOME%")));
    EXPECT_EQ(GetStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("dword")), QString());
    EXPECT_EQ(GetStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("expand")), QString());
}

TEST(Registry, LongAndNonAsciiValuesReadBackWhole)
{
    TestEnv env;
    const QString longText(300, u'x');
    const QString unicode = QStringLiteral("Größe – 部品");
    SetStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("long"), longText);
    SetStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("unicode"), unicode);
    EXPECT_EQ(GetStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("long")), longText);
    EXPECT_EQ(GetStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("unicode")), unicode);
}

TEST(Registry, ReadsNeedNoWriteAccess)
{
    TestEnv env;
    SetStringValue(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Vantelo\\ORVANA"),
                   QStringLiteral("FRONT_END"), QStringLiteral("/opt/x"));
    const QString hive = hivePath(RegRoot::LocalMachine);
    QFile::setPermissions(hive, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    EXPECT_EQ(GetStringValue(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Vantelo\\ORVANA"),
                             QStringLiteral("FRONT_END")),
              QStringLiteral("/opt/x"));
    QFile::setPermissions(hive, QFile::ReadOwner | QFile::WriteOwner);
}

TEST(Registry, DamagedOrUnreachableHivesAreSilent)
{
    TestEnv env;
    TestEnv::writeFile(hivePath(RegRoot::CurrentUser), QByteArray(4096, 'Z'));
    EXPECT_EQ(GetStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("x")), QString());
    SetStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("x"), QStringLiteral("y")); // dropped
    EXPECT_EQ(GetStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("x")), QString());
    EXPECT_EQ(
        GetProperty(QStringLiteral("G"), QStringLiteral("C"), QStringLiteral("n"), QStringLiteral("def")),
        QStringLiteral("def"));

    // A hive folder that cannot be created: a file stands where the folder should be.
    TestEnv::writeFile(env.path(QStringLiteral("blocker")), "x");
    qputenv("VANTELO_HIVE_DIR", QFile::encodeName(env.path(QStringLiteral("blocker/hives"))));
    SetStringValue(HKEY_LOCAL_MACHINE, kKey, QStringLiteral("x"), QStringLiteral("y"));
    EXPECT_EQ(GetStringValue(HKEY_LOCAL_MACHINE, kKey, QStringLiteral("x")), QString());
}

TEST(Registry, PropertiesAreTrimmedOnReadOnly)
{
    TestEnv env;
    const QString g = QStringLiteral("General"), c = QStringLiteral("Database");
    SaveProperty(g, c, QStringLiteral("blank"), QStringLiteral("  "));
    SaveProperty(g, c, QStringLiteral("word"), QStringLiteral(" word "));
    EXPECT_EQ(GetProperty(g, c, QStringLiteral("blank"), QStringLiteral(" def ")), QStringLiteral(" def "));
    EXPECT_EQ(GetProperty(g, c, QStringLiteral("word"), QStringLiteral("def")), QStringLiteral("word"));
    EXPECT_EQ(GetProperty(g, c, QStringLiteral("missing"), QStringLiteral("def")), QStringLiteral("def"));
    // Stored unchanged, under the catalogue's properties key.
    EXPECT_EQ(GetStringValue(HKEY_CURRENT_USER,
                             QStringLiteral("Software\\Vantelo\\Orvana\\Properties\\General\\Database"),
                             QStringLiteral("word")),
              QStringLiteral(" word "));
}

TEST(Registry, EachProgramHasItsOwnRootAndKey)
{
    TestEnv env;
    modRegistry::SaveAppSetting(QStringLiteral("FRONT_END"), QStringLiteral("/cat"));
    Reg::SaveAppSetting(QStringLiteral("OPTION_PASSIVE"), QStringLiteral("1"));
    EXPECT_EQ(GetStringValue(HKEY_CURRENT_USER, QStringLiteral("Software\\Vantelo\\Orvana"),
                             QStringLiteral("FRONT_END")),
              QStringLiteral("/cat"));
    EXPECT_EQ(GetStringValue(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Vantelo\\Vantelo Update"),
                             QStringLiteral("OPTION_PASSIVE")),
              QStringLiteral("1"));
    EXPECT_EQ(Reg::GetAppSetting(QStringLiteral("FRONT_END")), QString());
    EXPECT_EQ(modRegistry::GetAppSetting(QStringLiteral("OPTION_PASSIVE")), QString());
}

TEST(Registry, AHiveLeftByAKilledWriterStillReadsItsCommittedValues)
{
    TestEnv env;
    const QString program = QStringLiteral("Software\\Vantelo\\ORVANA");
    const QString bulk = QStringLiteral("Software\\Vantelo\\Bulk");
    SetStringValue(HKEY_LOCAL_MACHINE, program, QStringLiteral("FRONT_END"),
                   QStringLiteral("/opt/Vantelo/Parts"));
    for (int i = 0; i < 40; ++i)
        SetStringValue(HKEY_LOCAL_MACHINE, bulk, QString::number(i), QString(2000, QChar(u'a' + i % 26)));
    const QString hive = hivePath(RegRoot::LocalMachine);
    const QString journal = hive + QStringLiteral("-journal");

    QProcess writer;
    writer.start(QStringLiteral(HIVE_CRASH), {QStringLiteral("write"), hive});
    ASSERT_TRUE(writer.waitForReadyRead(30000));
    ASSERT_EQ(writer.readAllStandardOutput(), QByteArray("ready\n"));
    writer.kill(); // SIGKILL, in the middle of its transaction
    writer.waitForFinished();
    ASSERT_TRUE(QFileInfo::exists(journal)) << "the writer left a hot journal";

    // A reader that may not write the hive (as root, the helper reads as nobody).
    const auto setMode = [&](QFile::Permissions dir, QFile::Permissions file) {
        QFile::setPermissions(env.root(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ReadOther | QFile::ExeOther);
        QFile::setPermissions(env.hiveDir(), dir);
        QFile::setPermissions(hive, file);
        QFile::setPermissions(journal, file);
    };
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const QFile::Permissions enter = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    setMode(readOnly | enter, readOnly);
    QProcess reader;
    reader.start(QStringLiteral(HIVE_CRASH), {QStringLiteral("read"), program, QStringLiteral("FRONT_END")});
    ASSERT_TRUE(reader.waitForFinished(30000));
    EXPECT_EQ(reader.exitCode(), 0);
    EXPECT_EQ(reader.readAllStandardOutput(), QByteArray("/opt/Vantelo/Parts\n"));
    EXPECT_TRUE(QFileInfo::exists(journal)) << "a reader that may not write leaves the hive alone";

    // A reader that may write mends the hive in place.
    setMode(readOnly | enter | QFile::WriteOwner, readOnly | QFile::WriteOwner);
    EXPECT_EQ(GetStringValue(HKEY_LOCAL_MACHINE, program, QStringLiteral("FRONT_END")),
              QStringLiteral("/opt/Vantelo/Parts"));
    EXPECT_FALSE(QFileInfo::exists(journal));
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(GetStringValue(HKEY_LOCAL_MACHINE, bulk, QString::number(i)),
                  QString(2000, QChar(u'a' + i % 26)));
    EXPECT_EQ(GetStringValue(HKEY_LOCAL_MACHINE, QStringLiteral("extra"), QStringLiteral("x1")), QString());
}

TEST(Registry, UserHiveLivesInTheUsersConfigFolder)
{
    TestEnv env;
    const QByteArray hiveDir = qgetenv("VANTELO_HIVE_DIR");
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    qunsetenv("VANTELO_HIVE_DIR");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(env.path(QStringLiteral("cfg"))));
    EXPECT_EQ(hivePath(RegRoot::CurrentUser), env.path(QStringLiteral("cfg/vantelo/user.hive")));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(hivePath(RegRoot::CurrentUser),
              QDir::homePath() + QStringLiteral("/.config/vantelo/user.hive"));
    EXPECT_EQ(hivePath(RegRoot::LocalMachine), QStringLiteral("/var/lib/vantelo/machine.hive"));
    qputenv("VANTELO_HIVE_DIR", hiveDir);
    if (!config.isNull())
        qputenv("XDG_CONFIG_HOME", config);
}

namespace {

// Another program holding the hive: "EXCLUSIVE" keeps readers out too, "IMMEDIATE" only
// other writers.
class HiveHolder {
public:
    HiveHolder(const QString &hive, const char *mode)
    {
        sqlite3_open_v2(QFile::encodeName(hive).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
        const QByteArray sql = QByteArray("BEGIN ") + mode;
        m_ok = sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~HiveHolder() { release(); }
    HiveHolder(const HiveHolder &) = delete;
    HiveHolder &operator=(const HiveHolder &) = delete;
    bool holds() const { return m_ok; }
    void release()
    {
        if (m_db)
            sqlite3_close_v2(m_db); // ends the transaction
        m_db = nullptr;
    }

private:
    sqlite3 *m_db = nullptr;
    bool m_ok = false;
};

qint64 msFor(const std::function<void()> &work)
{
    QElapsedTimer t;
    t.start();
    work();
    return t.elapsed();
}

} // namespace

TEST(HiveFaults, ALockedHiveFailsTheCheckedReadAndIsWaitedOnOnlyOnce)
{
    TestEnv env;
    // A hive that does not exist yet is no fault: a first run reads nothing.
    EXPECT_EQ(ReadStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("x")), QString());
    EXPECT_TRUE(HiveFaults::takeUnreported().isEmpty());

    SetStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("x"), QStringLiteral("stored"));
    HiveHolder holder(hivePath(RegRoot::CurrentUser), "EXCLUSIVE");
    ASSERT_TRUE(holder.holds());

    Result<QString> first;
    const qint64 firstMs =
        msFor([&] { first = ReadStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("x")); });
    ASSERT_FALSE(first.has_value()) << "a locked hive read as " << first->toStdString();
    EXPECT_TRUE(first.error().message.contains(QStringLiteral("locked")))
        << first.error().message.toStdString();
    EXPECT_LT(firstMs, 5000);
    // A start-up's further reads and writes do not wait the busy timeout again each.
    const qint64 restMs = msFor([&] {
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(GetProperty(QStringLiteral("G"), QStringLiteral("C"), QStringLiteral("n"),
                                  QStringLiteral("def")),
                      QStringLiteral("def"));
            SaveProperty(QStringLiteral("G"), QStringLiteral("C"), QStringLiteral("n"), QStringLiteral("v"));
        }
    });
    EXPECT_LT(restMs, 1500);

    const QList<HiveFault> faults = HiveFaults::takeUnreported();
    ASSERT_EQ(faults.size(), 2) << "one read fault and one write fault";
    EXPECT_EQ(faults[0].file, hivePath(RegRoot::CurrentUser));
    EXPECT_FALSE(faults[0].writing);
    EXPECT_TRUE(faults[1].writing);
    EXPECT_EQ(GetStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("x")), QString());
    EXPECT_TRUE(HiveFaults::takeUnreported().isEmpty()) << "each hive is reported once";

    // Once the other program lets go, the values read again at once.
    holder.release();
    EXPECT_EQ(ReadStringValue(HKEY_CURRENT_USER, kKey, QStringLiteral("x")), QStringLiteral("stored"));
}

TEST(HiveFaults, AGarbageHiveIsReportedAndNeverRewritten)
{
    TestEnv env;
    const QByteArray garbage(8192, 'Z');
    const QString hive = hivePath(RegRoot::LocalMachine);
    TestEnv::writeFile(hive, garbage);

    const Result<QString> read = Reg::ReadAppSetting(QStringLiteral("UPDATE_PUBKEY"));
    ASSERT_FALSE(read.has_value());
    EXPECT_TRUE(read.error().message.contains(QStringLiteral("not a settings file")));
    EXPECT_FALSE(WriteStringValue(HKEY_LOCAL_MACHINE, kKey, QStringLiteral("x"), QStringLiteral("y")));
    Reg::SaveAppSetting(QStringLiteral("OPTION_PASSIVE"), QStringLiteral("1"));
    EXPECT_EQ(TestEnv::readFile(hive), garbage);
    EXPECT_FALSE(QFileInfo::exists(hive + QStringLiteral("-journal")));

    const QList<HiveFault> faults = HiveFaults::takeUnreported();
    ASSERT_EQ(faults.size(), 2);
    EXPECT_EQ(faults[0].root, RegRoot::LocalMachine);
    EXPECT_EQ(faults[0].file, hive);
}

TEST(HiveFaults, AWriteThatIsNotStoredFailsWhileReadsGoOn)
{
    TestEnv env;
    ASSERT_TRUE(StoreProperty(QStringLiteral("General"), QStringLiteral("Debug"),
                              QStringLiteral("Log File Folder"), QStringLiteral("/old")));
    HiveHolder writer(hivePath(RegRoot::CurrentUser), "IMMEDIATE");
    ASSERT_TRUE(writer.holds());
    const Result<> stored = StoreProperty(QStringLiteral("General"), QStringLiteral("Debug"),
                                          QStringLiteral("Log File Folder"), QStringLiteral("/new"));
    ASSERT_FALSE(stored.has_value());
    EXPECT_TRUE(stored.error().message.contains(QStringLiteral("locked")));
    EXPECT_EQ(GetProperty(QStringLiteral("General"), QStringLiteral("Debug"),
                          QStringLiteral("Log File Folder"), QString()),
              QStringLiteral("/old"));
    const QList<HiveFault> faults = HiveFaults::takeUnreported();
    ASSERT_EQ(faults.size(), 1);
    EXPECT_TRUE(faults[0].writing);
}
