// SPDX-License-Identifier: MIT
#include "CatalogueDb.h"
#include "catalogue/core/PartHistory.h"
#include "catalogue/core/PartUndo.h"
#include "catalogue/core/UpdateField.h"
#include "catalogue/core/modDB.h"
#include "catalogue/core/modGlobal.h"
#include "common/core/SqliteHandles.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>
#include <unistd.h>

using namespace modDB;

namespace {

StructureArray recordOf(int partId)
{
    DataArray data;
    QStringList names;
    StructureArray record;
    EXPECT_EQ(LoadArray(QStringLiteral("Select * from parts where PartID = ") + QString::number(partId), data,
                        names, record),
              0);
    return record;
}

// An edit as the record view makes it, pushed on the window's undo list.
void edit(PartUndo &undo, int partId, const char *field, const char *value)
{
    const auto written = EditField(partId, QLatin1String(field), recordOf(partId), QLatin1String(value));
    ASSERT_TRUE(written);
    PartUndo::Step step;
    step.partId = partId;
    step.partNumber = QString::number(partId);
    step.field = QLatin1String(field);
    step.before = written->before;
    step.after = written->after;
    undo.push(step);
}

// The parts as stored, with SQLite's storage class of every value (a restored row must not
// come back as text where it was a number).
QString partsAsStored(const CatalogueDb &db)
{
    if (db.onServer())
        return db.rows(
            QStringLiteral("SELECT PartID, AsscWith, PartNumber, PartDescription, Bin, Qty, Price, "
                           "LastOrdered, Notes FROM PARTS ORDER BY PartID"));
    return db.rows(
        QStringLiteral("SELECT PartID, AsscWith, PartNumber, PartDescription, Bin, Qty, typeof(Qty), "
                       "Price, typeof(Price), LastOrdered, Notes FROM PARTS ORDER BY PartID"));
}

QString
history(const CatalogueDb &db,
        const QString &columns = QStringLiteral("PartID, PartNumber, Change, ValueBefore, ValueAfter, Via"))
{
    return db.rows(QStringLiteral("SELECT ") + columns +
                   QStringLiteral(" FROM PARTS_History ORDER BY HistoryID"));
}

QString login()
{
    return QString::fromLocal8Bit(qgetenv("USER").isEmpty() ? QByteArray() : qgetenv("USER"));
}

} // namespace

class PartHistoryOn : public EngineTest {};
ON_EVERY_ENGINE(PartHistoryOn);

