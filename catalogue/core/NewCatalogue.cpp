// SPDX-License-Identifier: MIT
#include "NewCatalogue.h"

#include "SearchIndex.h"
#include "common/core/PosixHandles.h"
#include "common/core/SqliteHandles.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>

#include <sqlite3.h>

#include <array>
#include <fcntl.h>
#include <functional>
#include <random>
#include <unistd.h>
#include <vector>

namespace NewCatalogue {

namespace {

struct Family {
    const char *prefix;
    const char *noun;
    std::vector<const char *> details;
};

const std::vector<Family> &families()
{
    static const std::vector<Family> f{
        {"BRG",
         "Ball bearing",
         {"6204-2RS, 20x47x14 mm", "6305 ZZ, 25x62x17 mm", "608-2Z, 8x22x7 mm", "6001 C3"}},
        {"SEAL", "Oil seal", {"35x52x7 NBR", "40x62x8 FKM", "25x42x7 double lip", "shaft seal, pump side"}},
        {"ORG", "O-ring", {"32x3 NBR 70", "18x2.5 Viton", "kit, 382 pieces", "120x4 EPDM"}},
        {"BLT",
         "Hex bolt",
         {"M8x40 zinc plated", "M12x60 8.8", "M6x20 stainless A2", "1/2\"-13 x 2\" grade 5"}},
        {"NUT", "Lock nut", {"M10 nylon insert", "M16 flanged", "KM6 for bearing sleeve", "M8 stainless"}},
        {"VBL", "V-belt", {"A42 13x1067 mm", "SPZ 1250", "B55 classic", "3V500 wedge"}},
        {"HOS",
         "Hydraulic hose",
         {"1/2\" 2SN, 2 m", "3/8\" 1SN, 1.5 m", "return line, 1 m", "suction, 3/4\""}},
        {"FLT",
         "Filter element",
         {"hydraulic return, 10 micron", "air, primary", "fuel water separator", "oil, spin-on"}},
        {"GSK", "Gasket", {"head, multilayer steel", "pump cover", "valve cover, cork", "exhaust flange"}},
        {"SW",
         "Limit switch",
         {"roller lever, 10 A", "plunger type IP67", "magnetic reed", "door interlock"}},
        {"MOT", "Motor", {"0.75 kW 4-pole B3", "wiper, 24 V", "stepper NEMA 23", "fan, 230 V"}},
        {"PMP", "Pump", {"gear, 16 cc", "coolant, 3-phase", "diaphragm, 12 V", "vane, double"}},
        {"CPL", "Coupling", {"jaw L-100 spider", "chain 4012", "quick release 1/4\"", "flexible disc"}},
        {"SPR",
         "Compression spring",
         {"1.5x12x40 mm", "valve, outer", "return, stainless", "die spring, red"}},
        {"FUS", "Fuse", {"10 A slow blow 5x20", "ANL 100 A", "blade 15 A", "HRC 32 A gG"}},
        {"LMP", "Indicator lamp", {"24 V LED green", "230 V neon amber", "BA9s 12 V", "beacon, red"}},
        {"MAN", "Operator's manual", {"series 300", "hydraulic unit", "control cabinet", "spare parts list"}},
    };
    return f;
}

const std::array<const char *, 12> kNotes{
    "Check stock before ordering: supplier's lead time is six weeks.",
    "Replaces the older part; use up existing stock first.",
    "Ordered in packs of 10.",
    "Fits the machines built before 2015 only.",
    "Store dry; rubber parts age in sunlight.",
    "Customer's own stock, do not sell.",
    "Price agreed for the year with the main supplier.",
    "Second source available, ask purchasing.",
    "Torque to 25 Nm on fitting.",
    "Counted at the last stocktake.",
    "Obsolete at the maker; last units.",
    "Heavy item, stored at floor level.",
};

Result<> fill(sqlite3 *db, int count)
{
    int rc = SQLITE_OK;
    const SqliteStmt statement = prepareSqlite(
        db,
        "INSERT INTO PARTS (AsscWith, PartNumber, PartDescription, Bin, Qty, Price, LastOrdered, Notes) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
        -1, &rc);
    if (rc != SQLITE_OK)
        return fail(QString::fromUtf8(sqlite3_errmsg(db)));
    sqlite3_stmt *insert = statement.get();
    auto text = [insert](int column, const QByteArray &value) {
        if (value.isNull())
            sqlite3_bind_null(insert, column);
        else
            sqlite3_bind_text(insert, column, value.constData(), int(value.size()), SQLITE_TRANSIENT);
    };
    QString reason;
    const bool ok = sampleParts(count, [&](const SamplePart &p) {
        sqlite3_reset(insert);
        text(1, p.asscWith);
        text(2, p.partNumber);
        text(3, p.description);
        text(4, p.bin);
        sqlite3_bind_int(insert, 5, p.qty);
        sqlite3_bind_double(insert, 6, p.price);
        text(7, p.lastOrdered);
        text(8, p.notes);
        if (sqlite3_step(insert) == SQLITE_DONE)
            return true;
        reason = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    });
    if (!ok)
        return fail(reason);
    return {};
}

} // namespace

bool sampleParts(int count, const std::function<bool(const SamplePart &)> &take)
{
    std::mt19937 random(20260401);
    auto pick = [&random](int n) { return int(random() % unsigned(n)); };
    const QDate firstOrder(2019, 1, 1);
    std::vector<QByteArray> numbers;
    std::vector<int> parents; // parts that are no one's child, the recent ones first to hang on
    numbers.reserve(std::size_t(count));

    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        const Family &fam = families()[std::size_t(pick(int(families().size())))];
        // A permutation of 100000..999999, so part numbers are unique and look unordered.
        const long long serial = 100000 + (static_cast<long long>(i % 900000) * 611953) % 900000;
        QByteArray number = QByteArray(fam.prefix) + '-' + QByteArray::number(serial);
        if (i >= 900000)
            number += '-' + QByteArray::number(i / 900000);
        else if (pick(5) == 0)
            number += "-" + QByteArray(1, char('A' + pick(4)));
        const QByteArray description =
            QByteArray(fam.noun) + ' ' + fam.details[std::size_t(pick(int(fam.details.size())))];
        const QByteArray bin = QByteArray(1, char('A' + pick(8))) + '-' +
                               QByteArray::number(1 + pick(40)).rightJustified(2, '0') + '-' +
                               QByteArray::number(1 + pick(6)).rightJustified(2, '0');
        const QByteArray ordered = firstOrder.addDays(pick(7 * 365)).toString(Qt::ISODate).toUtf8();

        QByteArray link;
        if (!parents.empty() && pick(100) < 30) {
            const std::size_t window = std::min<std::size_t>(parents.size(), 40);
            link = numbers[std::size_t(parents[parents.size() - 1 - std::size_t(pick(int(window)))])];
        } else {
            parents.push_back(i);
        }

        SamplePart part;
        part.asscWith = link; // null when the part hangs on no other
        part.partNumber = number;
        part.description = description;
        part.bin = bin;
        part.qty = pick(4) == 0 ? 0 : 1 + pick(500);
        part.price = double(25 + pick(250000)) / 100.0;
        part.lastOrdered = ordered;
        if (pick(10) < 4)
            part.notes = kNotes[std::size_t(pick(int(kNotes.size())))];
        ok = take(part);
        numbers.push_back(std::move(number));
    }
    return ok;
}

