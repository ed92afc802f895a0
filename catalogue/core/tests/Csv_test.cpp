// SPDX-License-Identifier: MIT
#include "CatalogueDb.h"
#include "catalogue/core/CsvExport.h"
#include "catalogue/core/CsvImport.h"
#include "catalogue/core/NewCatalogue.h"
#include "catalogue/core/PartHistory.h"
#include "catalogue/core/PartUndo.h"
#include "catalogue/core/modGlobal.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <random>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString kAllColumns = u"PartDescription, Bin, Qty, Price, LastOrdered, Notes"_s;

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

struct ToolRun {
    int exitCode;
    QString out;
    QString err;
};

ToolRun newdb(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral(ORVANA_NEWDB), arguments);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

// The catalogue's parts and its history, to show that a refused or stopped import left both.
QString stateOf(const CatalogueDb &db)
{
    // As the window does on opening the catalogue.
    EXPECT_TRUE(PartHistory::ensure());
    return db.rows(u"SELECT * FROM PARTS ORDER BY PartID"_s) + u"\n#"_s +
           db.one(u"SELECT COUNT(*) FROM PARTS_History"_s);
}

} // namespace

TEST(CsvExport, WritesWhatASpreadsheetReadsAndQuotesOnlyWhereNeeded)
{
    CatalogueDb db;
    db.exec(
        u"UPDATE PARTS SET Notes = 'Größe 35, \"rot\"' || char(10) || 'zweite Zeile' WHERE PartID = 1000002"_s);
    const QString file = db.env.path(u"parts.csv"_s);
    const auto written = CsvExport::writeAllParts(file, kAllColumns);
    ASSERT_TRUE(written) << written.error().message.toStdString();
    EXPECT_EQ(*written, 4);
    const QByteArray bytes = bytesOf(file);
    EXPECT_TRUE(
        bytes.startsWith("\xEF\xBB\xBFPartID,PartLink,PartNumber,PartDescription,Bin,Qty,Price,LastOrdered,"
                         "Notes\r\n"));
    // In the list's order (part number); a null is an empty field, a padded text is quoted.
    const QList<QByteArray> lines = bytes.mid(3).split('\n');
    EXPECT_EQ(lines.value(1), "1000001,,BRG-6204,Ball bearing 6204,A-01,12,4.5,2024-03-01,\r");
    EXPECT_EQ(lines.value(2), "1000004,,FLT-10,,,1,9,,\r");
    EXPECT_EQ(lines.value(3), "1000003,BRG-6204,O'RING-18,O-ring 18 mm,\"  B-7  \",3,0.1,,\r");
    EXPECT_EQ(lines.value(4), "1000002,BRG-6204,SEAL-35,Oil seal 35x52,A-02,0,1.25,,\"Größe 35, \"\"rot\"\"");
    EXPECT_EQ(lines.value(5), "zweite Zeile\"\r");

    // The command writes the list after Show All Records ...
    const QString byTool = db.env.path(u"tool.csv"_s);
    const ToolRun run = newdb({u"--export"_s, db.path, byTool});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, byTool + u": 4 parts\n"_s);
    // ... with the display fields of the settings: the default ones here.
    EXPECT_TRUE(bytesOf(byTool).startsWith("\xEF\xBB\xBFPartID,PartLink,PartNumber,PartDescription,Bin\r\n"
                                           "1000001,,BRG-6204,Ball bearing 6204,A-01\r\n"));
}