TEST_P(PartHistoryOn, EveryChangeIsRecordedWithWhoWhenAndTheValuesAsStored)
{
    CatalogueDb db(0, GetParam());
    ASSERT_TRUE(PartHistory::ensure());
    ASSERT_TRUE(EditField(1000001, QStringLiteral("Bin"), recordOf(1000001), QStringLiteral(" C-9 ")));
    ASSERT_TRUE(EditField(1000001, QStringLiteral("Qty"), recordOf(1000001), QStringLiteral("13")));
    const auto created = PartHistory::createPart(QStringLiteral("NEW-1"));
    ASSERT_TRUE(created);
    const auto deleted = PartHistory::deleteParts({1000002, 1000003});
    ASSERT_TRUE(deleted);
    EXPECT_EQ(deleted->size(), 2);
    EXPECT_TRUE(db.ui.messages().isEmpty()) << db.shown();

    const QString id = QString::number(created->partId);
    EXPECT_EQ(history(db), QStringLiteral("1000001|BRG-6204|Bin|A-01|C-9|<null>\n"
                                          "1000001|BRG-6204|Qty|12|13|<null>\n") +
                               id +
                               QStringLiteral("|NEW-1|created|<null>|NEW-1|<null>\n"
                                              "1000002|SEAL-35|deleted|SEAL-35|<null>|<null>\n"
                                              "1000003|O'RING-18|deleted|O'RING-18|<null>|<null>"));
    // When in UTC, who by login name; on a server also the database user.
    const QString when = db.one(QStringLiteral("SELECT MIN(ChangedAt) FROM PARTS_History"));
    EXPECT_TRUE(when.endsWith(u'Z')) << when.toStdString();
    EXPECT_TRUE(QDateTime::fromString(when, Qt::ISODateWithMs).isValid());
    if (!login().isEmpty()) {
        EXPECT_EQ(db.one(QStringLiteral("SELECT MIN(ChangedBy) FROM PARTS_History")), login());
    }
    EXPECT_EQ(db.one(QStringLiteral("SELECT MIN(DbUser) FROM PARTS_History")),
              db.onServer() ? db.one(QStringLiteral("SELECT current_user")) : QStringLiteral("<null>"));
    // A Delete keeps the whole row.
    EXPECT_TRUE(db.one(QStringLiteral("SELECT RowData FROM PARTS_History WHERE PartID = 1000002"))
                    .contains(QStringLiteral("\"Bin\":\"A-02\"")));

    // Another program still writes PARTS as before: the history asks nothing of it.
    db.exec(QStringLiteral("INSERT INTO PARTS (PartNumber) VALUES ('TOOL-1')"));
    db.exec(QStringLiteral("UPDATE PARTS SET Bin = 'Q' WHERE PartNumber = 'TOOL-1'"));
    db.exec(QStringLiteral("DELETE FROM PARTS WHERE PartNumber = 'TOOL-1'"));
}

TEST_P(PartHistoryOn, AHistoryMadeByAnEarlierReleaseGetsTheIndexOfDeletionsWhenOpened)
{
    CatalogueDb db(0, GetParam());
    ASSERT_TRUE(PartHistory::ensure());
    ASSERT_TRUE(PartHistory::deleteParts({1000002}));
    db.exec(QStringLiteral("DROP INDEX PARTS_History_Deleted"));
    db.exec(QStringLiteral("CREATE INDEX PARTS_History_Change ON PARTS_History (Change, HistoryID)"));
    ASSERT_TRUE(PartHistory::ensure());
    if (db.onServer())
        EXPECT_EQ(db.rows(QStringLiteral("SELECT indexname FROM pg_indexes WHERE tablename = 'parts_history' "
                                         "ORDER BY 1")),
                  QStringLiteral("parts_history_deleted\nparts_history_part\nparts_history_pkey"));
    else
        EXPECT_EQ(db.rows(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND "
                                         "tbl_name = 'PARTS_History' ORDER BY 1")),
                  QStringLiteral("PARTS_History_Deleted\nPARTS_History_Part"));
    ASSERT_TRUE(PartHistory::deleteParts({1000003}));
    const QList<PartHistory::Entry> deleted = PartHistory::deletedParts();
    ASSERT_EQ(deleted.size(), 2);
    EXPECT_EQ(deleted[0].partId, 1000003);
    EXPECT_EQ(deleted[1].partId, 1000002);
}

TEST_P(PartHistoryOn, AChangeThatFailsLeavesNoRecordAndARecordThatFailsNoChange)
{
    CatalogueDb db(0, GetParam());
    ASSERT_TRUE(PartHistory::ensure());
    // A history that refuses rows makes the edit fail whole.
    db.exec(QStringLiteral("ALTER TABLE PARTS_History RENAME TO PARTS_History_Old"));
    db.exec(QStringLiteral("CREATE TABLE PARTS_History (HistoryID INTEGER PRIMARY KEY, ChangedAt TEXT, "
                           "ChangedBy TEXT, DbUser TEXT, PartID INTEGER, PartNumber TEXT, Change TEXT, "
                           "ValueBefore TEXT, ValueAfter TEXT, RowData TEXT, Via TEXT, "
                           "CHECK (Change <> 'Bin' AND Change <> 'deleted'))"));
    EXPECT_FALSE(UpdateField(1000001, QStringLiteral("Bin"), recordOf(1000001), QStringLiteral("Z-1")));
    EXPECT_EQ(db.one(QStringLiteral("SELECT Bin FROM PARTS WHERE PartID = 1000001")), QStringLiteral("A-01"));
    ASSERT_EQ(db.ui.messages().size(), 1);
    EXPECT_TRUE(db.ui.messages()[0].text.startsWith(QStringLiteral("Error in RunSQL"))) << db.shown();

    // Of a Delete of several parts none goes when one record cannot be written.
    EXPECT_FALSE(PartHistory::deleteParts({1000001, 1000002}));
    EXPECT_EQ(db.one(QStringLiteral("SELECT COUNT(*) FROM PARTS")), QStringLiteral("4"));
    EXPECT_EQ(db.one(QStringLiteral("SELECT COUNT(*) FROM PARTS_History")), QStringLiteral("0"));
}

