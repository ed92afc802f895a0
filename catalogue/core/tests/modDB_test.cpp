// SPDX-License-Identifier: MIT
#include "CatalogueDb.h"
#include "catalogue/core/modDB.h"
#include "catalogue/core/modGlobal.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace modDB;

namespace {

const QString kList =
    QStringLiteral("Select PartID, AsscWith as PartLink, PartNumber, PartDescription, Bin from PARTS");

QStringList column(const DataArray &data, int field)
{
    QStringList out;
    for (int r = 0; r < data.rowCount(); ++r)
        out << (data.isNull(field, r) ? QStringLiteral("<null>") : data.text(field, r));
    return out;
}

} // namespace

class LoadArrayOn : public EngineTest {};
ON_EVERY_ENGINE(LoadArrayOn);
class LookUpOn : public EngineTest {};
ON_EVERY_ENGINE(LookUpOn);
class DbCountOn : public EngineTest {};
ON_EVERY_ENGINE(DbCountOn);
class RunSQLOn : public EngineTest {};
ON_EVERY_ENGINE(RunSQLOn);

TEST_P(LoadArrayOn, ReadsEveryRowAndFieldInOrderWithNulls)
{
    CatalogueDb db(0, GetParam());
    DataArray data;
    QStringList names;
    ASSERT_EQ(LoadArray(kList + QStringLiteral(" ORDER BY 3"), data, names), 0) << db.shown();
    EXPECT_EQ(names,
              QStringList({u"PartID"_s, u"PartLink"_s, u"PartNumber"_s, u"PartDescription"_s, u"Bin"_s}));
    ASSERT_TRUE(data.isArray());
    EXPECT_EQ(data.fieldCount(), 5);
    EXPECT_EQ(column(data, 2), QStringList({u"BRG-6204"_s, u"FLT-10"_s, u"O'RING-18"_s, u"SEAL-35"_s}));
    EXPECT_EQ(column(data, 0), QStringList({u"1000001"_s, u"1000004"_s, u"1000003"_s, u"1000002"_s}));
    EXPECT_EQ(column(data, 1), QStringList({u"<null>"_s, u"<null>"_s, u"BRG-6204"_s, u"BRG-6204"_s}));
    // Values come as stored: no trimming on the way out.
    EXPECT_EQ(data.text(4, 2), QStringLiteral("  B-7  "));
    EXPECT_EQ(data.text(3, 1), QString());
    EXPECT_TRUE(data.isNull(3, 1));
    for (const auto &c : db.ui.calls)
        ADD_FAILURE() << c.text.toStdString();
}

TEST_P(LoadArrayOn, SearchesCaseInsensitivelyAndKeepsTextExactly)
{
    CatalogueDb db(0, GetParam());
    db.exec(QStringLiteral(
        "INSERT INTO PARTS (PartNumber, PartDescription) VALUES ('ÜBER-1', 'Größe ''XL'' 😀')"));
    DataArray data;
    QStringList names;
    ASSERT_EQ(
        LoadArray(kList + QStringLiteral(
                              " where PartNumber LIKE '%Über-%' OR PartDescription LIKE '%seal%' ORDER BY 3"),
                  data, names),
        0);
    EXPECT_EQ(column(data, 2), QStringList({u"SEAL-35"_s, u"ÜBER-1"_s}));
    EXPECT_EQ(data.text(3, 1), QStringLiteral("Größe 'XL' 😀"));
    // A backslash is a plain character and the wildcards keep their meaning.
    db.exec(QStringLiteral("UPDATE PARTS SET Bin = 'C:\\x_1' WHERE PartID = 1000004"));
    ASSERT_EQ(
        LoadArray(QStringLiteral("Select PartNumber from PARTS where Bin LIKE 'c:\\X%' OR Bin LIKE 'a_01' "
                                 "ORDER BY 1"),
                  data, names),
        0);
    EXPECT_EQ(column(data, 0), QStringList({u"BRG-6204"_s, u"FLT-10"_s}));
    EXPECT_TRUE(db.ui.calls.isEmpty());
}