TEST(CsvExport, AStoppedOrFailedExportLeavesNoFileAndTheEarlierOneWhole)
{
    CatalogueDb db(3000);
    const QString file = db.env.path(u"out/parts.csv"_s);
    ASSERT_TRUE(QDir().mkpath(db.env.path(u"out"_s)));
    writeFile(file, "earlier export");
    db.ui.stopProgressAt = 1024;
    const auto stopped = CsvExport::writeAllParts(file, kAllColumns);
    ASSERT_FALSE(stopped);
    EXPECT_EQ(stopped.error().code, CsvExport::kStopped);
    EXPECT_EQ(bytesOf(file), "earlier export");
    EXPECT_EQ(QDir(db.env.path(u"out"_s)).entryList(QDir::Files | QDir::Hidden), QStringList{u"parts.csv"_s});
    EXPECT_EQ(db.ui.callsOf(u"progress"_s).size(), 1);

    db.ui.stopProgressAt.reset();
    const auto failed = CsvExport::writeAllParts(db.env.path(u"missing-folder/parts.csv"_s), kAllColumns);
    ASSERT_FALSE(failed);
    EXPECT_TRUE(failed.error().message.contains(u"missing-folder/parts.csv cannot be written"_s))
        << failed.error().message.toStdString();
}

TEST(CsvImport, WhateverTheExportWritesReadsBackAsItWas)
{
    CatalogueDb db;
    const QString file = db.env.path(u"round.csv"_s);
    // The characters that quoting, separators, line ends and decoding have to get right.
    const QStringList pieces = {u","_s, u";"_s, u"\t"_s, u"\""_s, u"\r"_s, u"\n"_s, u"\r\n"_s,  u" "_s,
                                u"a"_s, u"ü"_s, u"€"_s,  u"😀"_s,  u"'"_s,  u"="_s,  u"\u00a0"_s};
    std::mt19937 random(27);
    for (int round = 0; round < 300; ++round) {
        const auto cell = [&] {
            QString text;
            for (int n = int(random() % 6); n > 0; --n)
                text += pieces.at(qsizetype(random() % std::size_t(pieces.size())));
            return text;
        };
        const int columns = 1 + int(random() % 4);
        std::vector<QStringList> table(1 + random() % 5);
        for (QStringList &row : table)
            for (int c = 0; c < columns; ++c)
                row << cell();
        // A line with nothing on it is no row at all, in any reader.
        if (columns == 1)
            for (QStringList &row : table)
                row.front() += u'x';
        std::string bytes = "\xEF\xBB\xBF";
        for (const QStringList &row : table) {
            for (int c = 0; c < columns; ++c) {
                if (c > 0)
                    bytes += ',';
                CsvExport::appendField(bytes, row.at(c).toStdString());
            }
            bytes += "\r\n";
        }
        writeFile(file, QByteArray::fromStdString(bytes));
        const auto read = CsvImport::read(file);
        ASSERT_TRUE(read) << read.error().message.toStdString();
        EXPECT_EQ(read->separator, ',') << bytes;
        EXPECT_EQ(read->headings, table.front()) << bytes;
        ASSERT_EQ(read->rows.size() + 1, table.size()) << bytes;
        for (std::size_t r = 1; r < table.size(); ++r)
            EXPECT_EQ(read->rows[r - 1], table[r]) << bytes;
    }
}