TEST_P(PartHistoryOn, DeleteOfThreePartsUndoneBringsTheRowsBackWithTheirPartIds)
{
    CatalogueDb db(0, GetParam());
    db.exec(
        QStringLiteral("UPDATE PARTS SET LastOrdered = '2024-03-05 10:20:30', Notes = 'it''s', Price = 4.5, "
                       "Qty = 12 WHERE PartID = 1000001"));
    const QString before = partsAsStored(db);
    PartUndo undo;
    const auto rows = PartHistory::deleteParts({1000001, 1000002, 1000003});
    ASSERT_TRUE(rows);
    undo.push({PartUndo::Step::Kind::Delete, 0, {}, {}, {}, {}, *rows, {}});
    EXPECT_EQ(undo.undoText(), QStringLiteral("Undo Delete of 3 Parts"));
    EXPECT_EQ(db.one(QStringLiteral("SELECT COUNT(*) FROM PARTS")), QStringLiteral("1"));

    EXPECT_EQ(undo.undo(), PartUndo::Outcome::Done) << db.shown();
    EXPECT_EQ(partsAsStored(db), before);
    EXPECT_EQ(undo.redoText(), QStringLiteral("Redo Delete of 3 Parts"));
    EXPECT_EQ(undo.redo(), PartUndo::Outcome::Done) << db.shown();
    EXPECT_EQ(db.one(QStringLiteral("SELECT COUNT(*) FROM PARTS")), QStringLiteral("1"));
    EXPECT_EQ(undo.undo(), PartUndo::Outcome::Done) << db.shown();
    EXPECT_EQ(partsAsStored(db), before);
    EXPECT_EQ(history(db, QStringLiteral("PartID, Change, Via")).count(u'\n') + 1, 12);
    EXPECT_EQ(db.one(QStringLiteral("SELECT COUNT(*) FROM PARTS_History WHERE Via = 'undo' AND Change = "
                                    "'created'")),
              QStringLiteral("6"));

    // The deleted parts are listed for bringing back only while they are gone.
    EXPECT_TRUE(PartHistory::deletedParts().isEmpty());
    ASSERT_TRUE(PartHistory::deleteParts({1000002}));
    const auto gone = PartHistory::deletedParts();
    ASSERT_EQ(gone.size(), 1);
    EXPECT_EQ(gone[0].partNumber, QStringLiteral("SEAL-35"));
    // A part number that exists again is not made twice.
    db.exec(QStringLiteral("INSERT INTO PARTS (PartNumber) VALUES ('SEAL-35')"));
    std::optional<QString> refused;
    ASSERT_EQ(RunTransaction([&](DbConnection &c, QString &) {
                  refused = PartHistory::Writer(c, QStringLiteral("restore")).restorePart(gone[0].row);
              }),
              0);
    ASSERT_TRUE(refused);
    EXPECT_TRUE(refused->contains(QStringLiteral("SEAL-35"))) << refused->toStdString();
    EXPECT_EQ(db.one(QStringLiteral("SELECT COUNT(*) FROM PARTS WHERE PartNumber = 'SEAL-35'")),
              QStringLiteral("1"));
}

