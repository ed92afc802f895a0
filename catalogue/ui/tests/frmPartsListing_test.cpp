// SPDX-License-Identifier: MIT
// Long lists are shown while they are read, and the catalogue keeps its search index.
#include "PartsTestDb.h"
#include "catalogue/core/modGlobal.h"
#include "catalogue/grid/FlexGrid.h"
#include "catalogue/ui/ListRowsSource.h"
#include "catalogue/ui/frmParts.h"
#include "catalogue/ui/modGrid.h"
#include "common/testsupport/ScriptedUi.h"
#include "common/testsupport/TestEnv.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kParts = 3000;

QString status(const frmParts &w)
{
    return w.findChild<QLabel *>(QStringLiteral("lblStatus"))->text();
}

QString logText(const TestEnv &env)
{
    QString text;
    QDirIterator it(env.root(), {QStringLiteral("Orvana.log")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        text += QString::fromUtf8(TestEnv::readFile(it.next()));
    return text;
}

class Listing : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<PartsTestDb>(env.programFolder() + QStringLiteral("/ORVANA.MDB"));
        db->exec(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                           "INSERT INTO PARTS (PartNumber, PartDescription, Bin, AsscWith) "
                           "SELECT printf('P-%05d', (i * 7919) % %1), 'Part ' || i || CASE WHEN i % 10 = 0 "
                           "THEN ' gasket' ELSE '' END, 'B-' || (i % 40), NULL FROM n")
                .arg(kParts));
        // Small steps, so a list of a few thousand parts takes many turns of the event loop.
        saved = modGrid::listSteps();
        modGrid::listSteps() = {100, 0, 0, 50, 0};
    }
    void TearDown() override { modGrid::listSteps() = saved; }

    std::unique_ptr<frmParts> open()
    {
        auto w = std::make_unique<frmParts>();
        w->show();
        fg1 = w->grid1();
        return w;
    }

    // Runs the event loop until the list is whole; the statuses seen on the way.
    QStringList finish()
    {
        QStringList seen;
        QElapsedTimer timer;
        timer.start();
        while (modGrid::isLoading(*fg1) && timer.elapsed() < 20000) {
            QCoreApplication::processEvents();
            seen << status(*qobject_cast<frmParts *>(fg1->window()));
        }
        EXPECT_FALSE(modGrid::isLoading(*fg1));
        return seen;
    }

    // The list as the grid holds it: every cell, and the column widths and hidden columns.
    static QStringList contents(const FlexGrid &g)
    {
        QStringList out;
        for (int c = 0; c < g.cols(); ++c)
            out << QStringLiteral("col %1 width %2 hidden %3").arg(c).arg(g.colWidth(c)).arg(g.colHidden(c));
        for (int r = 0; r < g.rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < g.cols(); ++c)
                cells << g.textMatrix(r, c);
            out << cells.join(u'|');
        }
        return out;
    }

    // What the list was when it was read whole before being shown.
    QStringList wholeList(const QString &sql)
    {
        FlexGrid reference;
        reference.resize(fg1->size());
        modGrid::g_LoadGrid(reference, sql, 0);
        if (reference.rows() > reference.fixedRows()) {
            reference.setColHidden(1, true);
            reference.setColHidden(2, true);
        }
        return contents(reference);
    }

    TestEnv env;
    ScriptedUi ui;
    std::unique_ptr<PartsTestDb> db;
    FlexGrid *fg1 = nullptr;
    modGrid::ListSteps saved;
};

} // namespace