TEST(CsvImport, ReadsCommaSemicolonAndTabFilesInUtf8OrWindows1252)
{
    CatalogueDb db;
    const QString file = db.env.path(u"in.csv"_s);
    struct Case {
        QByteArray bytes;
        char separator;
        const char *encoding;
    };
    const QList<Case> cases = {
        {"\xEF\xBB\xBFPartNumber,Notes\r\nX-1,\"Größe, \"\"rot\"\"\r\nzweite\"\r\n", ',', "UTF-8"},
        {"PartNumber;Notes\nX-1;\"Größe, \"\"rot\"\"\r\nzweite\"\n", ';', "UTF-8"},
        {"PartNumber\tNotes\r\nX-1\t\"Gr\xF6\xDF"
         "e, \"\"rot\"\"\r\nzweite\"",
         '\t', "Windows-1252"},
    };
    for (const Case &c : cases) {
        writeFile(file, c.bytes);
        const auto table = CsvImport::read(file);
        ASSERT_TRUE(table) << table.error().message.toStdString();
        EXPECT_EQ(table->separator, c.separator);
        EXPECT_EQ(table->encoding, QLatin1String(c.encoding));
        EXPECT_EQ(table->headings, (QStringList{u"PartNumber"_s, u"Notes"_s}));
        ASSERT_EQ(table->rows.size(), 1u) << c.bytes.toStdString();
        EXPECT_EQ(table->rows[0], (QStringList{u"X-1"_s, u"Größe, \"rot\"\r\nzweite"_s}));
    }
    // Windows-1252 values whose bytes would be UTF-8 only across the separator: "Ã" + "©".
    writeFile(file, "PartNumber,Notes\nX-\xC3,\xA9 1\n");
    const auto split = CsvImport::read(file);
    ASSERT_TRUE(split) << split.error().message.toStdString();
    EXPECT_EQ(split->encoding, u"Windows-1252"_s);
    ASSERT_EQ(split->rows.size(), 1u);
    EXPECT_EQ(split->rows[0], (QStringList{u"X-Ã"_s, u"© 1"_s}));
    // The file's byte-order mark is none of its text; one at the start of a value is.
    writeFile(file, "\xEF\xBB\xBF\xEF\xBB\xBFPartNumber,Notes\nX-1,\xEF\xBB\xBFmarked\n");
    const auto marked = CsvImport::plan(file, {});
    ASSERT_TRUE(marked) << marked.error().message.toStdString();
    EXPECT_EQ(marked->columns, (QStringList{u"PartNumber"_s, u"Notes"_s}));
    EXPECT_EQ(marked->table.rows.at(0), (QStringList{u"X-1"_s, u"\uFEFFmarked"_s}));
    // The bytes Windows-1252 puts where Latin-1 has controls.
    EXPECT_EQ(CsvImport::fromWindows1252("\x80 \x93quoted\x94 \x9F \x81"), u"€ “quoted” Ÿ \u0081"_s);
}

TEST(CsvImport, FilesLibreOfficeSavedImportAlike)
{
    CatalogueDb db;
    struct Saved {
        const char *file;
        char separator;
        const char *encoding;
    };
    const QList<QStringList> expected = {
        {u"KL-6204"_s, u"Kugellager für Welle, groß"_s, u"A-01"_s, u"12"_s, u"4.5"_s, u"2024-03-05"_s,
         u"Zwei Zeilen:\n„rot“ und blau"_s},
        {u"JT-20"_s, u"Joint torique Ø 20 mm; élastomère"_s, u"B-7"_s, u"300"_s, u"0.13"_s, QString(),
         u"Prix en € – \"standard\""_s},
        {u"ÅS-9"_s, u"Ærmet tætning"_s, QString(), u"0"_s, u"1234.5"_s, u"2023-12-31"_s, QString()},
    };
    for (const Saved &saved :
         {Saved{"parts-comma.csv", ',', "UTF-8"}, Saved{"parts-semicolon.csv", ';', "UTF-8"},
          Saved{"parts-tab.csv", '\t', "UTF-8"}, Saved{"parts-windows-1252.csv", ';', "Windows-1252"}}) {
        SCOPED_TRACE(saved.file);
        const auto planned =
            CsvImport::plan(QStringLiteral(CSV_TESTDATA "/") + QLatin1String(saved.file), {});
        ASSERT_TRUE(planned) << planned.error().message.toStdString();
        EXPECT_EQ(planned->table.separator, saved.separator);
        EXPECT_EQ(planned->table.encoding, QLatin1String(saved.encoding));
        EXPECT_EQ(planned->counts(), u"3 new parts, 0 updates, 0 rows refused"_s);
        ASSERT_EQ(planned->rows.size(), 3u);
        for (std::size_t r = 0; r < 3; ++r)
            EXPECT_EQ(planned->rows[r].values, expected.at(qsizetype(r)));
    }
    const auto planned = CsvImport::plan(QStringLiteral(CSV_TESTDATA "/parts-windows-1252.csv"), {});
    ASSERT_TRUE(planned && CsvImport::apply(*planned));
    EXPECT_EQ(
        db.rows(u"SELECT PartNumber, PartDescription, Price, LastOrdered FROM PARTS WHERE PartID > 1000004 "
                "ORDER BY PartID"_s),
        u"KL-6204|Kugellager für Welle, groß|4.5|2024-03-05\nJT-20|Joint torique Ø 20 mm; "
        u"élastomère|0.13|<null>\n"
        "ÅS-9|Ærmet tætning|1234.5|2023-12-31"_s);
}

