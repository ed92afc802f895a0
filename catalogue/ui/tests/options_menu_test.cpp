// SPDX-License-Identifier: MIT
#include "catalogue/core/NewCatalogue.h"
#include "catalogue/grid/FlexGrid.h"
#include "catalogue/properties/tests/SheetDriver.h"
#include "catalogue/ui/frmParts.h"
#include "common/testsupport/ScriptedUi.h"
#include "common/testsupport/TestEnv.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

// Tools > Options in the catalogue's own window, as a user tries them.
TEST(OptionsMenu, ChangedDatabaseAndColumnsAreSeenWhenTheSheetCloses)
{
    TestEnv env;
    ScriptedUi ui;
    ASSERT_TRUE(NewCatalogue::create(env.programFolder() + QStringLiteral("/ORVANA.MDB"), 5));
    const QString other = env.path(QStringLiteral("other.db"));
    ASSERT_TRUE(NewCatalogue::create(other, 2));

    frmParts w;
    w.show();
    auto *status = w.findChild<QLabel *>(QStringLiteral("lblStatus"));
    ASSERT_EQ(status->text(), QStringLiteral("5 records"));
    const int columnsBefore = w.grid1()->cols();

    auto *options = w.findChild<QAction *>(QStringLiteral("mnuOptions"));
    ASSERT_NE(options, nullptr);
    ASSERT_TRUE(options->isEnabled());
    ui.files = {other};
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto *sheet = qobject_cast<frmProperties *>(QApplication::activeModalWidget());
        ASSERT_NE(sheet, nullptr);
        shown = true;
        SheetDriver d{*sheet};
        d.pressCellButton(d.rowOf(QStringLiteral("Back End Database")));
        d.doubleClick(d.rowOf(QStringLiteral("Display Field List")), 3);
        EXPECT_TRUE(d.typeAndEnter(QStringLiteral("PartDescription")));
        EXPECT_EQ(status->text(), QStringLiteral("5 records")) << "nothing changes while the sheet is open";
        QTest::keyClick(sheet->grid(), Qt::Key_Escape);
    });
    options->trigger();
    ASSERT_TRUE(shown);
    EXPECT_EQ(status->text(), QStringLiteral("2 records"));
    EXPECT_EQ(w.grid1()->cols(), columnsBefore - 1) << "one display column fewer";
    EXPECT_TRUE(ui.messages().isEmpty());
}