TEST_P(LoadArrayOn, EmptyResultIsNoArrayAndKeepsTheStructure)
{
    CatalogueDb db(0, GetParam());
    DataArray data;
    QStringList names;
    ASSERT_EQ(LoadArray(QStringLiteral("Select PartNumber from PARTS where PartID = 1000001"), data, names),
              0);
    ASSERT_EQ(g_Structure.fieldCount(), 1);

    // A caller's old result must not survive an empty one.
    ASSERT_EQ(LoadArray(QStringLiteral("Select * from PARTS where PartNumber = 'nothing'"), data, names), 0);
    EXPECT_FALSE(data.isArray());
    EXPECT_EQ(data.rowCount(), 0);
    EXPECT_EQ(data.fieldCount(), 0);
    EXPECT_TRUE(names.isEmpty());
    EXPECT_EQ(g_Structure.fieldCount(), 1);
    EXPECT_EQ(g_Structure.at(0, 0), QStringLiteral("PartNumber"));
}

TEST_P(LoadArrayOn, StructureBeforeAnyRowIsNoArray)
{
    CatalogueDb db(0, GetParam());
    DataArray data;
    QStringList names;
    ASSERT_EQ(LoadArray(QStringLiteral("Select * from PARTS where PartID = -5"), data, names), 0);
    EXPECT_FALSE(g_Structure.isArray());
}

TEST_P(LoadArrayOn, RecordViewStructureListsEveryColumnInTableOrder)
{
    CatalogueDb db(0, GetParam());
    DataArray data;
    QStringList names;
    ASSERT_EQ(LoadArray(QStringLiteral("Select * from parts where PartID = 1000002"), data, names), 0);
    ASSERT_EQ(data.rowCount(), 1);
    struct Want {
        const char *name, *type, *size;
    };
    const Want want[] = {{"PartID", "3", "4"},         {"AsscWith", "202", "50"},
                         {"PartNumber", "202", "50"},  {"PartDescription", "202", "255"},
                         {"Bin", "202", "20"},         {"Qty", "3", "4"},
                         {"Price", "6", "8"},          {"LastOrdered", "7", "8"},
                         {"Notes", "203", "536870910"}};
    ASSERT_EQ(g_Structure.fieldCount(), 9);
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(want[i].name);
        EXPECT_EQ(g_Structure.at(0, i), QLatin1String(want[i].name));
        EXPECT_EQ(g_Structure.at(1, i), QLatin1String(want[i].type));
        EXPECT_EQ(g_Structure.at(2, i), QLatin1String(want[i].size));
        EXPECT_EQ(g_Structure.at(3, i), QString());
        EXPECT_EQ(g_Structure.at(4, i), QString());
    }
    EXPECT_EQ(data.text(8, 0), QStringLiteral("fits both sides"));
    EXPECT_EQ(data.text(6, 0), db.onServer() ? QStringLiteral("1.2500") : QStringLiteral("1.25"));
}

TEST_P(LookUpOn, FindsTrimmedValuesNullsAndNothing)
{
    CatalogueDb db(0, GetParam());
    EXPECT_EQ(LookUp(QStringLiteral("PARTS"), QStringLiteral("Bin"), QStringLiteral("PartID = 1000003")),
              QStringLiteral("B-7"));
    EXPECT_EQ(LookUp(QStringLiteral("PARTS"), QStringLiteral("PartDescription"),
                     QStringLiteral("PartID = 1000004")),
              QString());
    // Equality compares as the database does: without regard to case in the default
    // catalogue, exactly on the server.
    EXPECT_EQ(LookUp(QStringLiteral("PARTS"), QStringLiteral("PartID"),
                     QStringLiteral("PartNumber = '") + SQLQuote(QStringLiteral("o'ring-18")) + u'\''),
              db.onServer() ? QStringLiteral("-1") : QStringLiteral("1000003"));
    EXPECT_EQ(LookUp(QStringLiteral("PARTS"), QStringLiteral("PARTID"),
                     QStringLiteral("PartNumber = '") + SQLQuote(QStringLiteral("O'RING-18")) + u'\''),
              QStringLiteral("1000003"));
    EXPECT_EQ(
        LookUp(QStringLiteral("PARTS"), QStringLiteral("PartID"), QStringLiteral("PartNumber = 'NONE'")),
        QStringLiteral("-1"));
    // TOP 1 of several matches gives one of them, not a failure.
    EXPECT_EQ(
        LookUp(QStringLiteral("PARTS"), QStringLiteral("AsscWith"), QStringLiteral("AsscWith = 'BRG-6204'")),
        QStringLiteral("BRG-6204"));
    EXPECT_TRUE(db.ui.calls.isEmpty());
}