TEST(CsvImport, HostileFilesAreRefusedCheaplyAndWriteNothing)
{
    CatalogueDb db;
    const QString before = stateOf(db);
    const QString file = db.env.path(u"hostile.csv"_s);
    const auto refusal = [&](const CsvImport::Limits &limits = {}) -> std::string {
        const auto planned = CsvImport::plan(file, {}, limits);
        return planned ? "accepted" : planned.error().message.toStdString();
    };

    // A line of a gigabyte: the file is sparse, and reading stops at the limit.
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("PartNumber,Notes\nX-1,");
        f.write(QByteArray(8 << 20, 'x'));
        ASSERT_TRUE(f.resize(1LL << 30));
    }
    EXPECT_EQ(refusal(), "Row 2 has a value longer than 1,048,576 bytes: the file is refused.");
    CsvImport::Limits longFields;
    longFields.fieldBytes = 16 << 20;
    EXPECT_EQ(refusal(longFields), "Row 2 is longer than 4,194,304 bytes: the file is refused.");

    // Values just past the limits, each within one of the chunks the file is read in.
    CsvImport::Limits small;
    small.fieldBytes = 100;
    small.fileBytes = 1000;
    writeFile(file, "PartNumber,Notes\nX-1," + QByteArray(101, 'y') + "\n");
    EXPECT_EQ(refusal(small), "Row 2 has a value longer than 100 bytes: the file is refused.");
    writeFile(file,
              "PartNumber,Notes\n" + QByteArray("X-1,") + QByteArray(90, 'y').append('\n').repeated(11));
    EXPECT_EQ(refusal(small),
              "The file holds more than 1,000 bytes of values: it is refused. Import it in parts.");

    writeFile(file, QByteArray("PartNumber,Notes\nX-1,a\0b\n", 26));
    EXPECT_TRUE(refusal().find("holds NUL bytes") != std::string::npos) << refusal();

    QByteArray wide = "PartNumber";
    for (int i = 1; i < 10000; ++i)
        wide += ",C" + QByteArray::number(i);
    writeFile(file, wide + "\nX-1\n");
    EXPECT_EQ(refusal(), "The file has more than 1000 columns in row 1: it is not a list of parts.");

    writeFile(file, "PartNumber,Notes\nX-1,\"never closed\n");
    EXPECT_TRUE(refusal().find("ends inside a quoted value") != std::string::npos) << refusal();

    writeFile(file, "PartNumber,Notes\nX-1,\"a\"b\n");
    EXPECT_TRUE(refusal().find("cannot be read as CSV after row 2") != std::string::npos) << refusal();

    // Another program appends while the file is read.
    writeFile(file, "PartNumber\nX-1\n");
    db.ui.onCall = [&](const ScriptedUi::Call &call) {
        if (call.kind == u"progress"_s) {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::Append));
            f.write("X-2\n");
        }
    };
    EXPECT_TRUE(refusal().find("changed while it was read") != std::string::npos) << refusal();
    db.ui.onCall = nullptr;

    writeFile(file, "Description,Bin\nBearing,A-1\n");
    EXPECT_TRUE(refusal().find("has no PartNumber column") != std::string::npos) << refusal();

    EXPECT_EQ(stateOf(db), before);
}

