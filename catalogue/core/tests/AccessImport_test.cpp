// SPDX-License-Identifier: MIT
// Conversion of catalogues kept in Microsoft Access files, on files that Access wrote.
#include "CatalogueDb.h"
#include "catalogue/core/AccessCatalogueSetup.h"
#include "catalogue/core/AccessImport.h"
#include "catalogue/core/DataArray.h"
#include "catalogue/core/DbTypes.h"
#include "catalogue/core/UpdateField.h"
#include "catalogue/core/modDB.h"
#include "catalogue/core/modGlobal.h"
#include "common/core/Platform.h"
#include "common/core/RegistryHive.h"
#include "common/core/SqliteHandles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <sqlite3.h>

#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QString testFile(const QString &name)
{
    return QStringLiteral(ACCESS_TESTDATA) + u'/' + name;
}

QByteArray digest(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// An Access file copied into the test's folder, as a user would place it.
QString placed(const CatalogueDb &db, const QString &name, const QString &as)
{
    QString target = db.env.path(as);
    QFile::remove(target);
    EXPECT_TRUE(QFile::copy(testFile(name), target));
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return target;
}

// Rows of a statement on an SQLite file, read directly: fields joined by "|", null as
// "<null>", a blob as "<blob N>", each value prefixed with its storage class's initial.
QString rows(const QString &file, const QString &sql)
{
    sqlite3 *raw = nullptr;
    sqlite3_open_v2(file.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    const SqliteDb db(raw);
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
        return u"<error: "_s + QString::fromUtf8(sqlite3_errmsg(db.get())) + u'>';
    const SqliteStmt statement(st);
    QStringList out;
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList fields;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            switch (sqlite3_column_type(st, i)) {
            case SQLITE_NULL: fields << u"<null>"_s; break;
            case SQLITE_INTEGER: fields << u"i"_s + QString::number(sqlite3_column_int64(st, i)); break;
            case SQLITE_FLOAT:
                fields << u"r"_s + QString::number(sqlite3_column_double(st, i), 'g', 17);
                break;
            case SQLITE_TEXT:
                fields << u"t"_s +
                              QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, i)));
                break;
            default: fields << u"<blob %1>"_s.arg(sqlite3_column_bytes(st, i)); break;
            }
        }
        out << fields.join(u'|');
    }
    return out.join(u'\n');
}

// Each column's declared type as the data layer maps it: "name code size".
QString typeCodes(const QString &file, const QString &table)
{
    QStringList out;
    const QString info = rows(file, u"SELECT name, type FROM pragma_table_info('%1')"_s.arg(table));
    for (const QString &line : info.split(u'\n')) {
        const QStringList f = line.split(u'|');
        DbTypes::TypeInfo t;
        // pragma_table_info gives the declaration without its COLLATE clause.
        const bool known = DbTypes::fromDeclaration(f.value(1).mid(1), &t);
        out << f.value(0).mid(1) + u' ' + (known ? QString::number(t.code) : u"?"_s) + u' ' +
                   QString::number(t.size);
    }
    return out.join(u", ");
}

AccessImport::Options quiet()
{
    return {};
}

