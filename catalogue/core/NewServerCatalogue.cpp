// SPDX-License-Identifier: MIT
#include "NewCatalogue.h"

#include "OdbcConnection.h"

#include <QCoreApplication>
#include <QLocale>

namespace NewCatalogue {

namespace {

// Rows per INSERT: few round trips to the server, statements of a moderate size.
constexpr int kRowsPerInsert = 1000;

QString literal(const QByteArray &text)
{
    if (text.isNull())
        return QStringLiteral("NULL");
    QString s = QString::fromUtf8(text);
    s.replace(u'\'', QStringLiteral("''"));
    return u'\'' + s + u'\'';
}

} // namespace

Result<> createOnServer(const QString &connectionString, int count)
{
    try {
        OdbcConnection db(connectionString);
        if (db.server() != OdbcConnection::Server::PostgreSQL)
            return fail(QCoreApplication::translate("NewCatalogue",
                                                    "%1: catalogues are made on PostgreSQL servers only.")
                            .arg(connectionString));
        {
            auto rs = db.openRecordset(QStringLiteral(
                "SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = current_schema() AND "
                "lower(table_name) = 'parts'"));
            if (!rs->eof() && rs->value(0) != QStringLiteral("0"))
                return fail(
                    QCoreApplication::translate(
                        "NewCatalogue", "%1: the database has a PARTS table already; it is not changed.")
                        .arg(connectionString));
        }

        // A trigram index lets the server answer the substring searches without reading every
        // part; pg_trgm ships with the server but may not be allowed here, so it is optional.
        bool trigrams = true;
        try {
            db.execute(QStringLiteral("CREATE EXTENSION IF NOT EXISTS pg_trgm"));
        } catch (const DbError &) {
            trigrams = false;
        }

        db.setAutoCommit(false);
        db.execute(QStringLiteral(
            "CREATE TABLE PARTS (PartID serial PRIMARY KEY, AsscWith varchar(50), PartNumber varchar(50), "
            "PartDescription varchar(255), Bin varchar(20), Qty integer DEFAULT 0, Price numeric(19,4) "
            "DEFAULT 0, "
            "LastOrdered timestamp, Notes text)"));

        const QString head = QStringLiteral("INSERT INTO PARTS (AsscWith, PartNumber, PartDescription, Bin, "
                                            "Qty, Price, LastOrdered, Notes) VALUES ");
        QString sql;
        int rows = 0;
        auto flush = [&] {
            if (rows > 0)
                db.execute(sql);
            sql.clear();
            rows = 0;
        };
        sampleParts(count, [&](const SamplePart &p) {
            sql += (rows == 0 ? head : QStringLiteral(",")) + u'(' + literal(p.asscWith) + u',' +
                   literal(p.partNumber) + u',' + literal(p.description) + u',' + literal(p.bin) + u',' +
                   QString::number(p.qty) + u',' + QString::number(p.price, 'f', 2) + u',' +
                   literal(p.lastOrdered) + u',' + literal(p.notes) + u')';
            if (++rows == kRowsPerInsert)
                flush();
            return true;
        });
        flush();

        // Indexes after the rows: building them once is faster than keeping them up to date.
        db.execute(QStringLiteral("CREATE INDEX PARTS_PartNumber ON PARTS (PartNumber)"));
        db.execute(QStringLiteral("CREATE INDEX PARTS_AsscWith ON PARTS (AsscWith)"));
        if (trigrams)
            db.execute(
                QStringLiteral("CREATE INDEX PARTS_Search ON PARTS USING gin (PartNumber gin_trgm_ops, "
                               "PartDescription gin_trgm_ops)"));
        db.commit();
        db.setAutoCommit(true);
        db.execute(QStringLiteral("ANALYZE PARTS"));
        return {};
    } catch (const DbError &e) {
        return fail(QStringLiteral("%1: %2").arg(connectionString, e.description));
    }
}

} // namespace NewCatalogue