TEST(CsvImport, ThePlanChecksEveryValueAsATypedEditAndCountsTheRows)
{
    CatalogueDb db;
    const QString before = stateOf(db);
    const QString file = db.env.path(u"list.csv"_s);
    writeFile(file, "partnumber;QTY;price;LastOrdered;bin;Colour\n"
                    "NEW-1;5;2.50;2024-05-06;C-1;red\n"
                    "brg-6204;20;4.75;;A-01;blue\n"
                    "NEW-2;12x;1;2024-05-06;C-2;\n"
                    "NEW-3;1;999999999999999999;2024-13-45;C-3;\n"
                    "NEW-4;1;1;;ABCDEFGHIJKLMNOPQRSTU;\n"
                    ";1;1;;;\n"
                    "NEW-1;1;1;;;\n"
                    "NEW-5;;;;;\n");
    auto planned = CsvImport::plan(file, {});
    ASSERT_TRUE(planned) << planned.error().message.toStdString();
    EXPECT_EQ(planned->columns,
              (QStringList{u"PartNumber"_s, u"Qty"_s, u"Price"_s, u"LastOrdered"_s, u"Bin"_s}));
    EXPECT_EQ(planned->ignored, QStringList{u"Colour"_s});
    EXPECT_EQ(planned->counts(), u"2 new parts, 0 updates, 5 rows refused, 1 existing part skipped"_s);
    EXPECT_EQ(planned->refusalLines(),
              (QStringList{u"Row 4, Qty: The entered value is not numeric. (12x)"_s,
                           u"Row 5, Price: The entered value is out of range. (999999999999999999)"_s,
                           u"Row 5, LastOrdered: The entered value is not a valid date. (2024-13-45)"_s,
                           u"Row 6, Bin: The entered value is too long. (ABCDEFGHIJKLMNOPQRSTU)"_s,
                           u"Row 7, PartNumber: The row has no part number. ()"_s,
                           u"Row 8, PartNumber: The part number is in row 2 already. (NEW-1)"_s}));
    EXPECT_EQ(planned->rows[0].values,
              (QStringList{u"NEW-1"_s, u"5"_s, u"2.5"_s, u"2024-05-06"_s, u"C-1"_s}));

    CsvImport::Options update;
    update.updateExisting = true;
    planned = CsvImport::plan(file, update);
    ASSERT_TRUE(planned);
    EXPECT_EQ(planned->counts(), u"2 new parts, 1 update, 5 rows refused"_s);
    EXPECT_EQ(planned->rows[1].partId, 1000001);
    EXPECT_EQ(stateOf(db), before);
}

TEST(CsvImport, NumbersAreReadInTheFormTheSeparatorGoesWith)
{
    CatalogueDb db;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString file = db.env.path(u"prices.csv"_s);
    // A comma file has full stops, as the export writes; a semicolon file the locale's decimal comma.
    writeFile(file, "PartNumber,Price,Qty\nP-1,0.125,1.000\n");
    auto planned = CsvImport::plan(file, {});
    writeFile(file, "PartNumber;Price;Qty\nP-1;0,125;1.000\n");
    auto german = CsvImport::plan(file, {});
    QLocale::setDefault(QLocale::system());
    ASSERT_TRUE(planned && german);
    EXPECT_EQ(planned->rows[0].values, (QStringList{u"P-1"_s, u"0.125"_s, u"1"_s}));
    EXPECT_EQ(german->rows[0].values, (QStringList{u"P-1"_s, u"0.125"_s, u"1000"_s}));
}