QStringList folderContents(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

TEST(AccessImport, RecognisesAccessFilesByTheirHeaderOnly)
{
    CatalogueDb db;
    for (const char *name : {"testV1997.mdb", "testV2000.mdb", "testV2007.accdb", "testV2010.accdb"})
        EXPECT_TRUE(AccessImport::isAccessFile(testFile(QString::fromLatin1(name)))) << name;
    const QString renamed = placed(db, u"testV2007.accdb"_s, u"parts.dat"_s);
    EXPECT_TRUE(AccessImport::isAccessFile(renamed));
    EXPECT_FALSE(AccessImport::isAccessFile(db.path)); // an SQLite catalogue
    TestEnv::writeFile(db.env.path(u"short.mdb"_s), "\0\1\0\0Standard Jet"_ba);
    EXPECT_FALSE(AccessImport::isAccessFile(db.env.path(u"short.mdb"_s)));
    EXPECT_FALSE(AccessImport::isAccessFile(db.env.path(u"missing.mdb"_s)));
}

// Every format's Table1 holds the same two rows of every basic type.
TEST(AccessImport, EveryFormatKeepsEveryValueAndType)
{
    const std::pair<const char *, const char *> files[] = {{"testV1997.mdb", "Access 97"},
                                                           {"testV2000.mdb", "Access 2000-2003"},
                                                           {"testV2007.accdb", "Access 2007"},
                                                           {"testV2010.accdb", "Access 2010"}};
    for (const auto &[name, format] : files) {
        SCOPED_TRACE(name);
        CatalogueDb db;
        const QString source = placed(db, QString::fromLatin1(name), QString::fromLatin1(name));
        const QByteArray before = digest(source);
        const QString target = db.env.path(u"new.db"_s);
        const auto done = AccessImport::convert(source, target, quiet());
        ASSERT_TRUE(done) << done.error().message.toStdString();
        EXPECT_EQ(AccessImport::describe(*done), u"4 tables, 2 rows converted from %1 (%2)"_s.arg(
                                                     QString::fromLatin1(name), QString::fromLatin1(format)));
        EXPECT_FALSE(done->hasParts);
        EXPECT_EQ(digest(source), before);

        EXPECT_EQ(rows(target, u"SELECT A, B, C, D, E, F, G, H, I FROM Table1 ORDER BY A"_s),
                  u"ta|tb|i0|i0|i0|r0|t1981-12-12|i0|i0\n"
                  "tabcdefg|thijklmnop|i2|i222|i333333333|r444.55500000000001|t1974-09-21|r3.5|i-1"_s);
        // Text(n) 202 with its size, Byte/Integer/Long 3, Double 5, Date 7, Currency 6, Yes/No 11.
        EXPECT_EQ(typeCodes(target, u"Table1"_s),
                  u"A 202 50, B 202 100, C 3 4, D 3 4, E 3 4, F 5 8, G 7 8, H 6 8, I 11 2"_s);
        EXPECT_EQ(rows(target, u"SELECT count(*) FROM pragma_table_info('Table2')"_s), u"i89"_s);
        EXPECT_EQ(typeCodes(target, u"Table4"_s), u"name 202 50, data 72 16"_s); // Replication ID: a GUID
        // The AutoNumber is the rowid and goes on after the highest number.
        EXPECT_EQ(rows(target,
                       u"SELECT sql LIKE '%\"a\" INTEGER PRIMARY KEY AUTOINCREMENT%' FROM sqlite_master "
                       "WHERE name = 'Table3'"_s),
                  u"i1"_s);
        // Indexes are made again (B's, and Table2's on three columns and id).
        EXPECT_EQ(rows(target, u"SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = 'Table1' "
                               "ORDER BY name"_s),
                  u"tTable1_B\ntTable1_PrimaryKey"_s);
    }
}

TEST(AccessImport, DatesBefore1900AreTheStoredDaysNotLibmdbsText)
{
    CatalogueDb db;
    const QString target = db.env.path(u"dates.db"_s);
    const auto done = AccessImport::convert(testFile(u"oldDatesV2007.accdb"_s), target, quiet());
    ASSERT_TRUE(done) << done.error().message.toStdString();
    // mdb-export prints all four as "1900-01-00"; the proleptic Gregorian days since 1899-12-30.
    EXPECT_EQ(rows(target, u"SELECT ID, DateField FROM Table1 ORDER BY ID"_s),
              u"i1|t1582-10-15\ni2|t1582-10-14\ni3|t1492-01-10\ni4|t1392-01-10"_s);
    // New rows continue after the highest AutoNumber.
    CatalogueDb::execOn(target, u"INSERT INTO Table1 (DateField) VALUES ('2024-05-06')"_s);
    EXPECT_EQ(rows(target, u"SELECT max(ID) FROM Table1"_s), u"i5"_s);
}

TEST(AccessImport, DecimalsMemosOverflowRowsAndIndexes)
{
    CatalogueDb db;
    const QString decimals = db.env.path(u"decimals.db"_s);
    auto done = AccessImport::convert(testFile(u"fixedNumericTestV2000.mdb"_s), decimals, quiet());
    ASSERT_TRUE(done) << done.error().message.toStdString();
    EXPECT_EQ(rows(decimals, u"SELECT * FROM test"_s), u"tsome data|i1|i0|i0|i4|i-1|i1"_s);
    EXPECT_EQ(typeCodes(decimals, u"test"_s),
              u"col1 203 536870910, col2 131 19, col3 131 19, col4 131 19, col5 131 19, col6 131 19, "
              "col7 131 19"_s);

    // Rows that Access moved to other pages when they grew.
    const QString overflow = db.env.path(u"overflow.db"_s);
    done = AccessImport::convert(testFile(u"overflowTestV2000.mdb"_s), overflow, quiet());
    ASSERT_TRUE(done) << done.error().message.toStdString();
    EXPECT_EQ(done->rows, 7);
    QStringList cells;
    for (const char *c : {"data1", "data3", "data4", "data5", "data6", "data7", "data8", "data9", "data10"})
        cells << u"coalesce(%1, '')"_s.arg(QLatin1String(c));
    EXPECT_EQ(rows(overflow, u"SELECT %1 AS v FROM Table1 ORDER BY v"_s.arg(cells.join(u" || "_s))),
              u"trow1col1\ntrow2col1row2col3\ntrow3col3row3col9\ntrow4col1row4col2\ntrow5col2\n"
              "trow6col2row6col3\ntrow7col1row7col7"_s);

    const QString indexed = db.env.path(u"indexed.db"_s);
    done = AccessImport::convert(testFile(u"indexTestV2000.mdb"_s), indexed, quiet());
    ASSERT_TRUE(done) << done.error().message.toStdString();
    EXPECT_EQ(rows(indexed, u"SELECT name, sql LIKE 'CREATE UNIQUE%' FROM sqlite_master WHERE type = 'index' "
                            "ORDER BY name"_s),
              u"tTable1_PrimaryKey|i1\ntTable1_id|i0\ntTable2_PrimaryKey|i1\ntTable2_id|i0\n"
              "tTable3_PrimaryKey|i1\ntTable3_id|i0"_s);
    EXPECT_EQ(rows(indexed, u"SELECT data FROM Table1 ORDER BY id"_s), u"tbaz0\ntbaz11\ntbaz11-2\ntbaz13"_s);

    const QString empty = db.env.path(u"empty.db"_s);
    done = AccessImport::convert(testFile(u"empty2003.mdb"_s), empty, quiet());
    ASSERT_TRUE(done) << done.error().message.toStdString();
    EXPECT_EQ(AccessImport::describe(*done),
              u"0 tables, 0 rows converted from empty2003.mdb (Access 2000-2003)"_s);
}

// The converted columns edit as the typed update expects of their codes.
TEST(AccessImport, ConvertedColumnsEditThroughTheTypedUpdate)
{
    CatalogueDb db;
    const QString target = db.env.path(u"edit.db"_s);
    const auto done = AccessImport::convert(testFile(u"testV2000.mdb"_s), target, quiet());
    ASSERT_TRUE(done) << done.error().message.toStdString();
    // The typed update writes PARTS by PartID: give the converted table those names.
    CatalogueDb::execOn(target, u"ALTER TABLE Table1 RENAME TO PARTS; ALTER TABLE PARTS ADD PartID INTEGER; "
                                "UPDATE PARTS SET PartID = rowid"_s);
    g_DbConnect = CatalogueDb::connectTo(target);
    const QString id = rows(target, u"SELECT PartID FROM PARTS WHERE A = 'a'"_s).mid(1);
    // The record view reads the part first, which describes its fields to the typed update.
    DataArray data;
    QStringList names;
    ASSERT_EQ(modDB::LoadArray(u"Select * from PARTS where PartID = "_s + id, data, names), 0) << db.shown();
    modDB::UpdateField(id.toInt(), u"H"_s, u"12.34"_s);
    modDB::UpdateField(id.toInt(), u"G"_s, u"1492-01-10"_s);
    modDB::UpdateField(id.toInt(), u"E"_s, u"77"_s);
    modDB::UpdateField(id.toInt(), u"A"_s, u"x"_s.repeated(50));
    EXPECT_TRUE(db.ui.messages().isEmpty()) << db.shown();
    modDB::UpdateField(id.toInt(), u"A"_s, u"x"_s.repeated(51)); // longer than Text(50): refused
    EXPECT_EQ(db.ui.messages().size(), 1) << db.shown();
    EXPECT_EQ(rows(target, u"SELECT H, G, E, length(A) FROM PARTS WHERE PartID = %1"_s.arg(id)),
              u"r12.34|t1492-01-10|i77|i50"_s);
}

// Damaged, foreign, truncated and refused inputs: a reason, no new file, the source unchanged.
TEST(AccessImport, FailuresLeaveNothingAndTheSourceUnchanged)
{
    CatalogueDb db;
    const QString good = placed(db, u"testV2000.mdb"_s, u"good.mdb"_s);
    QByteArray bytes = TestEnv::readFile(good);

    struct Case {
        QString name;
        QByteArray content;
        QString reason;
    };
    QByteArray truncated = bytes.left(20000);
    // Table1's data page: its row count says more rows than the page holds.
    QByteArray damaged = bytes;
    {
        const QString probe = db.env.path(u"probe.db"_s);
        ASSERT_TRUE(AccessImport::convert(good, probe, quiet()));
    }
    // Find the data pages (type 0x01) that hold Table1's text "hijklmnop" in UCS-2 or compressed.
    int pages = 0;
    for (qsizetype page = 0; page + 4096 <= damaged.size(); page += 4096) {
        const QByteArray data = damaged.mid(page, 4096);
        if (data.at(0) == 0x01 && data.contains(QByteArray("h\0i\0j\0k\0l\0m\0n\0o\0p\0", 18))) {
            damaged[page] = 0x7f; // no longer a data page
            ++pages;
        }
    }
    ASSERT_GT(pages, 0);
    const QList<Case> cases{
        {u"truncated.mdb"_s, truncated, u"cannot be read"_s},
        {u"damaged.mdb"_s, damaged, u"Table Table1: 0 of its 2 rows could be read"_s},
        {u"text.mdb"_s, "PartNumber,PartDescription\nBRG-1,Bearing\n"_ba,
         u"is not a Microsoft Access database"_s},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QString source = db.env.path(c.name);
        TestEnv::writeFile(source, c.content);
        const QString target = db.env.path(c.name + u".db"_s);
        const QStringList before = folderContents(db.env.root());
        const auto done = AccessImport::convert(source, target, quiet());
        ASSERT_FALSE(done);
        EXPECT_TRUE(done.error().message.contains(c.reason)) << done.error().message.toStdString();
        EXPECT_EQ(folderContents(db.env.root()), before);
        EXPECT_EQ(TestEnv::readFile(source), c.content);
    }

    // --skip-unreadable converts what can be read and lists the rest.
    AccessImport::Options skip;
    skip.skipUnreadable = true;
    const QString rescued = db.env.path(u"rescued.db"_s);
    const QString source = db.env.path(u"damaged.mdb"_s);
    const auto done = AccessImport::convert(source, rescued, skip);
    ASSERT_TRUE(done) << done.error().message.toStdString();
    EXPECT_EQ(done->leftOut,
              QStringList{u"Table Table1: 0 of its 2 rows could be read; the file is damaged."_s})
        << done->leftOut.join(u'\n').toStdString();
    EXPECT_EQ(done->tables, 4);

    // An existing target is never replaced.
    TestEnv::writeFile(db.env.path(u"taken.db"_s), "mine");
    const auto refused = AccessImport::convert(good, db.env.path(u"taken.db"_s), quiet());
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.error().message.contains(u"exists already"_s));
    EXPECT_EQ(TestEnv::readFile(db.env.path(u"taken.db"_s)), "mine"_ba);
    EXPECT_EQ(TestEnv::readFile(good), bytes);
}