TEST_P(PartHistoryOn, AnUndoNeverOverwritesALaterChangeAndSaysWhoMadeIt)
{
    CatalogueDb db(0, GetParam());
    PartUndo undo;
    edit(undo, 1000001, "Bin", "C-9");
    EXPECT_EQ(undo.undoText(), QStringLiteral("Undo Edit of Bin"));

    // Another program changed the field: nothing is written, and the user is told.
    db.exec(QStringLiteral("UPDATE PARTS SET Bin = 'OTHER' WHERE PartID = 1000001"));
    EXPECT_EQ(undo.undo(), PartUndo::Outcome::Refused);
    EXPECT_EQ(db.one(QStringLiteral("SELECT Bin FROM PARTS WHERE PartID = 1000001")),
              QStringLiteral("OTHER"));
    ASSERT_EQ(db.ui.messages().size(), 1);
    EXPECT_TRUE(db.ui.messages()[0].text.contains(QStringLiteral("changed by another program")))
        << db.shown();
    EXPECT_TRUE(undo.canUndo());

    // Another window (through the history) changed it: its author and time are named.
    db.ui.clear();
    PartUndo other;
    edit(other, 1000001, "Bin", "D-4");
    EXPECT_EQ(undo.undo(), PartUndo::Outcome::Refused);
    ASSERT_EQ(db.ui.messages().size(), 1);
    const QString when = db.one(QStringLiteral("SELECT MAX(ChangedAt) FROM PARTS_History"));
    EXPECT_TRUE(db.ui.messages()[0].text.contains(QDateTime::fromString(when, Qt::ISODateWithMs)
                                                      .toLocalTime()
                                                      .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))))
        << db.shown();
    EXPECT_EQ(db.one(QStringLiteral("SELECT Bin FROM PARTS WHERE PartID = 1000001")), QStringLiteral("D-4"));

    // Its own change undone by the other window, then redone.
    db.ui.clear();
    EXPECT_EQ(other.undo(), PartUndo::Outcome::Done) << db.shown();
    EXPECT_EQ(db.one(QStringLiteral("SELECT Bin FROM PARTS WHERE PartID = 1000001")),
              QStringLiteral("OTHER"));
    EXPECT_EQ(other.redo(), PartUndo::Outcome::Done) << db.shown();
    EXPECT_EQ(db.one(QStringLiteral("SELECT Bin FROM PARTS WHERE PartID = 1000001")), QStringLiteral("D-4"));

    // A New is undone only while the part is as it was made.
    const auto created = PartHistory::createPart(QStringLiteral("NEW-2"));
    ASSERT_TRUE(created);
    undo.push({PartUndo::Step::Kind::New,
               created->partId,
               QStringLiteral("NEW-2"),
               {},
               {},
               {},
               {created->row},
               {}});
    EXPECT_EQ(undo.undoText(), QStringLiteral("Undo New Part"));
    edit(other, int(created->partId), "Bin", "X-1");
    EXPECT_EQ(undo.undo(), PartUndo::Outcome::Refused);
    EXPECT_EQ(db.one(QStringLiteral("SELECT COUNT(*) FROM PARTS WHERE PartNumber = 'NEW-2'")),
              QStringLiteral("1"));
    EXPECT_EQ(other.undo(), PartUndo::Outcome::Done) << db.shown();
    EXPECT_EQ(undo.undo(), PartUndo::Outcome::Done) << db.shown();
    EXPECT_EQ(db.one(QStringLiteral("SELECT COUNT(*) FROM PARTS WHERE PartNumber = 'NEW-2'")),
              QStringLiteral("0"));
    EXPECT_EQ(undo.redo(), PartUndo::Outcome::Done) << db.shown();
    EXPECT_EQ(db.one(QStringLiteral("SELECT PartID FROM PARTS WHERE PartNumber = 'NEW-2'")),
              QString::number(created->partId));
}