TEST(CsvImport, AnImportIsOneTransactionRecordedAndUndoneAsOneStep)
{
    CatalogueDb db;
    const QString file = db.env.path(u"list.csv"_s);
    writeFile(file, "PartNumber,Qty,Price,Bin,Notes\n"
                    "NEW-1,5,2.50,C-1,\"two\nlines\"\n"
                    "BRG-6204,20,4.75,A-01,\n"
                    "NEW-2,,,,\n");
    CsvImport::Options update;
    update.updateExisting = true;
    const auto planned = CsvImport::plan(file, update);
    ASSERT_TRUE(planned);
    const QString before = db.rows(u"SELECT * FROM PARTS ORDER BY PartID"_s);

    // Someone adds one of the new parts after the check: nothing is written.
    db.exec(u"INSERT INTO PARTS (PartNumber) VALUES ('new-2')"_s);
    const auto overtaken = CsvImport::apply(*planned);
    ASSERT_FALSE(overtaken);
    EXPECT_EQ(
        overtaken.error().message,
        u"The import failed and wrote nothing: Part NEW-2 was added to the catalogue since the file was "
        "checked. Import the file again to check it anew."_s);
    db.exec(u"DELETE FROM PARTS WHERE PartNumber = 'new-2'"_s);
    EXPECT_EQ(db.rows(u"SELECT * FROM PARTS ORDER BY PartID"_s), before);

    // Stopped half-way: nothing of it is kept.
    db.ui.stopProgressAt = 0;
    const auto stopped = CsvImport::apply(*planned);
    ASSERT_FALSE(stopped);
    EXPECT_EQ(stopped.error().code, CsvImport::kStopped);
    EXPECT_EQ(db.rows(u"SELECT * FROM PARTS ORDER BY PartID"_s), before);
    db.ui.stopProgressAt.reset();

    const auto applied = CsvImport::apply(*planned);
    ASSERT_TRUE(applied) << applied.error().message.toStdString();
    EXPECT_EQ(applied->created, 2);
    EXPECT_EQ(applied->updated, 1);
    EXPECT_EQ(
        db.rows(u"SELECT PartNumber, Qty, Price, Bin, Notes FROM PARTS WHERE PartNumber LIKE 'NEW-%' "
                "OR PartNumber = 'BRG-6204' ORDER BY PartNumber"_s),
        u"BRG-6204|20|4.75|A-01|<null>\nNEW-1|5|2.5|C-1|two\nlines\nNEW-2|<null>|<null>|<null>|<null>"_s);
    // The history has each new part and each changed field (Qty, Price); Bin held its value.
    EXPECT_EQ(
        db.rows(u"SELECT PartNumber, Change, ValueBefore, ValueAfter, Via FROM PARTS_History "
                "ORDER BY PartNumber, HistoryID"_s),
        u"BRG-6204|Qty|12|20|import\nBRG-6204|Price|4.5|4.75|import\nNEW-1|created|<null>|NEW-1|import\n"
        "NEW-2|created|<null>|NEW-2|import"_s);

    PartUndo undo;
    PartUndo::Step step = applied->step;
    step.partNumber = u"list.csv"_s;
    undo.push(step);
    EXPECT_EQ(undo.undoText(), u"Undo Import of list.csv"_s);
    ASSERT_EQ(undo.undo(), PartUndo::Outcome::Done) << db.shown();
    EXPECT_EQ(db.rows(u"SELECT * FROM PARTS ORDER BY PartID"_s), before);
    ASSERT_EQ(undo.redo(), PartUndo::Outcome::Done) << db.shown();
    EXPECT_EQ(db.one(u"SELECT Qty FROM PARTS WHERE PartNumber = 'BRG-6204'"_s), u"20"_s);
    EXPECT_EQ(db.one(u"SELECT COUNT(*) FROM PARTS WHERE PartNumber LIKE 'NEW-%'"_s), u"2"_s);

    // Someone else changes an imported part: the undo takes nothing back and says so.
    db.exec(u"UPDATE PARTS SET Qty = 99 WHERE PartNumber = 'NEW-2'"_s);
    const QString changed = db.rows(u"SELECT * FROM PARTS ORDER BY PartID"_s);
    EXPECT_EQ(undo.undo(), PartUndo::Outcome::Refused);
    EXPECT_EQ(db.rows(u"SELECT * FROM PARTS ORDER BY PartID"_s), changed);
    ASSERT_FALSE(db.ui.messages().isEmpty());
    EXPECT_TRUE(
        db.ui.messages().back().text.startsWith(u"Part NEW-2 was changed since: nothing was changed."_s))
        << db.shown();
}