TEST(AccessImport, StoppedConversionLeavesNothing)
{
    CatalogueDb db;
    const QString source = placed(db, u"testV2000.mdb"_s, u"ORVANA.MDB"_s);
    const QByteArray before = digest(source);
    AccessImport::Options options;
    QList<long long> steps;
    options.progress = [&](long long done, long long total) {
        steps << done;
        EXPECT_EQ(total, 4);
        return done < 2; // stops once every row is written, while they are checked
    };
    const QStringList contents = folderContents(db.env.root());
    const auto done = AccessImport::convertInPlace(source, options);
    ASSERT_FALSE(done);
    EXPECT_EQ(done.error().code, AccessImport::kStopped);
    EXPECT_EQ(steps.last(), 2);
    EXPECT_EQ(folderContents(db.env.root()), contents);
    EXPECT_EQ(digest(source), before);
}

TEST(AccessImport, InPlaceKeepsTheAccessFileBesideTheConvertedOne)
{
    CatalogueDb db;
    const QString source = placed(db, u"testV1997.mdb"_s, u"ORVANA.MDB"_s);
    // A shared catalogue: its group may write it, and so it may after the conversion.
    ASSERT_EQ(::chmod(QFile::encodeName(source).constData(), 0664), 0);
    const QByteArray before = digest(source);
    const auto done = AccessImport::convertInPlace(source, quiet());
    ASSERT_TRUE(done) << done.error().message.toStdString();
    EXPECT_FALSE(AccessImport::isAccessFile(source));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(source).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0664u);
    EXPECT_EQ(digest(source + u".access"_s), before);
    EXPECT_EQ(rows(source, u"SELECT count(*) FROM Table1"_s), u"i2"_s);
    EXPECT_EQ(folderContents(db.env.root()).filter(u"ORVANA"_s),
              (QStringList{u"ORVANA.MDB"_s, u"ORVANA.MDB.access"_s}));

    // A second Access file there is not converted over the kept one.
    TestEnv::writeFile(source, TestEnv::readFile(testFile(u"testV2000.mdb"_s)));
    const auto again = AccessImport::convertInPlace(source, quiet());
    ASSERT_FALSE(again);
    EXPECT_TRUE(again.error().message.contains(u"ORVANA.MDB.access exists already"_s));
    EXPECT_EQ(digest(source + u".access"_s), before);
    EXPECT_TRUE(AccessImport::isAccessFile(source));
}