TEST_F(Listing, ShowAllRecordsShowsTheFirstRowsAtOnceAndEndsAsTheWholeList)
{
    auto w = open();
    // The first rows are there, current and selected, while the rest is still being read.
    ASSERT_TRUE(modGrid::isLoading(*fg1));
    EXPECT_EQ(fg1->rows() - 1, 100);
    EXPECT_EQ(status(*w), QStringLiteral("100 records"));
    EXPECT_EQ(fg1->row(), 1);
    EXPECT_EQ(fg1->textMatrix(1, 3), QStringLiteral("P-00000"));
    EXPECT_TRUE(fg1->colHidden(1));

    // The window goes on working meanwhile: the user scrolls to the end of what is there.
    fg1->showCell(fg1->rows() - 1, 3);
    const QStringList seen = finish();
    ASSERT_GT(seen.size(), 10);
    int last = 0;
    for (const QString &s : seen) {
        const int n = s.section(u' ', 0, 0).toInt();
        EXPECT_GE(n, last) << s.toStdString();
        last = n;
    }
    EXPECT_EQ(status(*w), QStringLiteral("%1 records").arg(kParts));
    EXPECT_EQ(contents(*fg1), wholeList(QStringLiteral(
                                  "Select PartID, AsscWith as PartLink, PartNumber, PartDescription, Bin "
                                  "from PARTS Order By 3")));
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(Listing, TheCountOfAListStillReadLeavesWhatTheUserCausedInTheStatusLine)
{
    db->exec(QStringLiteral("UPDATE PARTS SET AsscWith = 'P-00000' WHERE PartNumber = 'P-00002'"));
    auto w = open();
    ASSERT_TRUE(modGrid::isLoading(*fg1));
    QCoreApplication::processEvents();
    ASSERT_EQ(fg1->textMatrix(3, 3), QStringLiteral("P-00002"));
    // The user's click names the associated parts while the rest of the list is read.
    fg1->showCell(3, 3);
    QTest::mouseClick(fg1->viewport(), Qt::LeftButton, {},
                      fg1->visualRect(fg1->gridModel()->indexOf(3, 3)).center());
    ASSERT_EQ(status(*w), QStringLiteral("2 associated parts found for P-00000"));
    const QStringList seen = finish();
    EXPECT_EQ(seen.count(QStringLiteral("2 associated parts found for P-00000")), seen.size())
        << seen.join(u'\n').toStdString();
    EXPECT_EQ(status(*w), QStringLiteral("2 associated parts found for P-00000"));
    EXPECT_EQ(fg1->rows() - 1, kParts);
    EXPECT_EQ(w->grid2()->rows(), 3);
}

TEST_F(Listing, EscStopsTheReadingAndANewSearchReplacesIt)
{
    auto w = open();
    ASSERT_TRUE(modGrid::isLoading(*fg1));
    QCoreApplication::processEvents();
    auto *find = w->findChild<QLineEdit *>(QStringLiteral("txtFind"));
    QTest::keyClick(find, Qt::Key_Escape);
    EXPECT_TRUE(w->isVisible()) << "Esc stops the list rather than closing the window";
    EXPECT_FALSE(modGrid::isLoading(*fg1));
    const int rows = fg1->rows() - 1;
    EXPECT_LT(rows, kParts);
    EXPECT_EQ(status(*w), QStringLiteral("%1 records (stopped)").arg(rows));
    QCoreApplication::processEvents();
    EXPECT_EQ(fg1->rows() - 1, rows) << "nothing more is read";

    // A search while the list is still read: only the search's rows remain.
    w->ShowAllRecords();
    ASSERT_TRUE(modGrid::isLoading(*fg1));
    find->setText(QStringLiteral("gasket"));
    QTest::keyClick(find, Qt::Key_Return);
    finish();
    EXPECT_EQ(status(*w), QStringLiteral("%1 records").arg(kParts / 10));
    EXPECT_EQ(contents(*fg1), wholeList(QStringLiteral(
                                  "Select PartID, AsscWith as PartLink, PartNumber, PartDescription, Bin "
                                  "from PARTS where PartNumber LIKE '%gasket%' OR PartDescription LIKE "
                                  "'%gasket%' ORDER BY 3")));

    QTest::keyClick(find, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible()) << "with nothing to stop, Esc closes";
}

TEST_F(Listing, AnOlderCatalogueGainsTheSearchIndexAndItFollowsEdits)
{
    db->exec(QStringLiteral("DROP TRIGGER PARTS_Search_ai; DROP TRIGGER PARTS_Search_ad; "
                            "DROP TRIGGER PARTS_Search_au; DROP TABLE PARTS_Search;"));
    modGrid::listSteps() = saved;
    auto w = open();
    EXPECT_EQ(db->value(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name LIKE 'PARTS_Search%'")),
              QStringLiteral("7"));
    EXPECT_TRUE(logText(env).contains(QStringLiteral("Search index built for ")) &&
                logText(env).contains(QStringLiteral(": %1 parts in ").arg(kParts)))
        << logText(env).toStdString();
    EXPECT_TRUE(ui.messages().isEmpty());

    auto *find = w->findChild<QLineEdit *>(QStringLiteral("txtFind"));
    auto search = [&](const QString &text) {
        find->setText(text);
        QTest::keyClick(find, Qt::Key_Return);
        return fg1->rows() - 1;
    };
    // New, from the search that found nothing.
    ui.answers.push_back(MsgAnswer::Yes);
    search(QStringLiteral("ZEBRA-77"));
    ASSERT_TRUE(w->recordView());
    EXPECT_EQ(search(QStringLiteral("zebra")), 1);
    // Another program renames it.
    db->exec(QStringLiteral("UPDATE PARTS SET PartNumber = 'OKAPI-77' WHERE PartNumber = 'ZEBRA-77'"));
    ui.answers.push_back(MsgAnswer::No);
    EXPECT_EQ(search(QStringLiteral("ZEBRA")), 0);
    EXPECT_EQ(search(QStringLiteral("okapi")), 1);
    // Deleted from the list.
    ui.answers.push_back(MsgAnswer::Yes);
    w->DeleteRecords();
    ui.answers.push_back(MsgAnswer::No);
    EXPECT_EQ(search(QStringLiteral("okapi")), 0);

    // Opened again: nothing more to build.
    w.reset();
    const QString log = logText(env);
    auto again = open();
    EXPECT_EQ(logText(env), log);
}

TEST_F(Listing, WritesWhileAListIsReadAreNotLockedOut)
{
    auto w = open();
    ASSERT_TRUE(modGrid::isLoading(*fg1));
    const QString first = fg1->textMatrix(1, 3);
    ui.answers.push_back(MsgAnswer::Yes);
    w->DeleteRecords();
    EXPECT_EQ(db->value(QStringLiteral("SELECT count(*) FROM PARTS")), QString::number(kParts - 1));
    EXPECT_NE(fg1->textMatrix(1, 3), first);
    EXPECT_TRUE(status(*w).endsWith(QStringLiteral(" records (stopped)"))) << status(*w).toStdString();

    w->ShowAllRecords();
    ASSERT_TRUE(modGrid::isLoading(*fg1));
    w->findChild<QLineEdit *>(QStringLiteral("txtFind"))->setText(QStringLiteral("NEW-1"));
    w->NewRecord();
    EXPECT_TRUE(w->recordView());
    EXPECT_EQ(db->value(QStringLiteral("SELECT count(*) FROM PARTS WHERE PartNumber = 'NEW-1'")),
              QStringLiteral("1"));
    // Only the confirmation was asked: no "database is locked" report.
    EXPECT_EQ(ui.messages().size(), 1);
}

// Once every part is listed, a search is answered from that list, with the list, widths,
// status and question of the statement; the moment anyone writes to the catalogue, the
// statement answers again, so nothing a user or another program changed is missed.
TEST_F(Listing, SearchesAreAnsweredFromTheListOfAllPartsAfterWritesToo)
{
    auto w = open();
    finish();
    auto *find = w->findChild<QLineEdit *>(QStringLiteral("txtFind"));
    auto search = [&](const QString &text) {
        find->setText(text);
        QTest::keyClick(find, Qt::Key_Return);
        finish();
        return fg1->rows() - 1;
    };
    auto fromList = [this] {
        return dynamic_cast<const ListRowsSource *>(fg1->gridModel()->source()) != nullptr;
    };
    auto statement = [](const QString &text) {
        return QStringLiteral(
                   "Select PartID, AsscWith as PartLink, PartNumber, PartDescription, Bin from PARTS "
                   "where PartNumber LIKE '%") +
               text + QStringLiteral("%' OR PartDescription LIKE '%") + text +
               QStringLiteral("%' ORDER BY 3");
    };

    for (const QString &text : {QStringLiteral("gasket"), QStringLiteral("P-0_1"), QStringLiteral("12"),
                                QStringLiteral("PART 1%0 GASK")}) {
        search(text);
        EXPECT_TRUE(fromList()) << text.toStdString();
        EXPECT_EQ(contents(*fg1), wholeList(statement(text))) << text.toStdString();
        EXPECT_EQ(status(*w), QStringLiteral("%1 records").arg(fg1->rows() - 1));
    }
    EXPECT_EQ(search(QStringLiteral("gasket")), kParts / 10);
    EXPECT_EQ(fg1->row(), 1);
    EXPECT_TRUE(fg1->colHidden(1));
    // Not found: the question of the statement follows.
    ui.answers.push_back(MsgAnswer::No);
    EXPECT_EQ(search(QStringLiteral("zebra")), 0);
    ASSERT_FALSE(ui.messages().isEmpty());
    EXPECT_EQ(ui.messages().last().title, QStringLiteral("zebra not found"));

    // Another program, the sqlite3 tool, makes one more part a gasket.
    const QString file = env.programFolder() + QStringLiteral("/ORVANA.MDB");
    ASSERT_EQ(QProcess::execute(QStringLiteral("sqlite3"),
                                {file, QStringLiteral("UPDATE PARTS SET PartDescription = 'Spare gasket' "
                                                      "WHERE PartNumber = 'P-00001'")}),
              0);
    EXPECT_EQ(search(QStringLiteral("gasket")), kParts / 10 + 1);
    EXPECT_TRUE(fromList()) << "the list followed the write";
    EXPECT_EQ(contents(*fg1), wholeList(statement(QStringLiteral("gasket"))));

    // An edit of the record view is found at once, from the list too.
    EXPECT_EQ(search(QStringLiteral("spare gasket")), 1);
    EXPECT_TRUE(fromList());
    w->ShowRecord(fg1->textMatrix(1, 1));
    int description = -1;
    for (int r = 0; r < fg1->rows(); ++r)
        if (fg1->textMatrix(r, 0) == QStringLiteral("PartDescription"))
            description = r;
    ASSERT_GT(description, 0);
    fg1->setCurrentCell(description, 1);
    ASSERT_TRUE(fg1->editCell());
    auto *editor = fg1->viewport()->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("Spare flange"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(db->value(QStringLiteral("SELECT PartDescription FROM PARTS WHERE PartNumber = 'P-00001'")),
              QStringLiteral("Spare flange"));
    EXPECT_EQ(search(QStringLiteral("spare flange")), 1);
    EXPECT_TRUE(fromList());
    EXPECT_EQ(fg1->textMatrix(1, 3), QStringLiteral("P-00001"));
    EXPECT_EQ(contents(*fg1), wholeList(statement(QStringLiteral("spare flange"))));
    EXPECT_EQ(search(QStringLiteral("gasket")), kParts / 10);
    EXPECT_TRUE(fromList());
    EXPECT_EQ(contents(*fg1), wholeList(statement(QStringLiteral("gasket"))));
    ui.answers.push_back(MsgAnswer::No);
    EXPECT_EQ(search(QStringLiteral("spare gasket")), 0);
    EXPECT_EQ(ui.messages().size(), 2) << "only the two questions";
}