TEST_P(DbCountOn, CountsAllOrByCriterion)
{
    CatalogueDb db(50, GetParam());
    EXPECT_EQ(dbCount(QStringLiteral("PARTS"), QString()), 54);
    EXPECT_EQ(dbCount(QStringLiteral("PARTS"), QStringLiteral("AsscWith = 'BRG-6204'")), 2);
    EXPECT_EQ(dbCount(QStringLiteral("PARTS"), QStringLiteral("PartID < 0")), 0);
    EXPECT_EQ(dbCount(QStringLiteral("PARTS"), QStringLiteral("NoSuchColumn = 1")), -1);
    ASSERT_EQ(db.ui.messages().size(), 1);
    const QString report = db.ui.messages()[0].text;
    if (db.onServer())
        EXPECT_TRUE(
            report.startsWith(QStringLiteral("Error in dbCount\r\n     ERROR: column \"nosuchcolumn\" does "
                                             "not exist")))
            << report.toStdString();
    else
        EXPECT_TRUE(report.startsWith(QStringLiteral(
            "Error in dbCount\r\n     no such column: NoSuchColumn\r\n     1\r\n     SQLite\r\n")));
    EXPECT_TRUE(report.endsWith(
        QStringLiteral("     SELECT COUNT(*) FROM PARTS WHERE NoSuchColumn = 1\r\n"
                       "     Open Recordset: SELECT COUNT(*) FROM PARTS WHERE NoSuchColumn = 1")))
        << report.toStdString();
}

// SQLite keeps a column's values in whatever class each row gave it; each cell reads as the
// engine's own text of it, integers at their limits included.
TEST(LoadArray, EachCellReadsAsTheEnginePrintsItWhateverItsClass)
{
    CatalogueDb db;
    ASSERT_EQ(RunSQL(u"CREATE TABLE Mixed (n INTEGER, v)"_s), 0);
    ASSERT_EQ(
        RunSQL(u"INSERT INTO Mixed VALUES (1, -9223372036854775808), (2, 9223372036854775807), (3, 0), "
               "(4, -1), (5, '007'), (6, 2.5), (7, NULL), (8, x'414243'), (9, 'ab' || char(0) || 'c')"_s),
        0);
    DataArray data;
    QStringList names;
    ASSERT_EQ(LoadArray(u"SELECT v, CAST(v AS TEXT), typeof(v) FROM Mixed ORDER BY n"_s, data, names), 0);
    ASSERT_EQ(data.rowCount(), 9);
    for (int r = 0; r < data.rowCount(); ++r)
        EXPECT_EQ(data.text(0, r), data.text(1, r)) << data.text(2, r).toStdString() << " in row " << r;
    EXPECT_EQ(data.text(0, 0), u"-9223372036854775808"_s);
    EXPECT_EQ(data.text(0, 4), u"007"_s);
    EXPECT_TRUE(data.isNull(0, 6));
    EXPECT_EQ(data.utf8(0, 8).size(), 4u); // the NUL is kept, not an end
    for (const auto &c : db.ui.calls)
        ADD_FAILURE() << c.text.toStdString();
}

TEST(SQLQuote, DoublesEveryApostropheOnly)
{
    EXPECT_EQ(SQLQuote(QStringLiteral("O'Brien's")), QStringLiteral("O''Brien''s"));
    EXPECT_EQ(SQLQuote(QStringLiteral("''")), QStringLiteral("''''"));
    EXPECT_EQ(SQLQuote(QStringLiteral("50% _off_ \"x\"")), QStringLiteral("50% _off_ \"x\""));
    EXPECT_EQ(SQLQuote(QString()), QString());
}

