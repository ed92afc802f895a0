// SPDX-License-Identifier: MIT
// The catalogue window on a PostgreSQL server through ODBC, as users in a shop would use it:
// a PARTS table made with plain SQL, the connection string set in the options, two windows
// on the same table.
#include "catalogue/core/OdbcWatchdog.h"
#include "catalogue/core/testsupport/PgTestServer.h"
#include "catalogue/grid/FlexGrid.h"
#include "catalogue/ui/frmParts.h"
#include "common/core/modRegistry.h"
#include "common/testsupport/ScriptedUi.h"
#include "common/testsupport/TestEnv.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

template <typename T> T *child(const QWidget &w, const char *name)
{
    return w.findChild<T *>(QLatin1String(name));
}

class ServerWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        server = PgTestServer::shared();
        if (!server && PgTestServer::installed())
            FAIL() << PgTestServer::reason().toStdString();
        if (!server)
            GTEST_SKIP() << PgTestServer::reason().toStdString();
        database = server->createDatabase();
        sql("CREATE TABLE parts (partid serial PRIMARY KEY, asscwith varchar(50), partnumber varchar(50), "
            "partdescription varchar(255), bin varchar(20), qty integer DEFAULT 0, price numeric(19,4) "
            "DEFAULT 0, "
            "lastordered timestamp, notes text)");
        sql("INSERT INTO parts (partnumber, partdescription, bin, asscwith) VALUES "
            "('GSK-100', 'Gasket, pump cover', 'A-01', NULL), ('GSK-200', 'Head GASKET', 'A-02', 'GSK-100'), "
            "('BLT-7', 'Hex bolt M8', 'B-01', NULL), ('SEAL-9', 'Oil seal', 'B-02', NULL)");
        modRegistry::SaveProperty(QStringLiteral("General"), QStringLiteral("Database"),
                                  QStringLiteral("Connection String"), server->dataSource(database));
    }

    QString sql(const char *statement) const
    {
        const auto out = server->query(database, QString::fromUtf8(statement));
        EXPECT_TRUE(out) << out.error().message.toStdString();
        return out.value_or(QString());
    }

    std::unique_ptr<frmParts> open()
    {
        auto w = std::make_unique<frmParts>();
        w->show();
        return w;
    }

    static QString status(const frmParts &w) { return child<QLabel>(w, "lblStatus")->text(); }

    static QStringList column(FlexGrid *g, int col)
    {
        QStringList out;
        for (int r = g->fixedRows(); r < g->rows(); ++r)
            out << g->textMatrix(r, col);
        return out;
    }

    static void search(frmParts &w, const QString &text)
    {
        auto *find = child<QLineEdit>(w, "txtFind");
        find->setText(text);
        QTest::keyClick(find, Qt::Key_Return);
    }

    static int recordRow(FlexGrid *g, const QString &field)
    {
        for (int r = 0; r < g->rows(); ++r)
            if (g->textMatrix(r, 0) == field)
                return r;
        return -1;
    }

    static void editValue(FlexGrid *g, const QString &field, const QString &text)
    {
        const int row = recordRow(g, field);
        ASSERT_GT(row, 0) << field.toStdString();
        g->setCurrentCell(row, 1);
        ASSERT_TRUE(g->editCell());
        auto *editor = g->viewport()->findChild<QLineEdit *>();
        ASSERT_NE(editor, nullptr);
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The closed editor goes only when deferred deletes run; the next edit must not find it.
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Connections of the catalogue to the database still open: none between commands.
    QString openSessions() const
    {
        return sql("SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() AND pid <> "
                   "pg_backend_pid()");
    }

    TestEnv env;
    ScriptedUi ui;
    PgTestServer *server = nullptr;
    QString database;
};

} // namespace

