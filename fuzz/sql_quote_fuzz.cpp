// SPDX-License-Identifier: MIT
// User text inside apostrophe-delimited SQL literals, as the catalogue builds its statements
// (search, look-up, insert, typed update), run on a real SQLite catalogue. Properties:
// every statement is exactly one statement; the text read back equals the text written
// (trimmed where the update trims); a search or look-up never fails and never changes the
// table; a text with a NUL or invalid Unicode may be refused, never stored changed.
// Input: "column|text", where column (Notes, Bin, Qty, Price or LastOrdered) also sends the
// text through the record view's typed update of that column; "utf16:column|..." reads the
// text as UTF-16 code units.

#include "FuzzCheck.h"
#include "FuzzTemp.h"
#include "FuzzUi.h"
#include "catalogue/core/DbConnection.h"
#include "catalogue/core/NewCatalogue.h"
#include "catalogue/core/PartSearch.h"
#include "catalogue/core/UpdateField.h"
#include "catalogue/core/ValueRules.h"
#include "catalogue/core/modDB.h"
#include "catalogue/core/modGlobal.h"

#include <QDateTime>

#include <cmath>
#include <memory>
#include <optional>

namespace {

FuzzUi *g_ui = nullptr;
int g_parts = 0;

QString cell(const QString &sql)
{
    DataArray data;
    QStringList names;
    g_ui->reset();
    FUZZ_CHECK(modDB::LoadArray(sql, data, names) == 0 && g_ui->boxes == 0, sql + u'\n' + g_ui->lastText);
    FUZZ_CHECK(data.isArray() && data.rowCount() == 1, sql);
    return data.isNull(0, 0) ? QStringLiteral("<null>") : data.text(0, 0);
}

// What a text column can hold: no NUL, and valid Unicode. Anything else may be refused,
// never stored changed.
bool storable(const QString &text)
{
    return !text.contains(QChar(0)) && text.isValidUtf16();
}

// One connection for the quoted forms, kept open: they are about the statement text, and
// opening a connection per statement would cost most of the time.
DbConnection *g_db = nullptr;

// The statement's rows (first field as text), or nullopt when the engine refused it.
std::optional<QStringList> rows(const QString &sql, QString *error,
                                const DbConnection::Narrowing &narrowing = {})
{
    try {
        const std::unique_ptr<DbRecordset> rs =
            narrowing ? g_db->openNarrowed(sql, narrowing) : g_db->openRecordset(sql);
        QStringList out;
        DataArray data;
        if (!rs->eof())
            rs->getRows(data);
        for (int r = 0; r < data.rowCount(); ++r)
            out << (data.isNull(0, r) ? QStringLiteral("<null>") : data.text(0, r));
        return out;
    } catch (const DbError &e) {
        *error = e.description;
        return std::nullopt;
    }
}

// The quoted text in every statement form the catalogue builds.
void checkQuoted(const QString &text)
{
    const QString q = modDB::SQLQuote(text);
    QString error;

    // Written as a memo is, and read back whole. A NUL may be refused, never cut short.
    const auto written = rows(
        QStringLiteral("UPDATE PARTS SET [Notes] = '") + q + QStringLiteral("' WHERE PartID = 1"), &error);
    if (!written) {
        FUZZ_CHECK(!storable(text), fuzz::show(text) + QStringLiteral(" refused: ") + error);
    } else {
        const auto back = rows(QStringLiteral("Select Notes from PARTS where PartID = 1"), &error);
        FUZZ_CHECK(back && back->size() == 1 && back->first() == text,
                   fuzz::show(text) + QStringLiteral(" read back as ") +
                       (back ? fuzz::show(back->join(u'|')) : error));
    }

    // The part list's search (with the index's narrowing, as the window reads it) and the
    // look-up of a part number run and change nothing.
    const SearchIndex::PartQuery search = PartSearch::query(text, QStringLiteral("PartDescription, Bin"));
    const QString searchSql =
        QStringLiteral("Select PartID, AsscWith as PartLink, PartNumber, PartDescription, "
                       "Bin from PARTS where PartNumber LIKE '%") +
        q + QStringLiteral("%' OR PartDescription LIKE '%") + q + QStringLiteral("%' ORDER BY 3");
    FUZZ_CHECK(search.sql() == searchSql, fuzz::show(text) + QStringLiteral(" searched as ") + search.sql());
    const auto found = rows(searchSql, &error, PartSearch::narrowing(search));
    FUZZ_CHECK(!storable(text) || found, fuzz::show(text) + u'\n' + error);
    FUZZ_CHECK(!found || found->size() <= g_parts, fuzz::show(text));
    const auto id =
        rows(QStringLiteral("SELECT TOP 1 [PARTID] FROM PARTS WHERE PartNumber='") + q + u'\'', &error);
    FUZZ_CHECK(!storable(text) || (id && id->size() <= 1), fuzz::show(text) + u'\n' + error);

    // Every statement so far was one statement: the table still holds every part.
    const auto count = rows(QStringLiteral("SELECT COUNT(*) FROM PARTS"), &error);
    FUZZ_CHECK(count && count->value(0).toInt() == g_parts, fuzz::show(text));
}

// The record view's typed update of one column, read back from the database.
void checkTyped(const QString &column, const QString &text)
{
    const QString before =
        cell(QStringLiteral("Select ") + column + QStringLiteral(" from PARTS where PartID = 2"));
    cell(QStringLiteral("Select * from parts where PartID = 2")); // the record view's types and sizes
    g_ui->reset();
    modDB::UpdateField(2, column, text);
    const int boxes = g_ui->boxes;
    const QString title = g_ui->lastTitle, message = g_ui->lastText;
    const QString after =
        cell(QStringLiteral("Select ") + column + QStringLiteral(" from PARTS where PartID = 2"));
    const QString value = ValueRules::trimSpaces(text);
    const QString what = column + QStringLiteral(" = ") + fuzz::show(text);
    if (boxes > 0) {
        FUZZ_CHECK(after == before, what + QStringLiteral(" refused, yet written: ") + fuzz::show(after));
        FUZZ_CHECK(title != QStringLiteral("Orvana") || !storable(text),
                   what + QStringLiteral(" failed: ") + message);
        return;
    }
    if (column == QStringLiteral("Notes") || column == QStringLiteral("Bin")) {
        FUZZ_CHECK(after == value, what + QStringLiteral(" read back as ") + fuzz::show(after));
        FUZZ_CHECK(column == QStringLiteral("Notes") || ValueRules::characterCount(value) <= 20, what);
    } else if (column == QStringLiteral("Qty") || column == QStringLiteral("Price")) {
        const auto typed = ValueRules::parseNumber(value);
        FUZZ_CHECK(typed, what + QStringLiteral(" written though not a number: ") + after);
        const double expected = column == QStringLiteral("Qty") ? std::nearbyint(*typed) : *typed;
        bool ok = false;
        const double stored = after.toDouble(&ok);
        FUZZ_CHECK(ok && std::fabs(stored - expected) <= std::fabs(expected) * 1e-15 + 0.00005,
                   what + QStringLiteral(" stored as ") + after);
    } else {
        bool hasTime = false;
        const auto typed = ValueRules::parseDate(value, &hasTime);
        FUZZ_CHECK(typed && ValueRules::isoDate(*typed, hasTime) == after,
                   what + QStringLiteral(" stored as ") + after);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    g_ui = new FuzzUi;
    const QString file = fuzz::scratchFolder() + QStringLiteral("/parts.db");
    if (const auto made = NewCatalogue::create(file, 3); !made) {
        std::fprintf(stderr, "cannot create the catalogue: %s\n", qUtf8Printable(made.error().message));
        std::abort();
    }
    g_DbConnect = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + file;
    g_LogFolder = fuzz::scratchFolder();
    g_parts = modDB::dbCount(QStringLiteral("PARTS"), QString());
    g_db = DbConnection::open(g_DbConnect).release();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 4096)
        return 0;
    fuzz::Split in = fuzz::splitHead(fuzz::bytes(data, size));
    // "utf16:" before the column takes the text as UTF-16 code units, lone surrogates and all.
    const bool utf16 = in.head.startsWith("utf16:");
    if (utf16)
        in.head = in.head.mid(6);
    const QString text =
        utf16 ? QString(reinterpret_cast<const QChar *>(in.rest.constData()), in.rest.size() / 2)
              : QString::fromUtf8(in.rest);
    checkQuoted(text);
    for (const char *column : {"Notes", "Bin", "Qty", "Price", "LastOrdered"}) {
        if (in.head.compare(column, Qt::CaseInsensitive) == 0)
            checkTyped(QString::fromLatin1(column), text);
    }
    // The log of refusals and failures would grow without end.
    QFile::remove(g_LogFolder + QStringLiteral("/Orvana.log"));
    return 0;
}