QString schema()
{
    // Memo columns are declared TEXT: MEMO would give them numeric affinity in SQLite.
    // The part-number index also carries the other columns of the part lists: the lists are
    // ordered by part number, and SQLite walks this index for them; without the columns in it
    // each row would be fetched from the table at random, several times slower than a scan.
    return QStringLiteral(
        "CREATE TABLE PARTS (\n"
        "  PartID INTEGER PRIMARY KEY AUTOINCREMENT,\n"
        "  AsscWith VARCHAR(50) COLLATE NOCASE,\n"
        "  PartNumber VARCHAR(50) COLLATE NOCASE,\n"
        "  PartDescription VARCHAR(255) COLLATE NOCASE,\n"
        "  Bin VARCHAR(20) COLLATE NOCASE,\n"
        "  Qty LONG DEFAULT 0,\n"
        "  Price CURRENCY DEFAULT 0,\n"
        "  LastOrdered DATETIME,\n"
        "  Notes TEXT COLLATE NOCASE\n"
        ");\n"
        "CREATE INDEX PARTS_PartNumber ON PARTS (PartNumber, PartDescription, Bin, AsscWith);\n"
        "CREATE INDEX PARTS_AsscWith ON PARTS (AsscWith);\n");
}

Result<> create(const QString &path, int sampleParts)
{
    // O_EXCL: an existing catalogue is never overwritten, not even one made a moment ago.
    const QByteArray file = QFile::encodeName(path);
    if (!UniqueFd(::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644)))
        return fail(errno == EEXIST ? QCoreApplication::translate("NewCatalogue",
                                                                  "%1 exists already; it is not overwritten.")
                                          .arg(path)
                                    : QCoreApplication::translate("NewCatalogue", "%1 cannot be created: %2")
                                          .arg(path, QString::fromLocal8Bit(strerror(errno))));

    Result<> made;
    {
        int rc = SQLITE_OK;
        const SqliteDb db = openSqlite(file.constData(), SQLITE_OPEN_READWRITE, &rc);
        sqlite3 *h = db.get();
        const QByteArray ddl = schema().toUtf8();
        if (rc != SQLITE_OK)
            made = fail(QString::fromUtf8(sqlite3_errmsg(h)));
        made = made.and_then([h] { return execSqlite(h, "PRAGMA journal_mode = DELETE; BEGIN"); })
                   .and_then([h, &ddl] { return execSqlite(h, ddl.constData()); })
                   .and_then([h, sampleParts] { return fill(h, sampleParts); })
                   .and_then([h] { return execSqlite(h, "COMMIT"); })
                   // Filled after the parts: one pass over them is faster than a trigger per insert.
                   .and_then([h] { return SearchIndex::build(h, {}); })
                   .and_then([h] { return execSqlite(h, "ANALYZE"); });
    }
    if (!made) {
        QFile::remove(path);
        return fail(QCoreApplication::translate("NewCatalogue", "%1 cannot be created: %2")
                        .arg(path, made.error().message));
    }
    return made;
}

} // namespace NewCatalogue
