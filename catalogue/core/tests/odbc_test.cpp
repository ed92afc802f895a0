// SPDX-License-Identifier: MIT
#include "CatalogueDb.h"
#include "catalogue/core/UpdateField.h"
#include "catalogue/core/modDB.h"
#include "catalogue/core/modGlobal.h"
#include "catalogue/core/testsupport/TestOdbc.h"
#include "common/core/modRegistry.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace modDB;

namespace {

const QString kDriver = QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so");

// Points the driver manager at ini files of the test's own, with one data source
// "OrvanaTest" on the test catalogue, and restores the environment afterwards.
class OdbcSource final {
public:
    explicit OdbcSource(const CatalogueDb &db) : m_oldSys(qgetenv("ODBCSYSINI")), m_oldIni(qgetenv("ODBCINI"))
    {
        const QString ini = db.env.path(QStringLiteral("odbc/odbc.ini"));
        TestEnv::writeFile(ini, "[OrvanaTest]\nDriver=SQLite3 Test\nDatabase=" + db.path.toUtf8() +
                                    "\nTimeout=2000\n");
        TestOdbc::use(ini);
    }
    ~OdbcSource()
    {
        restore("ODBCSYSINI", m_oldSys);
        restore("ODBCINI", m_oldIni);
    }

private:
    static void restore(const char *name, const QByteArray &old)
    {
        if (old.isNull())
            qunsetenv(name);
        else
            qputenv(name, old);
    }
    QByteArray m_oldSys, m_oldIni;
};

} // namespace

class Odbc : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFileInfo::exists(kDriver))
            GTEST_SKIP() << "the SQLite ODBC driver (libsqliteodbc) is not installed";
    }
};

TEST_F(Odbc, DsnSettingIsUsedAloneEndToEnd)
{
    CatalogueDb db;
    OdbcSource source(db);
    // The settings as a user would make them: the DSN alone counts, the back end is ignored.
    modRegistry::SaveProperty(QStringLiteral("General"), QStringLiteral("Database"),
                              QStringLiteral("Connection String"), QStringLiteral("DSN=OrvanaTest;"));
    modRegistry::SaveProperty(QStringLiteral("General"), QStringLiteral("Database"),
                              QStringLiteral("Back End Database"),
                              db.env.path(QStringLiteral("elsewhere.mdb")));
    modGlobal::LoadSettings();
    g_LogFolder = db.env.root();
    ASSERT_EQ(g_DbConnect, QStringLiteral("DSN=OrvanaTest;"));

    DataArray data;
    QStringList names;
    ASSERT_EQ(
        LoadArray(QStringLiteral("Select PartID, AsscWith as PartLink, PartNumber, PartDescription, Bin from "
                                 "PARTS where PartNumber LIKE '%r%' ORDER BY 3"),
                  data, names),
        0);
    EXPECT_EQ(names,
              QStringList({u"PartID"_s, u"PartLink"_s, u"PartNumber"_s, u"PartDescription"_s, u"Bin"_s}));
    ASSERT_EQ(data.rowCount(), 2);
    EXPECT_EQ(data.text(2, 0), QStringLiteral("BRG-6204"));
    EXPECT_EQ(data.text(2, 1), QStringLiteral("O'RING-18"));
    EXPECT_TRUE(data.isNull(1, 0));
    EXPECT_EQ(data.text(1, 1), QStringLiteral("BRG-6204"));

    EXPECT_EQ(LookUp(QStringLiteral("PARTS"), QStringLiteral("Bin"), QStringLiteral("PartID = 1000003")),
              QStringLiteral("B-7"));
    EXPECT_EQ(LookUp(QStringLiteral("PARTS"), QStringLiteral("Bin"), QStringLiteral("PartID = 7")),
              QStringLiteral("-1"));
    EXPECT_EQ(dbCount(QStringLiteral("PARTS"), QString()), 4);
    EXPECT_EQ(dbCount(QStringLiteral("PARTS"), QStringLiteral("AsscWith = 'BRG-6204'")), 2);
    EXPECT_EQ(RunSQL(QStringLiteral("UPDATE PARTS SET Bin = 'It''s' WHERE PartID = 1000004")), 0);
    EXPECT_EQ(db.one(QStringLiteral("SELECT Bin FROM PARTS WHERE PartID = 1000004")), QStringLiteral("It's"));
    EXPECT_EQ(RunSQL(QStringLiteral("UPDATE PARTS SET Bin = 'x' WHERE PartID = -1")),
              0); // no row is no failure
    EXPECT_TRUE(db.ui.calls.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(db.env.path(QStringLiteral("elsewhere.mdb"))));
}

