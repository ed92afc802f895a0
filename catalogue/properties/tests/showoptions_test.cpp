// SPDX-License-Identifier: MIT
#include "Platform.h"
#include "RegistryHive.h"
#include "ScriptedUi.h"
#include "SheetDriver.h"
#include "ShowOptions.h"
#include "TestEnv.h"
#include "modGlobal.h"
#include "modRegistry.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace {

// Runs `act` on the options sheet once it is up, then closes it as a user would.
void whileShown(const std::function<void(frmProperties &)> &act)
{
    QTimer::singleShot(0, [act] {
        auto *sheet = qobject_cast<frmProperties *>(QApplication::activeModalWidget());
        ASSERT_NE(sheet, nullptr);
        act(*sheet);
        QTest::keyClick(sheet->grid(), Qt::Key_Escape);
    });
}

QList<RegValue> valuesUnder(const QString &category)
{
    const RegKey key =
        RegKey::open(RegRoot::CurrentUser, modRegistry::propertiesKey(QStringLiteral("General"), category));
    return key ? key.values() : QList<RegValue>();
}

} // namespace

TEST(Options, EmptyRegistryShowsDefaultsAndStoresNone)
{
    TestEnv env;
    ScriptedUi ui;
    const QString folder = Platform::programFolder();
    QStringList shown;
    QString caption;
    whileShown([&](frmProperties &sheet) {
        caption = sheet.windowTitle();
        shown = SheetDriver{sheet}.shown();
        EXPECT_EQ(sheet.m_strPropertyGroup, QStringLiteral("General"));
        EXPECT_EQ(sheet.parentWidget(), nullptr);
    });
    EXPECT_TRUE(ShowOptions());
    EXPECT_EQ(caption, QStringLiteral("Tools - Options - General Settings"));
    EXPECT_EQ(shown, QStringList({
                         QStringLiteral("[Database]"),
                         QStringLiteral("Connection String=Provider=Microsoft.Jet.OLEDB.4.0;Data Source="),
                         QStringLiteral("Back End Database=") + folder + QStringLiteral("/ORVANA.MDB"),
                         QStringLiteral("Display Field List=PartNumber, PartDescription, Bin"),
                         QStringLiteral("[Debug]"),
                         QStringLiteral("Debug Mode Active=False"),
                         QStringLiteral("Trace Mode Active=False"),
                         QStringLiteral("Log File Folder=") + folder,
                     }));
    EXPECT_TRUE(valuesUnder(QStringLiteral("Database")).isEmpty());
    EXPECT_TRUE(valuesUnder(QStringLiteral("Debug")).isEmpty());
    EXPECT_FALSE(modRegistry::GetProperty(QStringLiteral("Form Settings"), QStringLiteral("frmProperties"),
                                          QStringLiteral("frmProperties_Top"), QString())
                     .isEmpty());
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST(Options, ChangesTakeEffectWhenTheSheetCloses)
{
    TestEnv env;
    ScriptedUi ui;
    modGlobal::LoadSettings();
    const QString logs = env.path(QStringLiteral("logs"));
    QDir().mkpath(logs);
    ui.folders = {logs};
    whileShown([&](frmProperties &sheet) {
        SheetDriver d{sheet};
        d.pressCellButton(d.rowOf(QStringLiteral("Log File Folder")));
        EXPECT_EQ(modRegistry::GetProperty(QStringLiteral("General"), QStringLiteral("Debug"),
                                           QStringLiteral("Log File Folder"), QString()),
                  logs)
            << "stored at once";
        EXPECT_NE(g_LogFolder, logs) << "used only once the sheet has closed";

        const int row = d.rowOf(QStringLiteral("Connection String"));
        d.doubleClick(row, 3);
        EXPECT_TRUE(d.typeAndEnter(QStringLiteral("DSN=PartsOdbc;UID=me")));

        d.doubleClick(d.rowOf(QStringLiteral("Debug Mode Active")), 3);
    });
    EXPECT_TRUE(ShowOptions());
    EXPECT_EQ(g_LogFolder, logs);
    EXPECT_EQ(g_DbConnect, QStringLiteral("DSN=PartsOdbc;UID=me"));
    EXPECT_TRUE(g_DebugMode);
    ASSERT_TRUE(modGlobal::WriteLog(QStringLiteral("after options"), true));
    EXPECT_TRUE(TestEnv::readFile(logs + QStringLiteral("/Orvana.log")).contains("after options"));
}
