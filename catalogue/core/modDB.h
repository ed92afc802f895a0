// SPDX-License-Identifier: MIT
#pragma once

#include "DataArray.h"
#include "DbConnection.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

// Per field of the last query that returned a row: attribute 0 its name, 1 its type code
// (3 long integer, 6 currency, 7 date, 202 text, 203 memo, 5 double, 11 yes/no, others
// as the engine gives them) and 2 its defined size, both as decimal text; 3 and 4 stay empty.
// Before the first such query it is no array at all.
class StructureArray final {
public:
    static constexpr int kAttributes = 5;

    bool isArray() const { return !m_fields.empty(); }
    int fieldCount() const { return int(m_fields.size()); }
    QString at(int attribute, int field) const
    {
        return m_fields.at(std::size_t(field)).at(std::size_t(attribute));
    }

    void erase() { m_fields.clear(); }
    void append(const QString &name, const QString &typeCode, const QString &size)
    {
        m_fields.push_back({name, typeCode, size, QString(), QString()});
    }

private:
    std::vector<std::array<QString, kAttributes>> m_fields;
};

extern StructureArray g_Structure;

// Every operation opens its own connection with g_DbConnect as it is at the call, does one
// thing and closes it. A failure is written to the log and shown ("Error in " + name ...),
// and the operation returns its failure value.
namespace modDB {

// 0 when it ran to the end, -1 when it failed. On success with rows, `data` holds every row
// and `fieldNames` the result's names (aliases where given), and g_Structure describes the
// fields; without rows both stay empty and g_Structure is left as it was. A narrowing is
// offered to the engine (DbConnection::openNarrowed).
std::int16_t LoadArray(const QString &sql, DataArray &data, QStringList &fieldNames,
                       const DbConnection::Narrowing &narrowing = {});
// The same, and `structure` describes this query's fields as g_Structure then does; without
// rows, or on failure, it is no array. For a caller that types values by its own record.
std::int16_t LoadArray(const QString &sql, DataArray &data, QStringList &fieldNames,
                       StructureArray &structure, const DbConnection::Narrowing &narrowing = {});

// LoadArray in steps, for a list that is shown while it is read. A failure at any step is
// reported as LoadArray's; the rows read until then are dropped, as LoadArray drops them.
class RowReader final {
public:
    RowReader();
    ~RowReader();
    RowReader(const RowReader &) = delete;
    RowReader &operator=(const RowReader &) = delete;

    // Opens the query and reads its first row, as LoadArray does: with rows, `fieldNames`
    // gets the result's names, g_Structure describes them and `data` is begun. False when
    // it failed (reported). A narrowing is offered to the engine (DbConnection::openNarrowed).
    bool open(const QString &sql, DataArray &data, QStringList &fieldNames,
              const DbConnection::Narrowing &narrowing = {});
    // Appends up to `maxRows` rows; true once every row is in `data` or the reading failed
    // (reported; `data` is then empty). The connection is closed at the end.
    bool read(DataArray &data, int maxRows);
    bool atEnd() const { return !m_rs; }

private:
    void close();

    QString m_sql;
    QString m_connect;
    std::unique_ptr<DbConnection> m_connection;
    std::unique_ptr<DbRecordset> m_rs;
};

// Rebuilds g_Structure (or `structure`) from an open result set positioned on its first row.
void GetStructure(const DbRecordset &rs);
void GetStructure(const DbRecordset &rs, StructureArray &structure);

// 0 on success, -1 on failure.
std::int16_t RunSQL(const QString &sql);

// Runs `body` on one connection in one transaction, committed when the body returns; a
// failure keeps none of it and is reported as RunSQL's, with the statement the body last
// named in `step`. 0 on success, -1 on failure.
std::int16_t RunTransaction(const std::function<void(DbConnection &connection, QString &step)> &body);

// The first row's field as trimmed text ("" for null); "-1" when no row matches or on failure.
QString LookUp(const QString &table, const QString &field, const QString &criterion);

// COUNT(*) of the table, with " WHERE " + criterion when the criterion is not empty; -1 on failure.
std::int32_t dbCount(const QString &table, const QString &criterion);

// The value with every apostrophe doubled, for an apostrophe-delimited SQL literal.
QString SQLQuote(const QString &value);

} // namespace modDB