// The window's start-up path: one question, the progress display, the outcome reported.
TEST(AccessCatalogue, AskedOnceConvertedOrLeftAsItWas)
{
    CatalogueDb db;
    const QString source = placed(db, u"testV2000.mdb"_s, u"ORVANA.MDB"_s);
    const QByteArray before = digest(source);
    g_DbConnect = CatalogueDb::connectTo(source);
    const QString question = u"ORVANA.MDB is a Microsoft Access database. Convert it to the catalogue's own "
                             "format? The Access file is kept unchanged as ORVANA.MDB.access."_s;

    db.ui.answers = {MsgAnswer::No};
    EXPECT_FALSE(PrepareAccessCatalogue());
    ASSERT_EQ(db.ui.messages().size(), 2) << db.shown();
    EXPECT_EQ(db.ui.messages()[0].text, question);
    EXPECT_EQ(db.ui.messages()[0].buttons, MsgButtons::YesNo);
    EXPECT_TRUE(db.ui.messages()[1].text.contains(u"was not converted"_s));
    EXPECT_EQ(digest(source), before);
    EXPECT_FALSE(QFile::exists(source + u".access"_s));

    db.ui.clear();
    db.ui.answers = {MsgAnswer::Yes};
    db.ui.stopProgressAt = 1;
    EXPECT_FALSE(PrepareAccessCatalogue());
    ASSERT_EQ(db.ui.messages().size(), 2) << db.shown();
    EXPECT_EQ(db.ui.messages()[1].text,
              u"The conversion of ORVANA.MDB was stopped; every file is left as it was."_s);
    EXPECT_EQ(digest(source), before);
    EXPECT_FALSE(QFile::exists(source + u".access"_s));

    db.ui.clear();
    db.ui.answers = {MsgAnswer::Yes};
    db.ui.stopProgressAt.reset();
    EXPECT_TRUE(PrepareAccessCatalogue());
    ASSERT_EQ(db.ui.messages().size(), 2) << db.shown();
    EXPECT_EQ(db.ui.callsOf(u"progress"_s).size(), 1);
    EXPECT_EQ(db.ui.messages()[1].text, u"4 tables, 2 rows converted from ORVANA.MDB (Access 2000-2003). The "
                                        "Access file is kept unchanged as ORVANA.MDB.access."_s);
    EXPECT_EQ(digest(source + u".access"_s), before);
    EXPECT_TRUE(db.log().contains(u"4 tables, 2 rows converted from ORVANA.MDB (Access 2000-2003)"_s));

    // Now the catalogue's own file: nothing is asked.
    db.ui.clear();
    EXPECT_TRUE(PrepareAccessCatalogue());
    EXPECT_TRUE(db.ui.calls.isEmpty());
}