TEST_F(ServerWindow, ListsSearchesCreatesEditsAndDeletesOnTheServer)
{
    auto w = open();
    FlexGrid *fg1 = w->grid1();
    EXPECT_EQ(status(*w), QStringLiteral("4 records"));
    EXPECT_EQ(fg1->textMatrix(0, 3), QStringLiteral("PartNumber"));
    EXPECT_EQ(fg1->textMatrix(0, 4), QStringLiteral("PartDescription"));
    EXPECT_EQ(fg1->textMatrix(0, 5), QStringLiteral("Bin"));

    // Letter case does not matter, as in a catalogue file.
    search(*w, QStringLiteral("gasket"));
    EXPECT_EQ(column(fg1, 3), QStringList({u"GSK-100"_s, u"GSK-200"_s}));
    EXPECT_EQ(status(*w), QStringLiteral("2 records"));

    // New, from a search that found nothing.
    ui.answers = {MsgAnswer::Yes};
    search(*w, QStringLiteral("CAP'N-1"));
    ASSERT_TRUE(w->recordView());
    EXPECT_EQ(fg1->textMatrix(recordRow(fg1, QStringLiteral("PartNumber")), 1), QStringLiteral("CAP'N-1"));
    EXPECT_EQ(fg1->textMatrix(0, 0), QStringLiteral("PartID"));
    editValue(fg1, QStringLiteral("Bin"), QStringLiteral(" C-03 "));
    editValue(fg1, QStringLiteral("Price"), QStringLiteral("12.5"));
    editValue(fg1, QStringLiteral("LastOrdered"), QStringLiteral("2025-02-03"));
    editValue(fg1, QStringLiteral("Notes"), QStringLiteral("it's here"));
    editValue(fg1, QStringLiteral("Bin"), QString(21, u'x'));
    ASSERT_EQ(ui.messages().size(), 2) << "the question, then the refusal";
    EXPECT_EQ(ui.messages()[1].title, QStringLiteral("Text Field Not Updated"));
    EXPECT_EQ(sql("SELECT bin || '|' || price || '|' || lastordered || '|' || notes FROM parts WHERE "
                  "partnumber = 'CAP''N-1'"),
              QStringLiteral("C-03|12.5000|2025-02-03 00:00:00|it's here"));

    // New on an existing number opens it.
    child<QLineEdit>(*w, "txtFind")->setText(QStringLiteral("BLT-7"));
    child<QPushButton>(*w, "cmdNew")->click();
    EXPECT_EQ(fg1->textMatrix(recordRow(fg1, QStringLiteral("PartDescription")), 1),
              QStringLiteral("Hex bolt M8"));
    EXPECT_EQ(sql("SELECT count(*) FROM parts"), QStringLiteral("5"));

    ui.answers = {MsgAnswer::Yes};
    child<QAction>(*w, "mnuRecordDelete")->trigger();
    EXPECT_FALSE(w->recordView());
    EXPECT_EQ(status(*w), QStringLiteral("4 records"));
    EXPECT_EQ(sql("SELECT count(*) FROM parts WHERE partnumber = 'BLT-7'"), QStringLiteral("0"));
    EXPECT_EQ(openSessions(), QStringLiteral("0"));
}

TEST_F(ServerWindow, TwoUsersSeeEachOthersChangesAndKeepTheirOwn)
{
    auto first = open();
    auto second = open();
    FlexGrid *a = first->grid1();
    FlexGrid *b = second->grid1();

    // Both open the same part; each edits another field of it.
    const QString id = sql("SELECT partid FROM parts WHERE partnumber = 'SEAL-9'");
    for (frmParts *w : {first.get(), second.get()}) {
        child<QLineEdit>(*w, "txtFind")->setText(QStringLiteral("SEAL-9"));
        child<QPushButton>(*w, "cmdNew")->click();
        ASSERT_TRUE(w->recordView());
    }
    editValue(a, QStringLiteral("Bin"), QStringLiteral("Z-99"));
    editValue(b, QStringLiteral("Qty"), QStringLiteral("17"));
    EXPECT_EQ(openSessions(), QStringLiteral("0")) << "no connection, so no lock, between commands";
    EXPECT_EQ(sql(("SELECT bin || '|' || qty FROM parts WHERE partid = " + id.toStdString()).c_str()),
              QStringLiteral("Z-99|17"));

    // New and Delete at one window are seen at the other's next search or list.
    child<QLineEdit>(*first, "txtFind")->setText(QStringLiteral("SEAL-10"));
    child<QPushButton>(*first, "cmdNew")->click();
    search(*second, QStringLiteral("seal"));
    EXPECT_EQ(column(b, 3), QStringList({u"SEAL-10"_s, u"SEAL-9"_s}));
    EXPECT_EQ(column(b, 5), QStringList({u""_s, u"Z-99"_s}));

    ui.answers = {MsgAnswer::Yes};
    search(*first, QStringLiteral("GSK-200"));
    QTest::keyClick(a, Qt::Key_Delete);
    child<QAction>(*second, "mnuShowAllRecords")->trigger();
    EXPECT_EQ(column(b, 3), QStringList({u"BLT-7"_s, u"GSK-100"_s, u"SEAL-10"_s, u"SEAL-9"_s}));
    EXPECT_EQ(status(*second), QStringLiteral("4 records"));
    EXPECT_TRUE(ui.messages().size() == 1) << "only the delete question";
}