TEST(CsvImport, TheCommandChecksFirstAndWritesAllOrNothing)
{
    CatalogueDb db;
    const QString before = stateOf(db);
    const QString file = db.env.path(u"list.csv"_s);
    writeFile(file, "PartNumber,Qty,Supplier\nNEW-1,5,ACME\nNEW-2,lots,ACME\nBRG-6204,7,ACME\n");

    ToolRun run = newdb({u"--import"_s, file, db.path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, u"Columns ignored: Supplier\nRow 3, Qty: The entered value is not numeric. (lots)\n"
                       "1 new part, 0 updates, 1 row refused, 1 existing part skipped\n"_s);
    EXPECT_TRUE(run.err.contains(u"nothing was written"_s)) << run.err.toStdString();
    EXPECT_EQ(stateOf(db), before);

    run = newdb({u"--import"_s, file, db.path, u"--skip-refused"_s, u"--update-existing"_s, u"--dry-run"_s});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith(u"1 new part, 1 update, 1 row refused\nDry run: nothing was written.\n"_s))
        << run.out.toStdString();
    EXPECT_EQ(stateOf(db), before);

    run = newdb({u"--import"_s, file, db.path, u"--skip-refused"_s, u"--update-existing"_s});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith(db.path + u": imported\n"_s)) << run.out.toStdString();
    EXPECT_EQ(db.rows(u"SELECT PartNumber, Qty FROM PARTS WHERE PartNumber IN ('NEW-1', 'NEW-2', 'BRG-6204') "
                      "ORDER BY 1"_s),
              u"BRG-6204|7\nNEW-1|5"_s);

    run = newdb({u"--import"_s, file});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(u"--import needs FILE.csv CATALOGUE"_s)) << run.err.toStdString();
}

TEST(CsvImport, AKilledImportLeavesTheCatalogueAsItWas)
{
    CatalogueDb db;
    const QString before = stateOf(db);
    const QString file = db.env.path(u"list.csv"_s);
    QByteArray bytes = "PartNumber,Qty\n";
    for (int i = 0; i < 1000; ++i)
        bytes += "K-" + QByteArray::number(i) + ",1\n";
    writeFile(file, bytes);
    QProcess slow;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"VANTELO_TEST_IMPORT_PAUSE_MS"_s, u"5000"_s);
    slow.setProcessEnvironment(environment);
    slow.start(QStringLiteral(ORVANA_NEWDB), {u"--import"_s, file, db.path});
    ASSERT_TRUE(slow.waitForStarted());
    // The rollback journal appears with the first parts written, before the pause after them.
    const QString journal = db.path + u"-journal"_s;
    for (int i = 0; i < 400 && !QFile::exists(journal); ++i)
        QThread::msleep(50);
    ASSERT_TRUE(QFile::exists(journal));
    ::kill(pid_t(slow.processId()), SIGKILL);
    ASSERT_TRUE(slow.waitForFinished(10000));
    EXPECT_EQ(slow.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(db.one(u"PRAGMA integrity_check"_s), u"ok"_s);
    EXPECT_EQ(stateOf(db), before);
}

TEST(CsvImport, AnExportedCatalogueImportsBackAsItWas)
{
    CatalogueDb db(2000);
    const QString file = db.env.path(u"all.csv"_s);
    ASSERT_TRUE(CsvExport::writeAllParts(file, kAllColumns));

    const QString copy = db.env.path(u"copy.db"_s);
    ASSERT_TRUE(NewCatalogue::create(copy, 0));
    g_DbConnect = CatalogueDb::connectTo(copy);
    const auto planned = CsvImport::plan(file, {});
    ASSERT_TRUE(planned) << planned.error().message.toStdString();
    EXPECT_EQ(planned->counts(), u"2,004 new parts, 0 updates, 0 rows refused"_s);
    EXPECT_EQ(planned->ignored, QStringList{u"PartID"_s});
    ASSERT_TRUE(CsvImport::apply(*planned));

    // Values are trimmed as a typed edit trims them.
    const QString columns =
        u"SELECT AsscWith, PartNumber, PartDescription, TRIM(Bin), Qty, Price, LastOrdered, "
        "Notes FROM PARTS ORDER BY PartNumber"_s;
    const QString original = db.rows(columns);
    db.path = copy;
    EXPECT_EQ(db.rows(columns), original);
}

