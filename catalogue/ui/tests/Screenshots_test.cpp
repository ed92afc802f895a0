// SPDX-License-Identifier: MIT
// Renders the real window offscreen into the folder named by ORVANA_SCREENSHOTS (the
// README's pictures come from here); skipped when it is not set.
#include "catalogue/core/NewCatalogue.h"
#include "catalogue/grid/FlexGrid.h"
#include "catalogue/ui/frmParts.h"
#include "common/testsupport/ScriptedUi.h"
#include "common/testsupport/TestEnv.h"

#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

TEST(Screenshots, ListWithAssociatedPartsAndRecordView)
{
    const QString folder = qEnvironmentVariable("ORVANA_SCREENSHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "set ORVANA_SCREENSHOTS to a folder to write the screenshots";
    QDir().mkpath(folder);
    TestEnv env;
    ScriptedUi ui;
    ASSERT_TRUE(NewCatalogue::create(env.programFolder() + QStringLiteral("/ORVANA.MDB"), 3000));

    frmParts w;
    w.resize(900, 640);
    w.show();
    FlexGrid *fg1 = w.grid1();
    // A part that hangs on another, so the associated parts have something to show.
    int row = 1;
    while (row < fg1->rows() && fg1->textMatrix(row, 2).isEmpty())
        ++row;
    ASSERT_LT(row, fg1->rows());
    for (int r = 1; r < row + 8 && r < fg1->rows(); ++r)
        fg1->setCurrentCell(r, 3); // as the cursor keys would
    fg1->setCurrentCell(row + 3 < fg1->rows() ? row : 1, 3);
    fg1->select(fg1->row(), 1, fg1->row(), fg1->cols() - 1);
    while (fg1->textMatrix(fg1->row(), 2).isEmpty() && fg1->row() + 1 < fg1->rows()) {
        fg1->setCurrentCell(fg1->row() + 1, 3);
        fg1->select(fg1->row(), 1, fg1->row(), fg1->cols() - 1);
    }
    QCoreApplication::processEvents();
    ASSERT_TRUE(w.grab().save(folder + QStringLiteral("/catalogue-list.png")));

    w.ShowRecord(fg1->textMatrix(fg1->row(), 1));
    QCoreApplication::processEvents();
    ASSERT_TRUE(w.grab().save(folder + QStringLiteral("/catalogue-record.png")));
    EXPECT_TRUE(ui.messages().isEmpty());
}
