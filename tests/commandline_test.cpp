// SPDX-License-Identifier: MIT
#include "common/core/AppInfo.h"
#include "common/testsupport/TestEnv.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int code = -1;
    QString out;
    QString err;
};

// A platform plugin that does not exist: a program that asked for the window system
// would stop with Qt's "could not find the Qt platform plugin" instead of answering.
Outcome run(const char *exe, const QStringList &args,
            const QString &platform = QStringLiteral("no-such-platform"))
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    p.setProcessEnvironment(env);
    p.start(QString::fromLocal8Bit(exe), args);
    p.waitForFinished(30000);
    Outcome r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QString version()
{
    return QStringLiteral("%1.%2.%3").arg(AppInfo::kMajor).arg(AppInfo::kMinor).arg(AppInfo::kRevision);
}

struct Command {
    const char *exe;
    const char *name;
};
const Command kCommands[] = {{ORVANA_EXE, "orvana"},
                             {MENDREL_EXE, "mendrel"},
                             {VANTELO_REG_EXE, "vantelo-reg"},
                             {ORVANA_NEWDB_EXE, "orvana-newdb"}};

} // namespace

TEST(CommandLine, EveryCommandAnswersHelpAndVersionWithoutAWindow)
{
    TestEnv env;
    for (const Command &c : kCommands) {
        const QString name = QString::fromLatin1(c.name);
        SCOPED_TRACE(c.name);
        for (const QString &help : {QStringLiteral("--help"), QStringLiteral("-h")}) {
            const Outcome r = run(c.exe, {help});
            EXPECT_EQ(r.code, 0) << r.err.toStdString();
            EXPECT_TRUE(r.out.startsWith(QStringLiteral("Usage: ") + name + u' ')) << r.out.toStdString();
            EXPECT_TRUE(r.out.contains(QStringLiteral("--version")));
            EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        }
        const Outcome v = run(c.exe, {QStringLiteral("--version")});
        EXPECT_EQ(v.code, 0);
        EXPECT_EQ(v.out, name + u' ' + version() + u'\n');
    }
    // reg.exe's own way of asking.
    EXPECT_TRUE(
        run(VANTELO_REG_EXE, {QStringLiteral("/?")}).out.startsWith(QStringLiteral("Usage: vantelo-reg")));
}

TEST(CommandLine, GraphicalProgramsRefuseWhatTheyDoNotKnowBeforeAnyWindow)
{
    TestEnv env;
    for (const Command &c : {kCommands[0], kCommands[1]}) {
        SCOPED_TRACE(c.name);
        Outcome r = run(c.exe, {QStringLiteral("--frobnicate")}, QStringLiteral("offscreen"));
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.contains(QStringLiteral("Unknown option 'frobnicate'"))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("--help")));
        r = run(c.exe, {QStringLiteral("parts.mdb")}, QStringLiteral("offscreen"));
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.contains(QStringLiteral("unexpected argument 'parts.mdb'"))) << r.err.toStdString();
    }
    // The catalogue's window never opened: it writes FRONT_END as it loads.
    EXPECT_FALSE(QFile::exists(env.hiveDir() + QStringLiteral("/user.hive")));
}