// A folder this user may not write: the conversion goes to the user's data folder and the
// setting follows it; the Access file and its folder stay as they were.
TEST(AccessCatalogue, ReadOnlyFolderConvertsIntoTheUsersDataFolder)
{
    CatalogueDb db;
    const QString source = placed(db, u"testV2010.accdb"_s, u"program/ORVANA.MDB"_s);
    const QByteArray before = digest(source);
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(db.env.path(u"data"_s)));
    Platform::setProgramFolderWritable(false);
    g_DbConnect = CatalogueDb::connectTo(source);
    const QString target = db.env.path(u"data/vantelo/ORVANA.MDB"_s);
    db.ui.answers = {MsgAnswer::Yes};
    const bool opened = PrepareAccessCatalogue();
    Platform::setProgramFolderWritable(std::nullopt);
    qputenv("XDG_DATA_HOME", oldData);
    ASSERT_TRUE(opened) << db.shown();
    ASSERT_EQ(db.ui.messages().size(), 2) << db.shown();
    EXPECT_TRUE(db.ui.messages()[0].text.contains(target)) << db.shown();
    EXPECT_EQ(db.ui.messages()[1].text,
              u"4 tables, 2 rows converted from ORVANA.MDB (Access 2010). The converted "
              "catalogue is %1; the Access file is left unchanged."_s.arg(target));
    EXPECT_EQ(g_DbConnect, CatalogueDb::connectTo(target));
    EXPECT_EQ(digest(source), before);
    EXPECT_EQ(folderContents(db.env.programFolder()).filter(u"ORVANA"_s), QStringList{u"ORVANA.MDB"_s});
    modGlobal::LoadSettings();
    EXPECT_EQ(g_BackEndDatabase, target); // the setting names the converted catalogue

    // The setting cannot be changed (another program holds the settings file): the user is
    // told, since the next start would otherwise look for the Access file again.
    const QString second = placed(db, u"testV2010.accdb"_s, u"program/SHOP.MDB"_s);
    sqlite3 *holder = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(hivePath(RegRoot::CurrentUser)).constData(), &holder,
                              SQLITE_OPEN_READWRITE, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    qputenv("XDG_DATA_HOME", QFile::encodeName(db.env.path(u"data"_s)));
    Platform::setProgramFolderWritable(false);
    g_DbConnect = CatalogueDb::connectTo(second);
    db.ui.clear();
    db.ui.answers = {MsgAnswer::Yes};
    const bool convertedToo = PrepareAccessCatalogue();
    Platform::setProgramFolderWritable(std::nullopt);
    qputenv("XDG_DATA_HOME", oldData);
    sqlite3_close_v2(holder);
    ASSERT_TRUE(convertedToo) << db.shown();
    ASSERT_EQ(db.ui.messages().size(), 2) << db.shown();
    EXPECT_TRUE(
        db.ui.messages()[1].text.contains(u"The setting \"Back End Database\" could not be changed to it"_s))
        << db.shown();
    EXPECT_EQ(g_DbConnect, CatalogueDb::connectTo(db.env.path(u"data/vantelo/SHOP.MDB"_s)));
}