TEST_P(RunSQLOn, WritesApostrophesIntact)
{
    CatalogueDb db(0, GetParam());
    const QString value = QStringLiteral("Don't 'quote' me''");
    ASSERT_EQ(RunSQL(QStringLiteral("UPDATE PARTS SET PartDescription = '") + SQLQuote(value) +
                     QStringLiteral("' WHERE PartID = 1000001")),
              0);
    EXPECT_EQ(db.one(QStringLiteral("SELECT PartDescription FROM PARTS WHERE PartID = 1000001")), value);
    ASSERT_EQ(RunSQL(QStringLiteral("DELETE FROM PARTS WHERE PartID IN (1000001, 1000002)")), 0);
    EXPECT_EQ(db.one(QStringLiteral("SELECT COUNT(*) FROM PARTS")), QStringLiteral("2"));
}

TEST(RunSQL, FailureReportGoesToTheLogAndTheUser)
{
    CatalogueDb db;
    const QString sql = QStringLiteral("UPDATE PARTZ SET Bin = 'x'");
    EXPECT_EQ(RunSQL(sql), -1);
    const QString report =
        QStringLiteral("Error in RunSQL\r\n     no such table: PARTZ\r\n     1\r\n     SQLite\r\n"
                       "     UPDATE PARTZ SET Bin = 'x'\r\n     Execute SQL: UPDATE PARTZ SET Bin = 'x'");
    ASSERT_EQ(db.ui.messages().size(), 1);
    const auto m = db.ui.messages()[0];
    EXPECT_EQ(m.text, report);
    EXPECT_EQ(m.title, QStringLiteral("Orvana"));
    EXPECT_EQ(m.icon, MsgIcon::Exclamation);
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
    // Stamped first line, then the report's lines, each ended by CR LF.
    const QString log = db.log();
    EXPECT_TRUE(log.endsWith(QStringLiteral(" - ") + report + QStringLiteral("\r\n"))) << log.toStdString();
}

TEST(RunSQL, UnwritableLogStillShowsTheReportAndFails)
{
    CatalogueDb db;
    g_LogFolder = db.env.path(QStringLiteral("no/such/folder"));
    EXPECT_EQ(RunSQL(QStringLiteral("DELETE FROM nowhere")), -1);
    ASSERT_EQ(db.ui.messages().size(), 1);
    EXPECT_TRUE(db.ui.messages()[0].text.startsWith(QStringLiteral("Error in RunSQL\r\n")));
    EXPECT_TRUE(db.ui.messages()[0].text.contains(QStringLiteral("log file")));
}