TEST_F(Odbc, StructureAndTypedUpdateThroughTheDriver)
{
    CatalogueDb db;
    OdbcSource source(db);
    g_DbConnect = QStringLiteral("DSN=OrvanaTest");
    DataArray data;
    QStringList names;
    ASSERT_EQ(LoadArray(QStringLiteral("Select * from parts where PartID = 1000001"), data, names), 0);
    const char *want[][3] = {{"PartID", "3", "4"},        {"AsscWith", "202", "50"},
                             {"PartNumber", "202", "50"}, {"PartDescription", "202", "255"},
                             {"Bin", "202", "20"},        {"Qty", "3", "4"},
                             {"Price", "6", "8"},         {"LastOrdered", "7", "8"}};
    ASSERT_GE(g_Structure.fieldCount(), 9);
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(want[i][0]);
        EXPECT_EQ(g_Structure.at(0, i), QLatin1String(want[i][0]));
        EXPECT_EQ(g_Structure.at(1, i), QLatin1String(want[i][1]));
        EXPECT_EQ(g_Structure.at(2, i), QLatin1String(want[i][2]));
    }
    EXPECT_EQ(g_Structure.at(1, 8), QStringLiteral("203"));

    UpdateField(1000001, QStringLiteral("BIN"), QStringLiteral(" O'Neil "));
    UpdateField(1000001, QStringLiteral("Qty"), QStringLiteral("77"));
    UpdateField(1000001, QStringLiteral("Bin"), QString(21, u'x'));
    EXPECT_EQ(db.one(QStringLiteral("SELECT Bin || '/' || Qty FROM PARTS WHERE PartID = 1000001")),
              QStringLiteral("O'Neil/77"));
    ASSERT_EQ(db.ui.messages().size(), 1);
    EXPECT_EQ(db.ui.messages()[0].title, QStringLiteral("Text Field Not Updated"));
}

TEST_F(Odbc, UnknownDataSourceAndBadStatementAreReported)
{
    CatalogueDb db;
    OdbcSource source(db);
    g_DbConnect = QStringLiteral("DSN=NoSuchSource");
    DataArray data;
    QStringList names;
    EXPECT_EQ(LoadArray(QStringLiteral("Select * from PARTS"), data, names), -1);
    EXPECT_FALSE(data.isArray());
    EXPECT_EQ(LookUp(QStringLiteral("PARTS"), QStringLiteral("Bin"), QStringLiteral("PartID = 1000001")),
              QStringLiteral("-1"));

    g_DbConnect = QStringLiteral("DSN=OrvanaTest");
    EXPECT_EQ(RunSQL(QStringLiteral("UPDATE PARTZ SET Bin = 'x'")), -1);
    const auto m = db.ui.messages();
    ASSERT_EQ(m.size(), 3);
    EXPECT_TRUE(m[0].text.startsWith(QStringLiteral("Error in LoadArray\r\n")));
    EXPECT_TRUE(m[0].text.contains(QStringLiteral("Data source name not found"))) << m[0].text.toStdString();
    EXPECT_TRUE(m[0].text.contains(QStringLiteral("SQLSTATE IM002")));
    EXPECT_TRUE(m[0].text.contains(QStringLiteral("     Open Connection: DSN=NoSuchSource\r\n")));
    EXPECT_TRUE(m[1].text.startsWith(QStringLiteral("Error in LookUp\r\n")));
    EXPECT_TRUE(m[2].text.startsWith(QStringLiteral("Error in RunSQL\r\n")));
    EXPECT_TRUE(m[2].text.contains(QStringLiteral("PARTZ")));
    EXPECT_TRUE(db.log().contains(QStringLiteral("Error in RunSQL")));
}
