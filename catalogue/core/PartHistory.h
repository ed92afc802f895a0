// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/Result.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

class DbConnection;
class DbRecordset;
class DataArray;

// The record of every change the catalogue makes to PARTS, kept in the catalogue itself
// (PARTS_History) and written in the transaction of the change, so a change never exists
// without its record or a record without its change. Plain rows written by our statements:
// another program writing PARTS is neither helped nor hindered by it.
namespace PartHistory {

inline const QString kTable = QStringLiteral("PARTS_History");
inline const QString kCreated = QStringLiteral("created");
inline const QString kDeleted = QStringLiteral("deleted");

// A stored value as text; nullopt for null.
using Value = std::optional<QString>;

// One row of the history.
struct Entry {
    std::int64_t id = 0;
    QString when; // UTC, ISO 8601
    QString who;  // the login name
    QString databaseUser;
    std::int64_t partId = 0;
    QString partNumber;
    QString change; // the field, kCreated or kDeleted
    Value before;
    Value after;
    QString row; // a deleted part's whole row (rowJson)
    QString via; // "undo", "redo", "restore", or empty
};

// "Who" of an entry as it is shown: the login name, and the server's user when it differs.
QString author(const Entry &entry);

// Creates the table and its indexes where they are missing.
void createTable(DbConnection &connection);
// For the catalogue g_DbConnect names, on opening it: creates the table when missing. A
// catalogue that cannot take it (read only) fails with the reason and is used without it.
Result<> ensure();

// The changes of one transaction, all with its time and author.
class Writer final {
public:
    // Inside a transaction begun on `connection`; `via` is noted on every entry.
    explicit Writer(DbConnection &connection, QString via = {});

    DbConnection &connection() const { return m_connection; }

    // The part's row as stored, column name to value; nullopt when there is no such part.
    struct Row {
        QStringList names;
        QList<Value> values;
        Value value(const QString &field) const;
    };
    std::optional<Row> readPart(std::int64_t partId);

    // Sets the field to the SQL literal and records the change. With `expected`, writes only
    // while the field holds that value, and otherwise gives the value it holds instead.
    struct Edit {
        bool written = false;
        bool found = false;
        Value before; // what the field held (on a refusal: holds)
        Value after;
    };
    Edit writeField(std::int64_t partId, const QString &field, const QString &literal,
                    const std::optional<Value> &expected = std::nullopt);

    // Inserts a part with only its number; its PartID.
    std::int64_t createPart(const QString &partNumber);
    // Inserts a part with the columns set to the SQL literals (the part number first) and
    // records it with its row as made (rowJson, into `row`); its PartID.
    std::int64_t insertPart(const QStringList &columns, const QStringList &literals, QString *row);
    // The same for several parts (each a list of literals): their rows as made, in no
    // particular order.
    QStringList insertParts(const QStringList &columns, const QList<QStringList> &literals);
    // Deletes the part and records its whole row; the row, or "" when there was no such part.
    QString deletePart(std::int64_t partId);
    // The same for several parts: the rows of those there were, in the order given.
    QStringList deleteParts(const QList<std::int64_t> &partIds);
    // Puts a deleted row back with its PartID. Refused (and nothing written) when its PartID
    // or its part number is in use again: the reason.
    std::optional<QString> restorePart(const QString &rowJson);
    // Why restorePart would refuse the row (a text for the user), nullopt when it would not.
    std::optional<QString> restorable(const QString &rowJson);
    // The part's row, as rowJson gives it, when it is there.
    std::optional<QString> currentRow(std::int64_t partId);

    // The last entry of the part (of the field, when one is named).
    std::optional<Entry> latest(std::int64_t partId, const QString &field = {});

    // Records kept back and written together (flush() writes them, before the commit).
    void setBatched(bool on) { m_batched = on; }
    void flush();

private:
    // Parts a statement of SQLite deletes.
    static constexpr qsizetype kDeleteBatch = 500;
    // Deletes with RETURNING * and records the rows it gives back: for tables too wide for
    // the engine's functions.
    QStringList deleteReturned(const QList<std::int64_t> &partIds);
    QStringList partColumns();
    static std::optional<Row> rowOf(DbRecordset &rs);
    // A statement's RETURNING rows: the column names into `row`, the rows into `rows`.
    static void returned(DbRecordset &rs, Row &row, DataArray &rows);
    static void valuesOf(const DataArray &rows, int r, Row &row);
    void record(std::int64_t partId, const Value &partNumber, const QString &change, const Value &before,
                const Value &after, const QString &row);

    DbConnection &m_connection;
    QString m_via;
    QString m_when;
    QString m_who;
    QString m_databaseUser;
    bool m_server = false;
    bool m_batched = false;
    QStringList m_pending;
};

// The whole row as JSON text: whole numbers as numbers, everything else as the stored text,
// nulls as null; restorePart writes each back as a literal the column turns into that value.
QString rowJson(const Writer::Row &row);
std::optional<std::int64_t> rowPartId(const QString &rowJson);
QString rowPartNumber(const QString &rowJson);

// An SQL literal of a stored value: the quoted text, or NULL.
QString literal(const Value &value);

// Each in a transaction of its own on g_DbConnect, failures reported as RunSQL's.
// New: the new part's PartID and its row as made, nullopt after a failure.
struct Created {
    std::int64_t partId = 0;
    QString row;
};
std::optional<Created> createPart(const QString &partNumber);
// Delete of one or several parts, all or none: the rows deleted (in the order given; parts
// that were already gone left out), nullopt after a failure.
std::optional<QStringList> deleteParts(const QList<std::int64_t> &partIds);

// The part's changes, newest first (reported failures give an empty list, as does a
// catalogue without history).
QList<Entry> partHistory(std::int64_t partId);
// The parts deleted (by anyone) that are not in PARTS again, newest first: each its last
// deletion.
QList<Entry> deletedParts();

} // namespace PartHistory