TEST(BadDatabase, EachOperationReportsAndReturnsItsFailureValue)
{
    CatalogueDb db;
    struct Case {
        const char *what;
        QString connect;
        const char *description;
    };
    TestEnv::writeFile(db.env.path(QStringLiteral("notadb.mdb")), QByteArray(4096, 'x'));
    const QString empty = db.env.path(QStringLiteral("empty.db"));
    QFile::copy(db.path, empty);
    CatalogueDb::execOn(empty, QStringLiteral("DROP TABLE PARTS"));
    const Case cases[] = {
        {"missing file", CatalogueDb::connectTo(db.env.path(QStringLiteral("missing.mdb"))),
         "Could not find file"},
        {"not a database", CatalogueDb::connectTo(db.env.path(QStringLiteral("notadb.mdb"))),
         "file is not a database"},
        {"no PARTS table", CatalogueDb::connectTo(empty), "no such table: PARTS"},
        {"no data source", QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;"), "names no database file"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        g_DbConnect = c.connect;
        db.ui.clear();
        DataArray data;
        QStringList names;
        EXPECT_EQ(LoadArray(kList, data, names), -1);
        EXPECT_FALSE(data.isArray());
        EXPECT_TRUE(names.isEmpty());
        EXPECT_EQ(RunSQL(QStringLiteral("DELETE FROM PARTS")), -1);
        EXPECT_EQ(LookUp(QStringLiteral("PARTS"), QStringLiteral("Bin"), QStringLiteral("PartID = 1")),
                  QStringLiteral("-1"));
        EXPECT_EQ(dbCount(QStringLiteral("PARTS"), QString()), -1);
        const auto m = db.ui.messages();
        ASSERT_EQ(m.size(), 4);
        EXPECT_TRUE(m[0].text.startsWith(QStringLiteral("Error in LoadArray\r\n     ")))
            << m[0].text.toStdString();
        EXPECT_TRUE(m[1].text.startsWith(QStringLiteral("Error in RunSQL\r\n")));
        EXPECT_TRUE(m[2].text.startsWith(QStringLiteral("Error in LookUp\r\n")));
        EXPECT_TRUE(m[3].text.startsWith(QStringLiteral("Error in dbCount\r\n")));
        for (const auto &call : m)
            EXPECT_TRUE(call.text.contains(QLatin1String(c.description))) << call.text.toStdString();
        EXPECT_TRUE(m[0].text.endsWith(QStringLiteral("\r\n") + c.connect + QStringLiteral("\r\n") + kList));
    }
    // Nothing was created or written by any of it.
    EXPECT_FALSE(QFile::exists(db.env.path(QStringLiteral("missing.mdb"))));
    EXPECT_EQ(TestEnv::readFile(db.env.path(QStringLiteral("notadb.mdb"))), QByteArray(4096, 'x'));
}

// The statement prepares but fails at its first row: it must still be finalized, or the
// connection stays open behind it.
TEST(BadDatabase, AStatementFailingAtItsFirstRowLeavesNoConnectionOpen)
{
    CatalogueDb db;
    const auto openFiles = [] {
        return QDir(QStringLiteral("/proc/self/fd"))
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
            .size();
    };
    const qsizetype before = openFiles();
    const QString overflow = QStringLiteral("Select abs(-9223372036854775807 - 1) from PARTS");
    DataArray data;
    QStringList names;
    EXPECT_EQ(LoadArray(overflow, data, names), -1);
    EXPECT_EQ(RunSQL(overflow), -1);
    EXPECT_EQ(openFiles(), before);
    ASSERT_EQ(db.ui.messages().size(), 2);
    EXPECT_TRUE(db.ui.messages()[0].text.contains(QStringLiteral("integer overflow")));
}

TEST(BadDatabase, LockedByAnotherProgramWaitsThenReports)
{
    CatalogueDb db;
    QProcess holder;
    holder.start(QStringLiteral("sqlite3"), {db.path});
    ASSERT_TRUE(holder.waitForStarted());
    holder.write("BEGIN EXCLUSIVE;\nUPDATE PARTS SET Bin = 'held';\n.print locked\n");
    while (!holder.readAllStandardOutput().contains("locked"))
        ASSERT_TRUE(holder.waitForReadyRead(5000));

    DataArray data;
    QStringList names;
    EXPECT_EQ(LoadArray(kList, data, names), -1);
    EXPECT_EQ(RunSQL(QStringLiteral("UPDATE PARTS SET Bin = 'mine'")), -1);
    const auto m = db.ui.messages();
    ASSERT_EQ(m.size(), 2);
    EXPECT_TRUE(m[0].text.contains(QStringLiteral("database is locked")));
    EXPECT_TRUE(m[1].text.contains(QStringLiteral("database is locked")));

    holder.write("ROLLBACK;\n.quit\n");
    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(5000));
    EXPECT_EQ(db.one(QStringLiteral("SELECT COUNT(*) FROM PARTS WHERE Bin IN ('held', 'mine')")),
              QStringLiteral("0"));
}

TEST(DataArray, AtItsLimitRefusesTextButTakesNullsEachInItsOwnCell)
{
    DataArray a(8); // the rule of the 4 GiB limit, on a size a test can reach
    a.start(3);
    EXPECT_TRUE(a.append("12345678"));
    EXPECT_TRUE(a.appendNull()); // a null adds no text
    EXPECT_FALSE(a.append("x"));
    EXPECT_TRUE(a.appendNull());
    a.endRow();
    ASSERT_EQ(a.rowCount(), 1);
    EXPECT_EQ(a.text(0, 0), QStringLiteral("12345678"));
    EXPECT_FALSE(a.isNull(0, 0));
    EXPECT_TRUE(a.isNull(1, 0));
    EXPECT_TRUE(a.isNull(2, 0));
    // The limit outlives clear().
    a.start(1);
    EXPECT_FALSE(a.append("123456789"));
}

