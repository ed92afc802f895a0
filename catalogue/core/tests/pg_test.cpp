#include "CatalogueDb.h"
#include "PgDialect.h"
#include "UpdateField.h"
#include "modDB.h"
#include "modGlobal.h"

#include <gtest/gtest.h>

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