TEST_F(ServerWindow, EachWindowSeesTheOthersChangesInTheHistoryAndNeverUndoesOverThem)
{
    auto first = open();
    auto second = open();
    FlexGrid *a = first->grid1();
    FlexGrid *b = second->grid1();
    const auto bin = [&] { return sql("SELECT bin FROM parts WHERE partnumber = 'BLT-7'"); };
    const auto undo = [](frmParts &w) { child<QAction>(w, "mnuUndo")->trigger(); };
    for (frmParts *w : {first.get(), second.get()}) {
        child<QLineEdit>(*w, "txtFind")->setText(QStringLiteral("BLT-7"));
        child<QPushButton>(*w, "cmdNew")->click();
        ASSERT_TRUE(w->recordView());
    }
    editValue(a, QStringLiteral("Bin"), QStringLiteral("X-1"));
    editValue(b, QStringLiteral("Bin"), QStringLiteral("Y-2"));

    // The first window's history shows the second's change, with the database user.
    child<QAction>(*first, "mnuHistory")->trigger();
    ASSERT_EQ(ui.lastTable.rows.size(), 2);
    EXPECT_EQ(ui.lastTable.rows[0].mid(2), QStringList({u"Bin"_s, u"X-1"_s, u"Y-2"_s}));
    EXPECT_TRUE(ui.lastTable.rows[0][1].contains(sql("SELECT current_user")));

    // Its undo would overwrite the second's later change: refused, with who and when.
    undo(*first);
    EXPECT_EQ(bin(), QStringLiteral("Y-2"));
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].text.contains(QStringLiteral("It was changed by ")))
        << ui.messages()[0].text.toStdString();

    // Once the second has undone its own, the first's undo goes through.
    undo(*second);
    EXPECT_EQ(bin(), QStringLiteral("X-1"));
    undo(*first);
    EXPECT_EQ(bin(), QStringLiteral("B-01"));
    EXPECT_EQ(a->textMatrix(recordRow(a, QStringLiteral("Bin")), 1), QStringLiteral("B-01"));
    EXPECT_EQ(sql("SELECT count(*) FROM parts_history"), QStringLiteral("4"));
    EXPECT_EQ(ui.messages().size(), 1);
}

TEST_F(ServerWindow, ASearchOnAStoppedServerIsReportedAndTheWindowGoesOn)
{
    OdbcWatchdog::setBound(std::chrono::seconds(2));
    const auto restore = qScopeGuard([] { OdbcWatchdog::setBound(std::chrono::seconds(15)); });
    auto w = open();
    FlexGrid *fg1 = w->grid1();
    ASSERT_EQ(status(*w), QStringLiteral("4 records"));
    {
        const PgTestServer::Pause pause(*server);
        QElapsedTimer clock;
        clock.start();
        search(*w, QStringLiteral("gasket"));
        EXPECT_LT(clock.elapsed(), 6000);
        ASSERT_EQ(ui.messages().size(), 1) << "the report only, no question to add the part";
        EXPECT_TRUE(ui.messages()[0].text.startsWith(QStringLiteral("Error in LoadArray\r\n")))
            << ui.messages()[0].text.toStdString();
        EXPECT_EQ(ui.messages()[0].title, QStringLiteral("Orvana"));
        EXPECT_EQ(fg1->textMatrix(0, 0), QStringLiteral("No Records Found"));
        EXPECT_EQ(status(*w), QStringLiteral("0 records"));
    }
    // The event loop runs on, and the server, back, answers the next search.
    bool ran = false;
    QTimer::singleShot(0, w.get(), [&] { ran = true; });
    QTRY_VERIFY_WITH_TIMEOUT(ran, 2000);
    ui.clear();
    search(*w, QStringLiteral("gasket"));
    EXPECT_EQ(column(fg1, 3), QStringList({u"GSK-100"_s, u"GSK-200"_s}));
    EXPECT_TRUE(ui.messages().isEmpty());
}
