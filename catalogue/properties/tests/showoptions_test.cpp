// SPDX-License-Identifier: MIT
#include "SheetDriver.h"
#include "catalogue/core/modGlobal.h"
#include "catalogue/properties/ShowOptions.h"
#include "common/core/Platform.h"
#include "common/core/RegistryHive.h"
#include "common/core/modRegistry.h"
#include "common/testsupport/ScriptedUi.h"
#include "common/testsupport/TestEnv.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>
#include <sqlite3.h>

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

TEST(Options, AChangeThatCannotBeStoredIsReportedAtTheChangeAndNotShown)
{
    TestEnv env;
    ScriptedUi ui;
    ASSERT_TRUE(modRegistry::StoreProperty(QStringLiteral("General"), QStringLiteral("Debug"),
                                           QStringLiteral("Log File Folder"),
                                           QStringLiteral("/var/log/old")));
    const QString logs = env.path(QStringLiteral("logs"));
    QDir().mkpath(logs);
    ui.folders = {logs};

    // Another program holds the hive for writing; reads go on.
    sqlite3 *holder = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(hivePath(RegRoot::CurrentUser)).constData(), &holder,
                              SQLITE_OPEN_READWRITE, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    QString folderShown;
    QString debugShown;
    qsizetype boxesAtFolder = 0;
    whileShown([&](frmProperties &sheet) {
        SheetDriver d{sheet};
        const int folderRow = d.rowOf(QStringLiteral("Log File Folder"));
        d.pressCellButton(folderRow);
        boxesAtFolder = ui.messages().size();
        folderShown = sheet.grid()->textMatrix(folderRow, 3);
        const int debugRow = d.rowOf(QStringLiteral("Debug Mode Active"));
        d.doubleClick(debugRow, 3);
        debugShown = sheet.grid()->textMatrix(debugRow, 3);
    });
    ShowOptions();
    sqlite3_close_v2(holder);

    EXPECT_EQ(boxesAtFolder, 1) << "reported at the change, not later";
    EXPECT_EQ(folderShown, QStringLiteral("/var/log/old")) << "the row shows what is stored";
    EXPECT_EQ(debugShown, QStringLiteral("False"));
    const auto boxes = ui.messages();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("\"Log File Folder\""))) << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains(hivePath(RegRoot::CurrentUser)));
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("locked")));
    EXPECT_EQ(g_LogFolder, QStringLiteral("/var/log/old"));
}