TEST(DataArray, KeepsNullsEmptyTextsAndLongCellsApart)
{
    DataArray a;
    a.start(3);
    const std::string longText(100000, 'z');
    for (int r = 0; r < 70; ++r) { // more cells than one null word holds
        a.append(std::to_string(r));
        if (r % 3 == 0)
            a.appendNull();
        else
            a.append("");
        a.append(r == 69 ? std::string_view(longText) : std::string_view("x"));
        a.endRow();
    }
    ASSERT_EQ(a.rowCount(), 70);
    ASSERT_EQ(a.fieldCount(), 3);
    for (int r = 0; r < 70; ++r) {
        EXPECT_EQ(a.text(0, r), QString::number(r));
        EXPECT_FALSE(a.isNull(0, r));
        EXPECT_EQ(a.isNull(1, r), r % 3 == 0);
        EXPECT_EQ(a.text(1, r), QString());
    }
    EXPECT_EQ(a.utf8(2, 69).size(), longText.size());
    a.clear();
    EXPECT_FALSE(a.isArray());
}

TEST_P(RunSQLOn, RunsOneStatementAndRefusesWhatFollowsIt)
{
    CatalogueDb db(0, GetParam());
    EXPECT_EQ(RunSQL(QStringLiteral("UPDATE PARTS SET Bin = 'one' WHERE PartID = 1000001; ")), 0);
    EXPECT_EQ(
        RunSQL(QStringLiteral("UPDATE PARTS SET Bin = 'two' WHERE PartID = 1000001; DELETE FROM PARTS")), -1);
    DataArray data;
    QStringList names;
    EXPECT_EQ(LoadArray(QStringLiteral("Select * from PARTS; DELETE FROM PARTS"), data, names), -1);
    EXPECT_EQ(db.one(QStringLiteral("SELECT Bin FROM PARTS WHERE PartID = 1000001")), QStringLiteral("one"));
    EXPECT_EQ(db.one(QStringLiteral("SELECT COUNT(*) FROM PARTS")), QStringLiteral("4"));
    ASSERT_EQ(db.ui.messages().size(), 2);
    EXPECT_TRUE(
        db.ui.messages()[0].text.contains(QStringLiteral("Characters found after end of SQL statement.")));
}

TEST(RunSQL, AStatementWithANulOrALoneSurrogateIsRefusedWhole)
{
    CatalogueDb db;
    // Cut at the NUL, the first would delete every part.
    const QString cut =
        QStringLiteral("DELETE FROM PARTS") + QChar(u'\0') + QStringLiteral(" WHERE PartID = 1000004");
    EXPECT_EQ(RunSQL(cut), -1);
    DataArray data;
    QStringList names;
    EXPECT_EQ(LoadArray(QStringLiteral("Select * from PARTS") + QChar(u'\0') + QStringLiteral(" where 0"),
                        data, names),
              -1);
    EXPECT_FALSE(data.isArray());
    EXPECT_EQ(LookUp(QStringLiteral("PARTS"), QStringLiteral("PartID"),
                     QStringLiteral("PartNumber = 'x") + QChar(u'\0') + u'\''),
              QStringLiteral("-1"));
    EXPECT_EQ(RunSQL(QStringLiteral("UPDATE PARTS SET Bin = '") + QChar(0xD800) +
                     QStringLiteral("' WHERE PartID = 1000001")),
              -1);
    EXPECT_EQ(db.one(QStringLiteral("SELECT COUNT(*) || Bin FROM PARTS WHERE PartID = 1000001")),
              QStringLiteral("1A-01"));
    EXPECT_EQ(db.one(QStringLiteral("SELECT COUNT(*) FROM PARTS")), QStringLiteral("4"));
    const auto messages = db.ui.messages();
    ASSERT_EQ(messages.size(), 4);
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("Error in RunSQL")));
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("NUL character")));
    EXPECT_TRUE(messages[1].text.startsWith(QStringLiteral("Error in LoadArray")));
    EXPECT_TRUE(messages[2].text.startsWith(QStringLiteral("Error in LookUp")));
    EXPECT_TRUE(messages[3].text.contains(QStringLiteral("not valid Unicode")));
}
