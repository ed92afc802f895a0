// SPDX-License-Identifier: MIT
#include "updater/core/testsupport/UpdaterFixture.h"

#include "updater/core/clsRegisterAnyDLL.h"
#include "updater/core/clsWinDir.h"
#include "updater/core/modService.h"

#include <QDir>

using Registration = UpdaterTest;

namespace {
int registerResult(const QString &name, bool quiet = false)
{
    clsRegisterAnyDLL r;
    r.setDLLName(name);
    r.RegisterDLL(quiet);
    return r.Result();
}
} // namespace

TEST_F(Registration, WinDirGivesTheWinePrefixFoldersEndingInASlash)
{
    clsWinDir dirs;
    EXPECT_EQ(dirs.SystemDirectory(), systemFolder() + u'/');
    EXPECT_EQ(dirs.WindowsDirectory(), m_env.path(QStringLiteral("wine/drive_c/windows/")));
    EXPECT_TRUE(dirs.TempDirectory().endsWith(u'/'));
    EXPECT_TRUE(dirs.ShortPathName().isEmpty());
    dirs.setLongPathName(target());
    dirs.GetShortPath();
    EXPECT_EQ(dirs.ShortPathName(), target()); // no short names here
    dirs.setLongPathName(inTarget(QStringLiteral("missing")));
    dirs.GetShortPath();
    EXPECT_TRUE(dirs.ShortPathName().isEmpty());
}

TEST_F(Registration, ResultCodesTellWhatWasMissing)
{
    EXPECT_EQ(registerResult(QStringLiteral("   ")), clsRegisterAnyDLL::NameEmpty);
    EXPECT_EQ(registerResult(QStringLiteral("comp.ocx")), clsRegisterAnyDLL::ToolNotFound);

    write(systemFolder() + QStringLiteral("/regsvr32.exe"), "MZ");
    EXPECT_EQ(registerResult(QStringLiteral("comp.ocx")), clsRegisterAnyDLL::ComponentNotFound);
    write(systemFolder() + QStringLiteral("/elsewhere.ocx"), "MZ");
    EXPECT_EQ(registerResult(inTarget(QStringLiteral("elsewhere.ocx"))), clsRegisterAnyDLL::PathNotFound);
    EXPECT_TRUE(m_ui.callsOf(QStringLiteral("start")).isEmpty());
}

TEST_F(Registration, AWindowsToolRunsThroughWineWithTheComponentAsAWindowsPath)
{
    m_ui.runProcesses = false;
    write(systemFolder() + QStringLiteral("/REGSVR32.EXE"), "MZ"); // any letter case
    write(systemFolder() + QStringLiteral("/comp.ocx"), "MZ");
    EXPECT_EQ(registerResult(QStringLiteral("comp.ocx"), true), clsRegisterAnyDLL::Started);
    const auto starts = m_ui.callsOf(QStringLiteral("start"));
    ASSERT_EQ(starts.size(), 1);
    EXPECT_EQ(starts.at(0).text, QStringLiteral("wine"));
    const QString windowsPath =
        QStringLiteral("Z:") + QString(systemFolder()).replace(u'/', u'\\') + QStringLiteral("\\comp.ocx");
    EXPECT_EQ(starts.at(0).arguments, QStringList({systemFolder() + QStringLiteral("/REGSVR32.EXE"),
                                                   QStringLiteral("/s"), windowsPath}));
}

TEST_F(Registration, TheProgramFolderIsPreferredForToolAndComponent)
{
    placeRecordingRegistrar();
    write(systemFolder() + QStringLiteral("/regsvr32.exe"), "MZ");
    write(systemFolder() + QStringLiteral("/comp.ocx"), "system copy");
    write(programFolder() + QStringLiteral("/comp.ocx"), "own copy");
    EXPECT_EQ(registerResult(QStringLiteral("comp.ocx")), clsRegisterAnyDLL::Started);
    EXPECT_EQ(registrarRuns(1), QStringList{programFolder() + QStringLiteral("/comp.ocx")});
}

TEST_F(Registration, FailuresAreToldWithTheirOwnTitleAndText)
{
    const QString path = inTarget(QStringLiteral("x.ocx"));
    struct Case {
        QString name;
        QString title;
        QString text;
    };
    // Tool missing first, then present for the other cases.
    EXPECT_TRUE(modService::RegisterObject(path, false));
    write(systemFolder() + QStringLiteral("/regsvr32.exe"), "MZ");
    EXPECT_TRUE(modService::RegisterObject(QStringLiteral("nowhere.ocx"), false));
    EXPECT_TRUE(modService::RegisterObject(QStringLiteral(" "), false));
    EXPECT_TRUE(modService::RegisterObject(path, true));
    const QList<Case> expected = {
        {path, QStringLiteral("Vantelo Update File missing"),
         QStringLiteral("Could not find Regsvr32.exe, Register Object Failure")},
        {{},
         QStringLiteral("Vantelo Update File missing"),
         QStringLiteral("Could not find: nowhere.ocx, Register Object Failure!")},
        {{},
         QStringLiteral("Vantelo Update DLL Name missing"),
         QStringLiteral("No DLL name provided:  Register Object Failure!")},
        {{},
         QStringLiteral("Vantelo Update Bad DLL Name"),
         QStringLiteral("DLL Name provided was bad: ") + path + QStringLiteral("Register Object Failure!")},
    };
    const auto boxes = m_ui.messages();
    ASSERT_EQ(boxes.size(), expected.size());
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(boxes.at(i).title, expected.at(i).title);
        EXPECT_EQ(boxes.at(i).text, expected.at(i).text);
        EXPECT_EQ(boxes.at(i).icon, MsgIcon::Critical);
    }
}