// The engine makes a Delete's records from the rows: they must read as the rows the
// catalogue reads, whatever the table holds and however wide it is.
TEST(PartHistory, ADeleteRecordsEachRowAsTheCatalogueReadsIt)
{
    CatalogueDb db;
    db.exec(QStringLiteral("UPDATE PARTS SET Price = 122337203685477.58, Notes = '0042', "
                           "PartDescription = 'Dichtung \"rund\" ölfest' || char(10) || 'x' "
                           "WHERE PartID = 1000001"));
    db.exec(QStringLiteral("UPDATE PARTS SET Notes = '-7', LastOrdered = '2024-03-05 10:20:30', "
                           "PartDescription = char(65279, 65279) || 'marked' WHERE PartID = 1000002"));
    // Escapes as Qt writes them, and whole numbers either side of where JSON's stop.
    db.exec(
        QStringLiteral("UPDATE PARTS SET Notes = char(1, 31, 9, 92, 127, 8232, 65535, 128512), "
                       "Bin = '-0', AsscWith = '9007199254740992', PartDescription = "
                       "'-9007199254740991', Qty = 9007199254740993, Price = 0.1 WHERE PartID = 1000004"));
    const auto rowsNow = [](const QList<std::int64_t> &ids) {
        QStringList rows;
        EXPECT_EQ(RunTransaction([&](DbConnection &c, QString &) {
                      PartHistory::Writer writer(c);
                      for (const std::int64_t id : ids)
                          rows << writer.currentRow(id).value_or(QString());
                  }),
                  0);
        return rows;
    };
    const QString before = partsAsStored(db);
    const QStringList expected = rowsNow({1000002, 1000001, 1000004});
    // In the order given, a part named twice once, one already gone left out.
    const auto rows = PartHistory::deleteParts({1000002, 1000001, 1000002, 999, 1000004});
    ASSERT_TRUE(rows);
    EXPECT_EQ(*rows, expected);
    EXPECT_EQ(history(db, QStringLiteral("PartID, Change, RowData")),
              QStringLiteral("1000002|deleted|") + expected[0] + QStringLiteral("\n1000001|deleted|") +
                  expected[1] + QStringLiteral("\n1000004|deleted|") + expected[2]);
    PartUndo undo;
    undo.push({PartUndo::Step::Kind::Delete, 0, {}, {}, {}, {}, *rows, {}});
    EXPECT_EQ(undo.undo(), PartUndo::Outcome::Done) << db.shown();
    EXPECT_EQ(partsAsStored(db), before);
    // Byte-order marks at the start are characters of the value, kept through it all.
    EXPECT_EQ(db.one(QStringLiteral("SELECT hex(PartDescription) FROM PARTS WHERE PartID = 1000002")),
              QStringLiteral("EFBBBFEFBBBF") + QString::fromLatin1(QByteArray("marked").toHex().toUpper()));

    // A text that is not UTF-8 (a stray byte, an overlong form, a surrogate, past U+10FFFF)
    // is recorded as the catalogue reads it too.
    for (const char *bytes : {"41ff42", "41c0af42", "41eda08042", "41f490808042"}) {
        db.exec(QStringLiteral("UPDATE PARTS SET Notes = CAST(x'%1' AS TEXT) WHERE PartID = 1000003")
                    .arg(QLatin1String(bytes)));
        const QStringList unreadable = rowsNow({1000003});
        const auto unreadableDeleted = PartHistory::deleteParts({1000003});
        ASSERT_TRUE(unreadableDeleted);
        EXPECT_EQ(*unreadableDeleted, unreadable) << bytes;
        // Stored as valid UTF-8, which a reader of the file may rely on.
        EXPECT_EQ(
            db.rows(QStringLiteral("SELECT hex(RowData) FROM PARTS_History ORDER BY HistoryID DESC LIMIT 1")),
            QString::fromLatin1(unreadable.value(0).toUtf8().toHex().toUpper()))
            << bytes;
        undo.push({PartUndo::Step::Kind::Delete, 0, {}, {}, {}, {}, *unreadableDeleted, {}});
        EXPECT_EQ(undo.undo(), PartUndo::Outcome::Done) << db.shown();
    }

    // Wider than a function of the engine takes: the rows come back from the Delete itself.
    for (int i = 0; i < 130; ++i)
        db.exec(QStringLiteral("ALTER TABLE PARTS ADD COLUMN Extra%1 TEXT").arg(i));
    db.exec(QStringLiteral("UPDATE PARTS SET Extra129 = 'last' WHERE PartID = 1000003"));
    const QString wide = db.rows(QStringLiteral("SELECT * FROM PARTS ORDER BY PartID"));
    const QStringList wideRows = rowsNow({1000003, 1000001});
    const auto wideDeleted = PartHistory::deleteParts({1000003, 1000001});
    ASSERT_TRUE(wideDeleted);
    EXPECT_EQ(*wideDeleted, wideRows);
    EXPECT_TRUE(wideRows[0].contains(QStringLiteral("\"Extra129\":\"last\""))) << wideRows[0].toStdString();
    undo.push({PartUndo::Step::Kind::Delete, 0, {}, {}, {}, {}, *wideDeleted, {}});
    EXPECT_EQ(undo.undo(), PartUndo::Outcome::Done) << db.shown();
    EXPECT_EQ(db.rows(QStringLiteral("SELECT * FROM PARTS ORDER BY PartID")), wide);
}