TEST(CommandLine, RegistryToolSaysWhatIsWrong)
{
    TestEnv env;
    const QString key = QStringLiteral("HKCU\\Software\\Vantelo\\Test");
    const auto reg = [](const QStringList &args) { return run(VANTELO_REG_EXE, args); };
    const auto says = [](const Outcome &r, const char *text) {
        return r.code == 2 && r.err.contains(QString::fromUtf8(text)) &&
               r.err.contains(QStringLiteral("vantelo-reg --help"));
    };
    EXPECT_TRUE(says(reg({QStringLiteral("qeury"), key}),
                     "\"qeury\" is not an operation; use QUERY, ADD or DELETE."));
    EXPECT_TRUE(
        says(reg({QStringLiteral("add"), key, QStringLiteral("/v"), QStringLiteral("a"), QStringLiteral("/V"),
                  QStringLiteral("b"), QStringLiteral("/d"), QStringLiteral("x")}),
             "/v is given more than once."));
    EXPECT_TRUE(
        says(reg({QStringLiteral("add"), key, QStringLiteral("/v")}), "/v needs a value name after it."));
    EXPECT_TRUE(says(reg({QStringLiteral("add"), key, QStringLiteral("/v"), QStringLiteral("a")}),
                     "ADD needs /d DATA."));
    EXPECT_TRUE(says(reg({QStringLiteral("query"), key, QStringLiteral("/d"), QStringLiteral("x")}),
                     "/d belongs to ADD only."));
    EXPECT_TRUE(says(reg({QStringLiteral("delete"), key, QStringLiteral("/x")}),
                     "\"/x\" is not a switch of DELETE."));
    EXPECT_TRUE(says(reg({QStringLiteral("--frobnicate")}), "Unknown option \"--frobnicate\"."));
    EXPECT_TRUE(says(reg({}), "An operation (QUERY, ADD or DELETE) and a KEY are needed."));
    EXPECT_FALSE(QFile::exists(env.hiveDir() + QStringLiteral("/user.hive"))); // nothing was written

    // After the operation, text that looks like an option is data.
    ASSERT_EQ(reg({QStringLiteral("add"), key, QStringLiteral("/v"), QStringLiteral("Offset"),
                   QStringLiteral("/d"), QStringLiteral("-1"), QStringLiteral("/f")})
                  .code,
              0);
    EXPECT_EQ(reg({QStringLiteral("query"), key, QStringLiteral("/v"), QStringLiteral("offset")}).out,
              QStringLiteral("Offset    REG_SZ    -1\n"));
}

TEST(CommandLine, NewCatalogueToolSaysWhatIsWrong)
{
    TestEnv env;
    const Outcome r = run(ORVANA_NEWDB_EXE, {QStringLiteral("--help")});
    EXPECT_TRUE(r.out.contains(QStringLiteral("--sample <N>")));
    const Outcome two =
        run(ORVANA_NEWDB_EXE, {env.path(QStringLiteral("a.mdb")), env.path(QStringLiteral("b.mdb"))});
    EXPECT_EQ(two.code, 2);
    EXPECT_TRUE(two.err.contains(QStringLiteral("one PATH only"))) << two.err.toStdString();
    const Outcome unknown = run(ORVANA_NEWDB_EXE, {QStringLiteral("--samples"), QStringLiteral("5"),
                                                   env.path(QStringLiteral("a.mdb"))});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("Unknown option 'samples'")))
        << unknown.err.toStdString();
    EXPECT_FALSE(QFile::exists(env.path(QStringLiteral("a.mdb"))));
}

TEST(CommandLine, ComposedMessagesShowAPercentSignAsTyped)
{
    TestEnv env;
    const Outcome verb = run(VANTELO_REG_EXE, {QStringLiteral("%2"), QStringLiteral("HKCU\\Software\\x")});
    EXPECT_EQ(verb.err, QStringLiteral("ERROR: Invalid syntax. \"%2\" is not an operation; use QUERY, ADD or "
                                       "DELETE.\nType \"vantelo-reg --help\" for usage.\n"));
    const Outcome two = run(ORVANA_NEWDB_EXE, {QStringLiteral("a%1"), QStringLiteral("b%2")});
    EXPECT_EQ(two.err,
              QStringLiteral("orvana-newdb: one PATH only, not 'a%1 b%2'\nTry 'orvana-newdb --help' for more "
                             "information.\n"));
    const QString path = env.path(QStringLiteral("50%1 %2.mdb"));
    const Outcome made = run(ORVANA_NEWDB_EXE, {path, QStringLiteral("--sample"), QStringLiteral("3")});
    EXPECT_EQ(made.code, 0) << made.err.toStdString();
    EXPECT_EQ(made.out, path + QStringLiteral(": catalogue with 3 parts\n"));
}