// orvana-newdb --from-access, killed half-way: no output, the source unchanged.
TEST(AccessImportTool, ConvertsReportsRefusesAndDiesCleanly)
{
    CatalogueDb db;
    const QString source = placed(db, u"testV2000.mdb"_s, u"OLD.MDB"_s);
    const QByteArray before = digest(source);
    const QString target = db.env.path(u"NEW.MDB"_s);

    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QStringLiteral(ORVANA_NEWDB), {u"--from-access"_s, source, target});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 0);
    EXPECT_EQ(
        QString::fromLocal8Bit(run.readAll()),
        u"%1: 4 tables, 2 rows converted from OLD.MDB (Access 2000-2003)\nIt has no PARTS table.\n"_s.arg(
            target));
    run.start(QStringLiteral(ORVANA_NEWDB), {u"--from-access"_s, source, target});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 1);
    EXPECT_TRUE(QString::fromLocal8Bit(run.readAll()).contains(u"exists already"_s));

    // A damaged file: the tool's own reason is all a script reads, not libmdb's chatter.
    const QString cut = db.env.path(u"CUT.MDB"_s);
    TestEnv::writeFile(cut, TestEnv::readFile(source).left(60000));
    run.setProcessChannelMode(QProcess::SeparateChannels);
    run.start(QStringLiteral(ORVANA_NEWDB), {u"--from-access"_s, cut, db.env.path(u"CUT.db"_s)});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 1);
    EXPECT_EQ(run.readAllStandardOutput(), QByteArray());
    EXPECT_EQ(QString::fromLocal8Bit(run.readAllStandardError()),
              u"orvana-newdb: Table Table1 cannot be read.\n"_s);

    const QString killed = db.env.path(u"KILLED.MDB"_s);
    const QStringList contents = folderContents(db.env.root());
    QProcess slow;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"VANTELO_TEST_ACCESS_PAUSE_MS"_s, u"5000"_s);
    slow.setProcessEnvironment(environment);
    slow.start(QStringLiteral(ORVANA_NEWDB), {u"--from-access"_s, source, killed});
    ASSERT_TRUE(slow.waitForStarted());
    QThread::msleep(1000); // well inside the pause after the first table
    ::kill(pid_t(slow.processId()), SIGKILL);
    ASSERT_TRUE(slow.waitForFinished(10000));
    EXPECT_EQ(slow.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(folderContents(db.env.root()), contents);
    EXPECT_EQ(digest(source), before);
}
