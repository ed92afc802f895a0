// SPDX-License-Identifier: MIT
#include "CatalogueDb.h"
#include "catalogue/core/modDB.h"
#include "catalogue/core/modGlobal.h"
#include "common/core/Translations.h"

#include <QCoreApplication>
#include <QLocale>
#include <QProcess>
#include <QTranslator>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct ToolRun {
    int exitCode;
    QString output;
};

ToolRun newdb(const QStringList &arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(ORVANA_NEWDB), arguments);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAll())};
}

} // namespace

TEST(NewDb, SampleCatalogueIsRealisticAndAssociated)
{
    CatalogueDb db; // for its environment and seam; the tool makes its own file
    const QString file = db.env.path(QStringLiteral("sample.mdb"));
    const ToolRun run = newdb({file, QStringLiteral("--sample"), QStringLiteral("2000")});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();

    db.path = file;
    g_DbConnect = CatalogueDb::connectTo(file);
    EXPECT_EQ(modDB::dbCount(QStringLiteral("PARTS"), QString()), 2000);
    const int linked = modDB::dbCount(QStringLiteral("PARTS"), QStringLiteral("AsscWith IS NOT NULL"));
    EXPECT_GT(linked, 500);
    EXPECT_LT(linked, 700);
    // Every link names an existing part, and part numbers are unique.
    EXPECT_EQ(modDB::dbCount(QStringLiteral("PARTS p"),
                             QStringLiteral("AsscWith IS NOT NULL AND NOT EXISTS "
                                            "(SELECT 1 FROM PARTS q WHERE q.PartNumber = p.AsscWith)")),
              0);
    EXPECT_EQ(db.one(QStringLiteral("SELECT COUNT(DISTINCT PartNumber) FROM PARTS")), QStringLiteral("2000"));
    EXPECT_EQ(
        db.one(QStringLiteral("SELECT COUNT(*) FROM PARTS WHERE PartDescription IS NULL OR Bin IS NULL OR "
                              "LastOrdered NOT LIKE '20__-__-__' OR Price <= 0")),
        QStringLiteral("0"));
    EXPECT_EQ(db.one(QStringLiteral("SELECT COUNT(*) FROM PARTS WHERE Notes IS NOT NULL")).toInt() > 0, true);
    EXPECT_TRUE(db.ui.calls.isEmpty());
}

TEST(NewDb, EmptyCatalogueAndRefusals)
{
    CatalogueDb db;
    const QString file = db.env.path(QStringLiteral("empty.mdb"));
    ASSERT_EQ(newdb({file}).exitCode, 0);
    g_DbConnect = CatalogueDb::connectTo(file);
    EXPECT_EQ(modDB::dbCount(QStringLiteral("PARTS"), QString()), 0);

    // An existing file is never overwritten, catalogue or not.
    TestEnv::writeFile(db.env.path(QStringLiteral("keep.txt")), "precious");
    const ToolRun refused =
        newdb({db.env.path(QStringLiteral("keep.txt")), QStringLiteral("--sample"), QStringLiteral("5")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.output.contains(QStringLiteral("not overwritten"))) << refused.output.toStdString();
    EXPECT_EQ(TestEnv::readFile(db.env.path(QStringLiteral("keep.txt"))), QByteArray("precious"));
    EXPECT_EQ(newdb({file, QStringLiteral("--sample"), QStringLiteral("5")}).exitCode, 1);
    EXPECT_EQ(modDB::dbCount(QStringLiteral("PARTS"), QString()), 0);

    EXPECT_EQ(newdb({}).exitCode, 2);
    EXPECT_EQ(
        newdb({file + QStringLiteral("2"), QStringLiteral("--sample"), QStringLiteral("many")}).exitCode, 2);
    // A folder that does not exist leaves nothing behind.
    EXPECT_EQ(newdb({db.env.path(QStringLiteral("no/such/x.mdb"))}).exitCode, 1);
}

TEST(NewDb, CatalogueOnAServerIsMadeOnceInAnEmptyDatabase)
{
    SKIP_WITHOUT_ENGINE(Engine::PostgreSQL);
    PgTestServer *server = PgTestServer::shared();
    CatalogueDb db; // for its environment, seam and log
    const QString database = server->createDatabase();
    const QString dsn = server->dataSource(database);
    const ToolRun run = newdb({dsn, QStringLiteral("--sample"), QStringLiteral("1500")});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();

    g_DbConnect = dsn;
    EXPECT_EQ(modDB::dbCount(QStringLiteral("PARTS"), QString()), 1500);
    EXPECT_EQ(modDB::dbCount(QStringLiteral("PARTS p"),
                             QStringLiteral("AsscWith IS NOT NULL AND NOT EXISTS "
                                            "(SELECT 1 FROM PARTS q WHERE q.PartNumber = p.AsscWith)")),
              0);
    EXPECT_GT(modDB::dbCount(QStringLiteral("PARTS"), QStringLiteral("Notes LIKE '%''s%'")), 0);
    const QString indexes =
        server
            ->query(database,
                    QStringLiteral("SELECT string_agg(indexname, ',' ORDER BY indexname) FROM pg_indexes "
                                   "WHERE tablename = 'parts'"))
            .value_or(QString());
    EXPECT_TRUE(indexes.contains(QStringLiteral("parts_partnumber"))) << indexes.toStdString();
    EXPECT_TRUE(indexes.contains(QStringLiteral("parts_asscwith"))) << indexes.toStdString();

    // The record view of a part reads as in a catalogue file.
    DataArray data;
    QStringList names;
    ASSERT_EQ(modDB::LoadArray(QStringLiteral("Select * from parts where PartID = 1"), data, names), 0);
    EXPECT_EQ(names, QStringList({u"PartID"_s, u"AsscWith"_s, u"PartNumber"_s, u"PartDescription"_s, u"Bin"_s,
                                  u"Qty"_s, u"Price"_s, u"LastOrdered"_s, u"Notes"_s}));
    QStringList types;
    for (int i = 0; i < g_Structure.fieldCount(); ++i)
        types << g_Structure.at(1, i) + u'/' + g_Structure.at(2, i);
    EXPECT_EQ(types.join(u' '), QStringLiteral("3/4 202/50 202/50 202/255 202/20 3/4 6/8 7/8 203/536870910"));

    // A second run changes nothing, sample or not.
    const ToolRun again = newdb({dsn, QStringLiteral("--sample"), QStringLiteral("5")});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.output.contains(QStringLiteral("has a PARTS table already")))
        << again.output.toStdString();
    EXPECT_EQ(newdb({dsn}).exitCode, 1);
    EXPECT_EQ(modDB::dbCount(QStringLiteral("PARTS"), QString()), 1500);
    // A data source that is not there is reported, not created.
    const ToolRun missing = newdb({QStringLiteral("DSN=NoSuchSource")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.output.contains(QStringLiteral("Data source name not found")))
        << missing.output.toStdString();
    EXPECT_TRUE(db.ui.calls.isEmpty()) << db.shown();
}

// The catalogue's programs carry their English texts: an English user's program loads
// both files, which hold no translations.
TEST(NewCatalogue, EnglishTextsOfTheCatalogueFamiliesLoad)
{
    QLocale::setDefault(QLocale(QStringLiteral("en_GB")));
    const QStringList loaded = Translations::install();
    EXPECT_EQ(loaded,
              (QStringList{QStringLiteral(":/i18n/common_en.qm"), QStringLiteral(":/i18n/orvana_en.qm")}));
    for (QTranslator *t : QCoreApplication::instance()->findChildren<QTranslator *>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    QLocale::setDefault(QLocale::c());
}