TEST(PartHistory, EditUndoRedoAsTheSqlite3ToolReadsTheColumn)
{
    CatalogueDb db;
    const auto bin = [&] {
        QProcess sqlite;
        sqlite.start(
            QStringLiteral("sqlite3"),
            {db.path, QStringLiteral("SELECT Bin, typeof(Qty), Qty FROM PARTS WHERE PartID = 1000001")});
        EXPECT_TRUE(sqlite.waitForFinished(10000));
        return QString::fromUtf8(sqlite.readAllStandardOutput()).trimmed();
    };
    PartUndo undo;
    edit(undo, 1000001, "Bin", "C-9");
    edit(undo, 1000001, "Qty", "30");
    EXPECT_EQ(bin(), QStringLiteral("C-9|integer|30"));
    EXPECT_EQ(undo.undoText(), QStringLiteral("Undo Edit of Qty"));
    ASSERT_EQ(undo.undo(), PartUndo::Outcome::Done);
    EXPECT_EQ(bin(), QStringLiteral("C-9|integer|12"));
    ASSERT_EQ(undo.undo(), PartUndo::Outcome::Done);
    EXPECT_EQ(bin(), QStringLiteral("A-01|integer|12"));
    EXPECT_FALSE(undo.canUndo());
    EXPECT_EQ(undo.redoText(), QStringLiteral("Redo Edit of Bin"));
    ASSERT_EQ(undo.redo(), PartUndo::Outcome::Done);
    EXPECT_EQ(bin(), QStringLiteral("C-9|integer|12"));
    // A new change drops what could be redone.
    edit(undo, 1000001, "Bin", "E-5");
    EXPECT_FALSE(undo.canRedo());
    EXPECT_EQ(undo.redoText(), QStringLiteral("Redo"));
    EXPECT_EQ(history(db, QStringLiteral("Change, ValueBefore, ValueAfter, Via")),
              QStringLiteral("Bin|A-01|C-9|<null>\nQty|12|30|<null>\nQty|30|12|undo\nBin|C-9|A-01|undo\n"
                             "Bin|A-01|C-9|redo\nBin|C-9|E-5|<null>"));
}