TEST(CsvImport, AHundredThousandRowsImportInOneGo)
{
#ifdef __SANITIZE_ADDRESS__
    // Under the sanitizers every allocation is dear: they check the same code on fewer rows.
    constexpr int kRows = 10000;
#else
    constexpr int kRows = 100000;
#endif
    CatalogueDb db;
    const QString file = db.env.path(u"big.csv"_s);
    QByteArray bytes = "PartNumber,PartDescription,Bin,Qty,Price\n";
    for (int i = 0; i < kRows; ++i)
        bytes += "BIG-" + QByteArray::number(i) + ",Generated part " + QByteArray::number(i) + ",Z-" +
                 QByteArray::number(i % 40) + ',' + QByteArray::number(i % 17) + ",1.5\n";
    writeFile(file, bytes);
    const auto planned = CsvImport::plan(file, {});
    ASSERT_TRUE(planned) << planned.error().message.toStdString();
    EXPECT_EQ(planned->counts(), QLocale(QLocale::English, QLocale::UnitedStates).toString(kRows) +
                                     u" new parts, 0 updates, 0 rows refused"_s);
    ASSERT_TRUE(CsvImport::apply(*planned));
    EXPECT_EQ(db.one(u"SELECT COUNT(*) FROM PARTS WHERE PartNumber LIKE 'BIG-%' AND Price = 1.5"_s),
              QString::number(kRows));
    EXPECT_EQ(db.one(u"SELECT COUNT(*) FROM PARTS_History WHERE Via = 'import'"_s), QString::number(kRows));
}

class CsvOn : public EngineTest {};

TEST_P(CsvOn, ACatalogueOnEitherEngineImportsUndoesAndExports)
{
    CatalogueDb db(0, GetParam());
    ASSERT_TRUE(PartHistory::ensure());
    const QString file = db.env.path(u"list.csv"_s);
    writeFile(file, "PartNumber,Qty,Price,LastOrdered,PartDescription\n"
                    "NEW-1,5,2.5,2024-05-06,Lager für Welle\n"
                    "SEAL-35,7,1.5,,Oil seal 35x52\n");
    CsvImport::Options update;
    update.updateExisting = true;
    const auto planned = CsvImport::plan(file, update);
    ASSERT_TRUE(planned) << planned.error().message.toStdString();
    EXPECT_EQ(planned->counts(), u"1 new part, 1 update, 0 rows refused"_s);
    const QString before = db.rows(u"SELECT PartNumber, Qty, Price FROM PARTS ORDER BY PartNumber"_s);
    const auto applied = CsvImport::apply(*planned);
    ASSERT_TRUE(applied) << applied.error().message.toStdString();
    EXPECT_EQ(db.rows(u"SELECT PartNumber, Qty, PartDescription FROM PARTS WHERE PartNumber IN ('NEW-1', "
                      "'SEAL-35') ORDER BY PartNumber"_s),
              u"NEW-1|5|Lager für Welle\nSEAL-35|7|Oil seal 35x52"_s);

    const QString out = db.env.path(u"out.csv"_s);
    ASSERT_TRUE(CsvExport::writeAllParts(out, u"PartDescription, Qty, LastOrdered"_s));
    const QByteArray bytes = bytesOf(out);
    EXPECT_TRUE(bytes.contains(",NEW-1,Lager für Welle,5,2024-05-06")) << bytes.toStdString();

    PartUndo undo;
    undo.push(applied->step);
    ASSERT_EQ(undo.undo(), PartUndo::Outcome::Done) << db.shown();
    EXPECT_EQ(db.rows(u"SELECT PartNumber, Qty, Price FROM PARTS ORDER BY PartNumber"_s), before);
}

ON_EVERY_ENGINE(CsvOn);
