// SPDX-License-Identifier: MIT
#include "SqliteRecordset.h"
#include "Utf8Text.h"

#include "DbTypes.h"
#include "SqliteConnection.h"

#include <sqlite3.h>

#include <charconv>
#include <cstdlib>
#include <limits>
#include <string_view>

#include <QCoreApplication>

namespace {

// A cell of the given type (not NULL) as text. SQLite prints a real with 15 significant
// digits, which loses the cents of a currency value from about 10^13 up ("122337203685477.58"
// read back as "...478.0"): such a value is printed in the shortest form that reads back as
// the same number. An integer is printed here as SQLite prints it, without converting the
// engine's value in place: reading a million rows, that was a tenth of the time.
// `Cell` reads one value, of a row (a column of a statement) or of a call (a function's
// argument), so both print alike.
template <class Cell> std::string_view cellText(const Cell &cell, int type, char (&buffer)[32])
{
    if (type == SQLITE_INTEGER) {
        const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, cell.int64());
        return std::string_view(buffer, std::size_t(end - buffer));
    }
    const auto *text = reinterpret_cast<const char *>(cell.text());
    if (!text)
        throw DbError{QCoreApplication::translate("SqliteRecordset", "Out of memory."), SQLITE_NOMEM,
                      QStringLiteral("SQLite")};
    const std::string_view printed(text, std::size_t(cell.bytes()));
    if (type != SQLITE_FLOAT)
        return printed;
    const double value = cell.real();
    if (std::strtod(text, nullptr) == value)
        return printed;
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string_view(buffer, std::size_t(end - buffer)) : printed;
}

struct Column {
    sqlite3_stmt *stmt;
    int field;
    sqlite3_int64 int64() const { return sqlite3_column_int64(stmt, field); }
    const unsigned char *text() const { return sqlite3_column_text(stmt, field); }
    int bytes() const { return sqlite3_column_bytes(stmt, field); }
    double real() const { return sqlite3_column_double(stmt, field); }
};

struct Argument {
    sqlite3_value *value;
    sqlite3_int64 int64() const { return sqlite3_value_int64(value); }
    const unsigned char *text() const { return sqlite3_value_text(value); }
    int bytes() const { return sqlite3_value_bytes(value); }
    double real() const { return sqlite3_value_double(value); }
};

} // namespace

SqliteRecordset::SqliteRecordset(sqlite3 *db, const QString &sql, Transaction transaction)
    : m_db(db), m_endsTransaction(transaction == EndsTransaction)
{
    const QByteArray text = sql.toUtf8();
    const char *tail = nullptr;
    sqlite3_stmt *stmt = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &stmt, &tail);
    m_stmt.reset(stmt);
    if (rc != SQLITE_OK)
        throw SqliteConnection::error(m_db, rc);
    if (!m_stmt) // nothing but blanks or a comment
        throw DbError{QCoreApplication::translate("SqliteRecordset", "The statement is empty."),
                      SQLITE_MISUSE, QStringLiteral("SQLite")};
    // One statement per call, as the desktop database takes it: text after it is refused,
    // not run and not silently dropped.
    for (const char *c = tail; c && *c; ++c) {
        if (*c != ';' && *c != ' ' && *c != '\t' && *c != '\r' && *c != '\n')
            throw DbError{QCoreApplication::translate("SqliteRecordset",
                                                      "Characters found after end of SQL statement."),
                          SQLITE_ERROR, QStringLiteral("SQLite")};
    }
    m_fields = sqlite3_column_count(m_stmt.get());
    step();
}

SqliteRecordset::~SqliteRecordset()
{
    m_stmt.reset(); // finalized before its transaction ends
    endTransaction();
}

void SqliteRecordset::endTransaction()
{
    if (!m_endsTransaction)
        return;
    m_endsTransaction = false;
    if (!sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
}

void SqliteRecordset::step()
{
    const int rc = sqlite3_step(m_stmt.get());
    if (rc == SQLITE_ROW)
        m_eof = false;
    else if (rc == SQLITE_DONE) {
        m_eof = true;
        endTransaction(); // writers need not wait for the list to be closed
    } else {
        throw SqliteConnection::error(m_db, rc);
    }
}

QString SqliteRecordset::fieldName(int field) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt.get(), field));
}

namespace {

// A column without a declaration (an expression) is typed by its value in the current row.
DbTypes::TypeInfo typeOf(sqlite3_stmt *stmt, bool eof, int field)
{
    DbTypes::TypeInfo t;
    const char *declared = sqlite3_column_decltype(stmt, field);
    if (declared && DbTypes::fromDeclaration(QString::fromUtf8(declared), &t))
        return t;
    if (declared)
        return {DbTypes::Variant, 0};
    switch (eof ? SQLITE_NULL : sqlite3_column_type(stmt, field)) {
    case SQLITE_INTEGER: t.code = DbTypes::Long; break;
    case SQLITE_FLOAT: t.code = DbTypes::Double; break;
    case SQLITE_BLOB: t.code = DbTypes::Binary; break;
    default: t.code = DbTypes::Text; break;
    }
    t.size = DbTypes::defaultSize(t.code);
    return t;
}

} // namespace

int SqliteRecordset::typeCode(int field) const
{
    return typeOf(m_stmt.get(), m_eof, field).code;
}

long long SqliteRecordset::definedSize(int field) const
{
    return typeOf(m_stmt.get(), m_eof, field).size;
}

QString SqliteRecordset::value(int field, bool *isNull)
{
    const int type = m_eof ? SQLITE_NULL : sqlite3_column_type(m_stmt.get(), field);
    if (isNull)
        *isNull = type == SQLITE_NULL;
    if (type == SQLITE_NULL)
        return {};
    char buffer[32];
    return storedText(cellText(Column{m_stmt.get(), field}, type, buffer));
}

std::optional<std::string_view> SqliteRecordset::valueText(sqlite3_value *value, char (&buffer)[32])
{
    const int type = sqlite3_value_type(value);
    if (type == SQLITE_NULL)
        return std::nullopt;
    return cellText(Argument{value}, type, buffer);
}

void SqliteRecordset::getRows(DataArray &data)
{
    data.start(m_fields);
    appendRows(data, std::numeric_limits<int>::max());
    data.finish();
}

bool SqliteRecordset::appendRows(DataArray &data, int maxRows)
{
    for (int n = 0; n < maxRows && !m_eof; ++n) {
        for (int f = 0; f < m_fields; ++f) {
            bool fits = true;
            const int type = sqlite3_column_type(m_stmt.get(), f);
            if (type == SQLITE_NULL) {
                fits = data.appendNull();
            } else {
                char buffer[32];
                const std::string_view text = cellText(Column{m_stmt.get(), f}, type, buffer);
                fits = data.append({text.data(), text.size()});
                if (fits && type == SQLITE_BLOB)
                    data.markLast(DataArray::Kind::Binary);
                else if (fits && type == SQLITE_FLOAT && text.data() == buffer)
                    data.markLast(DataArray::Kind::Reprinted);
            }
            if (!fits)
                throw DbError{QCoreApplication::translate("SqliteRecordset",
                                                          "The result is too large to be held in memory."),
                              SQLITE_TOOBIG, QStringLiteral("SQLite")};
        }
        data.endRow();
        step();
    }
    return m_eof;
}

void SqliteRecordset::skipRows()
{
    while (!m_eof)
        step();
}