TEST(PartHistory, AHistoryOfTenThousandChangesReadsWholeNewestFirst)
{
    CatalogueDb db;
    ASSERT_TRUE(PartHistory::ensure());
    db.exec(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10000) "
        "INSERT INTO PARTS_History (ChangedAt, ChangedBy, PartID, PartNumber, Change, ValueBefore, "
        "ValueAfter) "
        "SELECT '2026-01-01T00:00:00.000Z', 'someone', 1000001, 'BRG-6204', 'Qty', i - 1, i FROM n"));
    const auto entries = PartHistory::partHistory(1000001);
    ASSERT_EQ(entries.size(), 10000);
    EXPECT_EQ(entries.front().after, QStringLiteral("10000")); // newest first
}

// A writer killed at any moment leaves every change with its record and no record without
// its change: each edit adds one to Qty, so the records must run without a gap to the value
// stored.
TEST(PartHistory, KilledWritersLeaveChangeAndRecordTogether)
{
    CatalogueDb db;
    ASSERT_TRUE(PartHistory::ensure());
    const QString connect = CatalogueDb::connectTo(db.path);
    // Watched with a busy timeout of its own: the writers hold the catalogue most of the time.
    const SqliteDb watcher = openSqlite(QFile::encodeName(db.path).constData(), SQLITE_OPEN_READONLY);
    sqlite3_busy_timeout(watcher.get(), 1000);
    const auto edits = [&](const char *part) {
        const QByteArray sql = QByteArray("SELECT COUNT(*) FROM PARTS_History WHERE PartID = ") + part;
        const SqliteStmt st = prepareSqlite(watcher.get(), sql.constData());
        return st && sqlite3_step(st.get()) == SQLITE_ROW ? sqlite3_column_int(st.get(), 0) : -1;
    };
    for (int round = 0; round < 6; ++round) {
        db.exec(QStringLiteral("SELECT COUNT(*) FROM PARTS_History")); // the last kill's hot journal
        const int first = edits("1000001");
        const int second = edits("1000002");
        QList<QProcess *> writers;
        for (const char *part : {"1000001", "1000002"}) {
            auto *p = new QProcess;
            p->start(QStringLiteral(HISTORY_WRITER), {connect, QLatin1String(part)});
            ASSERT_TRUE(p->waitForStarted());
            writers << p;
        }
        // Killed once each has made a few edits, however slow the machine, then at any moment.
        const QDeadlineTimer deadline(30000);
        while ((edits("1000001") < first + 2 || edits("1000002") < second + 2) && !deadline.hasExpired())
            QThread::msleep(10);
        QThread::msleep(QRandomGenerator::global()->bounded(250));
        for (QProcess *p : writers) {
            ::kill(pid_t(p->processId()), SIGKILL);
            p->waitForFinished();
            delete p;
        }
    }
    // A killed writer may leave a hot journal, which only a connection that may write rolls back.
    db.exec(QStringLiteral("SELECT COUNT(*) FROM PARTS_History"));
    for (const char *part : {"1000001", "1000002"}) {
        const QString where = QStringLiteral(" WHERE PartID = ") + QLatin1String(part);
        const QString steps = db.rows(QStringLiteral("SELECT ValueBefore, ValueAfter FROM PARTS_History") +
                                      where + QStringLiteral(" ORDER BY HistoryID"));
        const QStringList lines = steps.split(u'\n');
        ASSERT_GT(lines.size(), 10) << "too few edits to tell";
        long long expected = lines.front().section(u'|', 0, 0).toLongLong();
        EXPECT_EQ(expected, QByteArrayView(part) == "1000001" ? 12 : 0);
        for (const QString &line : lines) {
            ASSERT_EQ(line, QStringLiteral("%1|%2").arg(expected).arg(expected + 1));
            ++expected;
        }
        EXPECT_EQ(db.one(QStringLiteral("SELECT Qty FROM PARTS") + where), QString::number(expected));
    }
}
