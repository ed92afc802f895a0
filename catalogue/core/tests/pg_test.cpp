// SPDX-License-Identifier: MIT
#include "CatalogueDb.h"
#include "catalogue/core/OdbcWatchdog.h"
#include "catalogue/core/PgDialect.h"
#include "catalogue/core/UpdateField.h"
#include "catalogue/core/modDB.h"
#include "catalogue/core/modGlobal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

using namespace Qt::StringLiterals;

using namespace modDB;

TEST(PgDialect, StatementsTakeTheServersForm)
{
    struct Case {
        const char *written, *server;
    };
    const Case cases[] = {
        {"SELECT TOP 1 [PARTID] FROM PARTS WHERE PartNumber='a[b]'",
         "SELECT PARTID FROM PARTS WHERE PartNumber='a[b]' LIMIT 1"},
        {"Select PartID from PARTS where PartNumber LIKE '%gasket%' OR PartDescription like '%it''s like%' "
         "ORDER BY 3",
         "Select PartID from PARTS where PartNumber ILIKE '%gasket%' ESCAPE '' OR PartDescription ILIKE "
         "'%it''s like%' ESCAPE '' ORDER BY 3"},
        {"UPDATE PARTS SET [Part No] = 'x' WHERE [Unlike] NOT LIKE 'y' ESCAPE '!'",
         "UPDATE PARTS SET \"Part No\" = 'x' WHERE Unlike NOT ILIKE 'y' ESCAPE '!'"},
        {"UPDATE PARTS SET [Bin] = 'C:\\x;y' WHERE PartID = 7;  ",
         "UPDATE PARTS SET Bin = 'C:\\x;y' WHERE PartID = 7"},
        {"select \"LIKE\" from t where a like b", "select \"LIKE\" from t where a ILIKE b"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(PgDialect::statement(QString::fromUtf8(c.written)), QString::fromUtf8(c.server))
            << c.written;
    EXPECT_THROW(
        PgDialect::statement(QStringLiteral("DELETE FROM PARTS WHERE PartID = 1; DELETE FROM PARTS")),
        DbError);
}

TEST(PgDialect, HeadingsKeepTheStatementsSpelling)
{
    const QString sql =
        QStringLiteral("Select PartID, AsscWith as PartLink, PartNumber, PartDescription, Bin, qty "
                       "from PARTS where PartNumber LIKE 'partdescription'");
    EXPECT_EQ(PgDialect::heading(QStringLiteral("partlink"), sql), QStringLiteral("PartLink"));
    EXPECT_EQ(PgDialect::heading(QStringLiteral("partdescription"), sql), QStringLiteral("PartDescription"));
    EXPECT_EQ(PgDialect::heading(QStringLiteral("qty"), sql), QStringLiteral("qty"));
    // Not in the statement: the standard table's spelling, else as the server gives it.
    EXPECT_EQ(PgDialect::heading(QStringLiteral("lastordered"), QStringLiteral("Select * from parts")),
              QStringLiteral("LastOrdered"));
    EXPECT_EQ(PgDialect::heading(QStringLiteral("colour"), QStringLiteral("Select * from parts")),
              QStringLiteral("colour"));
    // Quoted at creation: the table's own spelling stands.
    EXPECT_EQ(PgDialect::heading(QStringLiteral("Colour"), QStringLiteral("Select colour from parts")),
              QStringLiteral("Colour"));
}

TEST(PgServer, HeadingsOfTheDisplayFieldListAsTypedAndAnUnreachableServerReported)
{
    SKIP_WITHOUT_ENGINE(Engine::PostgreSQL);
    CatalogueDb db(0, Engine::PostgreSQL);
    DataArray data;
    QStringList names;
    ASSERT_EQ(
        LoadArray(QStringLiteral("Select PartID, AsscWith as PartLink, PartNumber, bin, PARTDESCRIPTION "
                                 "from PARTS where partnumber like '%rInG%' Order By 3"),
                  data, names),
        0)
        << db.shown();
    EXPECT_EQ(names,
              QStringList({u"PartID"_s, u"PartLink"_s, u"PartNumber"_s, u"bin"_s, u"PARTDESCRIPTION"_s}));
    EXPECT_EQ(data.text(2, 0), QStringLiteral("O'RING-18"));
    EXPECT_EQ(g_Structure.at(0, 4), QStringLiteral("PARTDESCRIPTION"));

    const QString down = g_DbConnect + QStringLiteral(";Port=1");
    g_DbConnect = down;
    EXPECT_EQ(RunSQL(QStringLiteral("DELETE FROM PARTS")), -1);
    ASSERT_EQ(db.ui.messages().size(), 1);
    EXPECT_TRUE(db.ui.messages()[0].text.startsWith(QStringLiteral("Error in RunSQL\r\n")));
    EXPECT_TRUE(db.ui.messages()[0].text.contains(QStringLiteral("onnection refused"))) << db.shown();
    EXPECT_EQ(db.one(QStringLiteral("SELECT count(*) FROM PARTS")), QStringLiteral("4"));
}

TEST(PgServer, KindsOfAHandMadeTableReportAsTheDefaultCatalogues)
{
    SKIP_WITHOUT_ENGINE(Engine::PostgreSQL);
    CatalogueDb db(0, Engine::PostgreSQL);
    db.exec(QStringLiteral(
        "ALTER TABLE PARTS ADD COLUMN Code char(6), ADD COLUMN Free varchar, ADD COLUMN Big bigint, ADD "
        "COLUMN "
        "Small smallint, ADD COLUMN Cost numeric(10,2), ADD COLUMN Ratio numeric(12,6), ADD COLUMN Fee "
        "money, "
        "ADD COLUMN Due date, ADD COLUMN Seen timestamptz, ADD COLUMN Done boolean, ADD COLUMN Weight real"));
    DataArray data;
    QStringList names;
    ASSERT_EQ(LoadArray(QStringLiteral("Select * from parts where PartID = 1000001"), data, names), 0)
        << db.shown();
    QStringList kinds;
    for (int i = 9; i < g_Structure.fieldCount(); ++i)
        kinds << g_Structure.at(0, i) + u'=' + g_Structure.at(1, i) + u'/' + g_Structure.at(2, i);
    // A varchar without a length reports the driver's default size; more decimals than
    // currency has, a real and a boolean are kinds the typed update does not know, as in the
    // default catalogue.
    EXPECT_EQ(kinds.join(u' '),
              QStringLiteral("code=202/6 free=202/255 big=3/4 small=3/4 cost=6/8 ratio=131/19 fee=6/8 "
                             "due=7/8 seen=7/8 done=11/2 weight=5/8"));
    // Headings the statement does not name stay as the server gives them.
    EXPECT_EQ(names.at(9), QStringLiteral("code"));
}

TEST(PgServer, BackslashesStayInsideTheirLiteralWhateverTheServersSetting)
{
    SKIP_WITHOUT_ENGINE(Engine::PostgreSQL);
    CatalogueDb db(0, Engine::PostgreSQL);
    // A server that still takes backslashes in literals as escapes.
    db.exec(QStringLiteral("ALTER DATABASE ") + db.database +
            QStringLiteral(" SET standard_conforming_strings = off"));
    const QString typed = QStringLiteral("C:\\' OR 'x'='x");
    ASSERT_EQ(RunSQL(QStringLiteral("UPDATE PARTS SET Bin = '") + SQLQuote(typed) +
                     QStringLiteral("' WHERE PartID = 1000004")),
              0)
        << db.shown();
    EXPECT_EQ(db.one(QStringLiteral("SELECT Bin FROM PARTS WHERE PartID = 1000004")), typed);
    DataArray data;
    QStringList names;
    ASSERT_EQ(LoadArray(QStringLiteral("Select PartNumber from PARTS where Bin LIKE '%") + SQLQuote(typed) +
                            QStringLiteral("%'"),
                        data, names),
              0)
        << db.shown();
    ASSERT_EQ(data.rowCount(), 1);
    EXPECT_EQ(data.text(0, 0), QStringLiteral("FLT-10"));
}

namespace {

// A short bound for the tests, the program's again afterwards.
struct ShortBound {
    explicit ShortBound(std::chrono::milliseconds bound) { OdbcWatchdog::setBound(bound); }
    ~ShortBound() { OdbcWatchdog::setBound(kProgramBound); }
    static constexpr std::chrono::milliseconds kProgramBound{15000};
};

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

const QString kSearch =
    QStringLiteral("Select PartID, AsscWith as PartLink, PartNumber, PartDescription, Bin "
                   "from PARTS where PartNumber LIKE '%SEAL%' ORDER BY 3");

} // namespace

TEST(PgStopped, EveryCallOnAStoppedServerIsReportedWithinTheBoundAndTheNextOneWorks)
{
    SKIP_WITHOUT_ENGINE(Engine::PostgreSQL);
    CatalogueDb db(0, Engine::PostgreSQL);
    EXPECT_EQ(OdbcWatchdog::bound(), ShortBound::kProgramBound);
    const ShortBound bound(std::chrono::seconds(2));
    DataArray data;
    QStringList names;
    ASSERT_EQ(LoadArray(QStringLiteral("Select * from parts where PartID = 1000001"), data, names), 0)
        << db.shown();
    db.ui.clear();
    {
        const PgTestServer::Pause pause(*db.server);
        const struct {
            const char *report;
            std::function<bool()> call;
        } calls[] = {
            {"Error in LoadArray\r\n",
             [&] { return LoadArray(kSearch, data, names) == -1 && !data.isArray(); }},
            {"Error in RunSQL\r\n", [] { return RunSQL(QStringLiteral("DELETE FROM PARTS")) == -1; }},
            // The typed update reports through the statement it runs.
            {"Error in RunSQL\r\n",
             [] {
                 UpdateField(1000001, QStringLiteral("Bin"), QStringLiteral("Z-9"));
                 return true;
             }},
            {"Error in LookUp\r\n",
             [] {
                 return LookUp(QStringLiteral("PARTS"), QStringLiteral("PartID"),
                               QStringLiteral("PartNumber = 'SEAL-35'")) == QStringLiteral("-1");
             }},
        };
        for (const auto &c : calls) {
            SCOPED_TRACE(c.report);
            db.ui.clear();
            const auto start = std::chrono::steady_clock::now();
            EXPECT_TRUE(c.call());
            EXPECT_LT(secondsSince(start), 6.0);
            ASSERT_GE(db.ui.messages().size(), 1u);
            const auto m = db.ui.messages().last();
            EXPECT_TRUE(m.text.startsWith(QLatin1String(c.report))) << db.shown();
            EXPECT_TRUE(m.text.contains(QStringLiteral("timeout expired\r\n     101\r\n"))) << db.shown();
            EXPECT_EQ(m.icon, MsgIcon::Exclamation);
        }
    }
    db.ui.clear();
    ASSERT_EQ(LoadArray(kSearch, data, names), 0) << db.shown();
    EXPECT_EQ(data.text(2, 0), QStringLiteral("SEAL-35"));
    EXPECT_EQ(db.one(QStringLiteral("SELECT Bin FROM PARTS WHERE PartID = 1000001")), QStringLiteral("A-01"));
    EXPECT_TRUE(db.ui.messages().isEmpty()) << db.shown();
}

TEST(PgStopped, AServerStoppedWhileItWorksOnAStatementIsCutOffAfterTheBound)
{
    SKIP_WITHOUT_ENGINE(Engine::PostgreSQL);
    CatalogueDb db(0, Engine::PostgreSQL);
    const ShortBound bound(std::chrono::seconds(2));
    const QString slow = QStringLiteral("Select PartNumber, pg_sleep(1) from PARTS Order By 1");
    DataArray data;
    QStringList names;
    for (const char *routine : {"LoadArray", "RunSQL"}) {
        SCOPED_TRACE(routine);
        db.ui.clear();
        const auto start = std::chrono::steady_clock::now();
        {
            // Connected and the statement sent by then: the backend stops in the middle of it.
            const PgTestServer::Pause pause(*db.server, std::chrono::milliseconds(700));
            if (routine == std::string("LoadArray"))
                EXPECT_EQ(LoadArray(slow, data, names), -1);
            else
                EXPECT_EQ(RunSQL(slow), -1);
            EXPECT_LT(secondsSince(start), 6.0);
        }
        ASSERT_EQ(db.ui.messages().size(), 1) << db.shown();
        const QString text = db.ui.messages()[0].text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("Error in ") + QLatin1String(routine))) << db.shown();
        EXPECT_TRUE(text.contains(QStringLiteral("The database server did not answer within 2 seconds.")))
            << db.shown();
        EXPECT_TRUE(!data.isArray());
    }
    // A statement the running server takes its time over, within the bound, is not cut off.
    db.ui.clear();
    ASSERT_EQ(
        LoadArray(QStringLiteral("Select PartNumber, pg_sleep(0.3) from PARTS Order By 1"), data, names), 0)
        << db.shown();
    EXPECT_EQ(data.rowCount(), 4);
}

TEST(PgStopped, ADataSourceWithItsOwnConnectTimeoutKeepsIt)
{
    SKIP_WITHOUT_ENGINE(Engine::PostgreSQL);
    CatalogueDb db(0, Engine::PostgreSQL);
    const ShortBound bound(std::chrono::seconds(2));
    g_DbConnect += QStringLiteral(";pqopt={connect_timeout=4}");
    EXPECT_EQ(dbCount(QStringLiteral("PARTS"), {}), 4) << db.shown();
    // Its own time-out, not ours, ends the log-on to the stopped server.
    const PgTestServer::Pause pause(*db.server);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(dbCount(QStringLiteral("PARTS"), {}), -1);
    EXPECT_GT(secondsSince(start), 3.5);
    EXPECT_LT(secondsSince(start), 8.0);
    ASSERT_EQ(db.ui.messages().size(), 1);
    EXPECT_TRUE(db.ui.messages()[0].text.contains(QStringLiteral("timeout expired"))) << db.shown();
}
