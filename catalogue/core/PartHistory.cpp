// SPDX-License-Identifier: MIT
#include "PartHistory.h"
#include "Utf8Text.h"

#include "DataArray.h"
#include "DbConnection.h"
#include "OdbcConnection.h"
#include "SqliteConnection.h"
#include "SqliteRecordset.h"
#include "modDB.h"
#include "modGlobal.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QSet>

#include <sqlite3.h>

#include <pwd.h>
#include <unistd.h>

namespace PartHistory {

namespace {

const QString kColumns = QStringLiteral("HistoryID, ChangedAt, ChangedBy, DbUser, PartID, PartNumber, "
                                        "Change, ValueBefore, ValueAfter, RowData, Via");

const QString kDeletedIndex = QStringLiteral("PARTS_History_Deleted");

// U+FEFF in a row's JSON is written escaped: Qt's reader drops it, raw, from the start of a
// string, and a restored value would lose it.
constexpr std::string_view kMark = "\xEF\xBB\xBF";
constexpr std::string_view kMarkEscaped = "\\ufeff";

QByteArray withMarksEscaped(QByteArray json)
{
    return json.replace(QByteArrayView(kMark.data(), qsizetype(kMark.size())),
                        QByteArrayView(kMarkEscaped.data(), qsizetype(kMarkEscaped.size())));
}

bool onServer(DbConnection &connection)
{
    const auto *odbc = dynamic_cast<OdbcConnection *>(&connection);
    return odbc && odbc->server() == OdbcConnection::Server::PostgreSQL;
}

QString loginName()
{
    // Asked once: the user database may be a file read anew on each call, or a server.
    static const QString name = [] {
        if (const passwd *pw = getpwuid(geteuid()); pw && pw->pw_name)
            return QString::fromLocal8Bit(pw->pw_name);
        return qEnvironmentVariable("USER");
    }();
    return name;
}

// Catalogues known to have the table in this process: an edit need not ask again.
QMutex s_knownMutex;
QSet<QString> s_known;

bool known(const QString &connect)
{
    const QMutexLocker lock(&s_knownMutex);
    return s_known.contains(connect);
}

void setKnown(const QString &connect)
{
    const QMutexLocker lock(&s_knownMutex);
    s_known.insert(connect);
}

QList<Entry> readEntries(const QString &sql)
{
    QList<Entry> entries;
    try {
        auto connection = DbConnection::open(g_DbConnect);
        auto rs = connection->openRecordset(sql);
        DataArray rows;
        rs->getRows(rows);
        for (int r = 0; r < rows.rowCount(); ++r) {
            const auto value = [&](int f) -> Value {
                if (rows.isNull(f, r))
                    return std::nullopt;
                return rows.text(f, r);
            };
            Entry e;
            e.id = rows.text(0, r).toLongLong();
            e.when = rows.text(1, r);
            e.who = rows.text(2, r);
            e.databaseUser = rows.text(3, r);
            e.partId = rows.text(4, r).toLongLong();
            e.partNumber = rows.text(5, r);
            e.change = rows.text(6, r);
            e.before = value(7);
            e.after = value(8);
            e.row = rows.text(9, r);
            e.via = rows.text(10, r);
            entries << e;
        }
    } catch (const DbError &) {
        // A catalogue without history (a read-only one made before) has none to show.
    }
    return entries;
}

// What vantelo_row_json knows of the columns: their names, and each name as rowJson's object
// writes it ("name":), in the order it writes them.
struct RowShape {
    QStringList names;
    QList<QByteArray> keys;
    QList<qsizetype> order; // the argument of each key
};

RowShape rowShape(const QStringList &names)
{
    RowShape shape{names, {}, {}};
    QJsonObject object;
    for (const QString &name : names)
        object.insert(name, QJsonValue::Null);
    for (const QString &key : object.keys()) {
        shape.order << names.indexOf(key);
        const QByteArray one =
            QJsonDocument(QJsonObject{{key, QJsonValue::Null}}).toJson(QJsonDocument::Compact);
        shape.keys << withMarksEscaped(one.mid(1, one.size() - 6)); // {"name":null}
    }
    return shape;
}

// A whole number as rowJson writes one: as QString::number prints it, and below 2^53.
bool isWhole(std::string_view text)
{
    const std::size_t sign = !text.empty() && text.front() == '-' ? 1 : 0;
    const std::size_t digits = text.size() - sign;
    if (digits == 0 || digits > 16 || (text[sign] == '0' && (digits > 1 || sign)))
        return false;
    std::int64_t n = 0;
    for (std::size_t i = sign; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        n = n * 10 + (text[i] - '0');
    }
    return n < (std::int64_t(1) << 53);
}

// `text` as a JSON string, escaped as QJsonDocument escapes one; false where it is not
// well-formed UTF-8, which Qt would write with replacement characters.
bool appendString(QByteArray &json, std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    json += '"';
    std::size_t plain = 0; // the start of the run not yet appended
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = utf8Sequence(text.substr(i));
            if (!length)
                return false;
            if (text.substr(i, length) == kMark) {
                json.append(text.data() + plain, qsizetype(i - plain));
                json.append(kMarkEscaped.data(), qsizetype(kMarkEscaped.size()));
                plain = i + length;
            }
            i += length;
            continue;
        }
        if (c >= 0x20 && c != '"' && c != '\\') {
            ++i;
            continue;
        }
        json.append(text.data() + plain, qsizetype(i - plain));
        json += '\\';
        switch (c) {
        case '\b': json += 'b'; break;
        case '\f': json += 'f'; break;
        case '\n': json += 'n'; break;
        case '\r': json += 'r'; break;
        case '\t': json += 't'; break;
        case '"':
        case '\\': json += char(c); break;
        default:
            json += "u00";
            json += kHex[c >> 4];
            json += kHex[c & 0xf];
        }
        plain = ++i;
    }
    json.append(text.data() + plain, qsizetype(text.size() - plain));
    json += '"';
    return true;
}

// The row as rowJson writes it, from the engine's values; false where that needs Qt's own
// writing (a value that is not well-formed UTF-8).
bool writeRow(const RowShape &shape, int count, sqlite3_value **arguments, QByteArray &json)
{
    if (count != shape.names.size() || shape.order.size() != count)
        return false;
    json.reserve(256);
    json += '{';
    for (qsizetype k = 0; k < shape.order.size(); ++k) {
        if (k)
            json += ',';
        json += shape.keys.at(k);
        char buffer[32];
        const auto text = SqliteRecordset::valueText(arguments[shape.order.at(k)], buffer);
        if (!text)
            json += "null";
        else if (isWhole(*text))
            json.append(text->data(), qsizetype(text->size()));
        else if (!appendString(json, *text))
            return false;
    }
    json += '}';
    return true;
}

// vantelo_row_json(column values...): the row as rowJson gives it, the columns being the
// function's own data. Written here rather than through a QJsonObject: that took most of the
// time a Delete's records cost.
void rowJsonOfArguments(sqlite3_context *context, int count, sqlite3_value **arguments)
{
    try {
        const auto &shape = *static_cast<const RowShape *>(sqlite3_user_data(context));
        QByteArray json;
        if (!writeRow(shape, count, arguments, json)) {
            Writer::Row row;
            row.names = shape.names;
            for (int i = 0; i < count; ++i) {
                char buffer[32];
                const auto text = SqliteRecordset::valueText(arguments[i], buffer);
                row.values << (text ? Value(storedText(*text)) : Value());
            }
            json = rowJson(row).toUtf8();
        }
        sqlite3_result_text(context, json.constData(), int(json.size()), SQLITE_TRANSIENT);
    } catch (...) {
        sqlite3_result_error_nomem(context);
    }
}

QStringList fieldNames(const DbRecordset &rs)
{
    QStringList names;
    for (int f = 0; f < rs.fieldCount(); ++f)
        names << rs.fieldName(f);
    return names;
}

bool partialIndexes(DbConnection &connection)
{
    const auto *odbc = dynamic_cast<OdbcConnection *>(&connection);
    return !odbc || odbc->server() != OdbcConnection::Server::Other;
}

// False for a table made before deletions had an index of their own.
bool hasDeletedIndex(DbConnection &connection)
{
    if (!partialIndexes(connection))
        return true;
    auto rs = connection.openRecordset(
        onServer(connection)
            ? QStringLiteral("SELECT indexname FROM pg_indexes WHERE indexname = ") +
                  literal(kDeletedIndex.toLower())
            : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND name = ") +
                  literal(kDeletedIndex));
    return !rs->eof();
}

// A table made by an earlier release gets the present indexes where it may be written; a
// read-only one is read as it is.
void upgradeIndexes(DbConnection &connection)
{
    try {
        if (hasDeletedIndex(connection))
            return;
        connection.begin();
        createTable(connection);
        connection.commit();
    } catch (const DbError &) {
        connection.rollback();
    }
}

} // namespace

QString author(const Entry &entry)
{
    if (entry.databaseUser.isEmpty() || entry.databaseUser == entry.who)
        return entry.who;
    return entry.who + QStringLiteral(" (") + entry.databaseUser + u')';
}

void createTable(DbConnection &connection)
{
    const bool server = onServer(connection);
    const QString id = server ? QStringLiteral("HistoryID bigserial PRIMARY KEY")
                              : QStringLiteral("HistoryID INTEGER PRIMARY KEY AUTOINCREMENT");
    const QString integer = server ? QStringLiteral("bigint") : QStringLiteral("INTEGER");
    connection.execute(
        QStringLiteral("CREATE TABLE IF NOT EXISTS ") + kTable + QStringLiteral(" (") + id +
        QStringLiteral(", ChangedAt TEXT NOT NULL, ChangedBy TEXT NOT NULL, DbUser TEXT, PartID ") + integer +
        QStringLiteral(" NOT NULL, PartNumber TEXT, Change TEXT NOT NULL, ValueBefore TEXT, "
                       "ValueAfter TEXT, RowData TEXT, Via TEXT)"));
    connection.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS PARTS_History_Part ON ") + kTable +
                       QStringLiteral(" (PartID, HistoryID)"));
    if (!partialIndexes(connection)) {
        connection.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS PARTS_History_Change ON ") + kTable +
                           QStringLiteral(" (Change, HistoryID)"));
        return;
    }
    // Only Deleted Parts looks rows up by their change, and only for deletions: an edit's row
    // need not be placed in an index of every change (one page fewer written per edit).
    connection.execute(QStringLiteral("DROP INDEX IF EXISTS PARTS_History_Change"));
    connection.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS ") + kDeletedIndex +
                       QStringLiteral(" ON ") + kTable + QStringLiteral(" (HistoryID) WHERE Change = ") +
                       literal(kDeleted));
}

Result<> ensure()
{
    const QString connect = g_DbConnect;
    try {
        auto connection = DbConnection::open(connect);
        try {
            connection->openRecordset(QStringLiteral("SELECT HistoryID FROM ") + kTable +
                                      QStringLiteral(" WHERE 0 = 1"));
            upgradeIndexes(*connection);
            setKnown(connect);
            return {};
        } catch (const DbError &) {
        }
        connection->begin();
        createTable(*connection);
        connection->commit();
        setKnown(connect);
        return {};
    } catch (const DbError &e) {
        return fail(e.description);
    }
}

Writer::Writer(DbConnection &connection, QString via)
    : m_connection(connection), m_via(std::move(via)),
      m_when(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)), m_who(loginName()),
      m_server(onServer(connection))
{
    if (!known(g_DbConnect)) {
        createTable(connection);
        setKnown(g_DbConnect);
    }
    if (m_server)
        m_databaseUser = connection.databaseUser();
}

Value Writer::Row::value(const QString &field) const
{
    for (qsizetype i = 0; i < names.size(); ++i)
        if (names.at(i).compare(field, Qt::CaseInsensitive) == 0)
            return values.at(i);
    return std::nullopt;
}

std::optional<Writer::Row> Writer::readPart(std::int64_t partId)
{
    // On a server the row stays locked until the transaction ends: what is compared is what
    // is overwritten.
    auto rs = m_connection.openRecordset(QStringLiteral("Select * from PARTS where PartID = ") +
                                         QString::number(partId) +
                                         (m_server ? QStringLiteral(" FOR UPDATE") : QString()));
    return rowOf(*rs);
}

Writer::Edit Writer::writeField(std::int64_t partId, const QString &field, const QString &literal,
                                const std::optional<Value> &expected)
{
    Edit edit;
    const auto row = readPart(partId);
    if (!row)
        return edit;
    edit.found = true;
    edit.before = row->value(field);
    if (expected && *expected != edit.before)
        return edit;
    const QString where = QStringLiteral(" WHERE PartID = ") + QString::number(partId);
    const QString update =
        QStringLiteral("UPDATE PARTS SET [") + field + QStringLiteral("] = ") + literal + where;
    // The value as stored comes back with the statement where the engine can give it.
    std::unique_ptr<DbRecordset> rs;
    if (!dynamic_cast<OdbcConnection *>(&m_connection)) {
        rs = m_connection.openRecordset(update + QStringLiteral(" RETURNING [") + field + u']');
    } else {
        m_connection.execute(update);
        rs = m_connection.openRecordset(QStringLiteral("SELECT [") + field + QStringLiteral("] FROM PARTS") +
                                        where);
    }
    bool isNull = false;
    QString after = rs->value(0, &isNull);
    edit.after = isNull ? Value() : Value(after);
    // The part number as the row holds it now (a catalogue converted from another program may
    // have no such column).
    const bool numberEdited = field.compare(QStringLiteral("PartNumber"), Qt::CaseInsensitive) == 0;
    record(partId, numberEdited ? edit.after : row->value(QStringLiteral("PartNumber")), field, edit.before,
           edit.after, {});
    edit.written = true;
    return edit;
}

std::int64_t Writer::createPart(const QString &partNumber)
{
    m_connection.execute(QStringLiteral("INSERT INTO PARTS (PartNumber) VALUES (") + literal(partNumber) +
                         u')');
    // The newest part of that number is this one: the transaction holds the write lock
    // (SQLite), or sees only its own uncommitted row besides committed ones (a server).
    auto rs = m_connection.openRecordset(QStringLiteral("SELECT MAX(PartID) FROM PARTS WHERE PartNumber = ") +
                                         literal(partNumber));
    const std::int64_t partId = rs->value(0).toLongLong();
    record(partId, partNumber, kCreated, std::nullopt, partNumber, {});
    return partId;
}

std::int64_t Writer::insertPart(const QStringList &columns, const QStringList &literals, QString *row)
{
    QStringList names;
    for (const QString &c : columns)
        names << u'[' + c + u']';
    const QString insert = QStringLiteral("INSERT INTO PARTS (") + names.join(QStringLiteral(", ")) +
                           QStringLiteral(") VALUES (") + literals.join(QStringLiteral(", ")) + u')';
    std::optional<Row> made;
    // Where the engine gives the row back, one statement writes and reads it.
    if (!dynamic_cast<OdbcConnection *>(&m_connection)) {
        made = rowOf(*m_connection.openRecordset(insert + QStringLiteral(" RETURNING *")));
    } else {
        m_connection.execute(insert);
        auto rs = m_connection.openRecordset(
            QStringLiteral("SELECT MAX(PartID) FROM PARTS WHERE PartNumber = ") + literals.front());
        made = readPart(rs->value(0).toLongLong());
    }
    if (!made)
        throw DbError{QStringLiteral("The new part cannot be read back"), 0, QStringLiteral("Orvana")};
    const QString json = rowJson(*made);
    const std::int64_t partId = made->value(QStringLiteral("PartID")).value_or(QString()).toLongLong();
    const Value partNumber = made->value(QStringLiteral("PartNumber"));
    record(partId, partNumber, kCreated, std::nullopt, partNumber, json);
    if (row)
        *row = json;
    return partId;
}

QStringList Writer::insertParts(const QStringList &columns, const QList<QStringList> &literals)
{
    QStringList made;
    if (dynamic_cast<OdbcConnection *>(&m_connection)) {
        for (const QStringList &part : literals) {
            QString row;
            insertPart(columns, part, &row);
            made << row;
        }
        return made;
    }
    // One statement for many parts: SQLite compiles the table's triggers into every statement,
    // which costs several times what inserting one part does.
    QStringList names;
    for (const QString &c : columns)
        names << u'[' + c + u']';
    QString insert = QStringLiteral("INSERT INTO PARTS (") + names.join(QStringLiteral(", ")) +
                     QStringLiteral(") VALUES ");
    for (qsizetype i = 0; i < literals.size(); ++i) {
        if (i > 0)
            insert += QStringLiteral(", ");
        insert += u'(' + literals.at(i).join(QStringLiteral(", ")) + u')';
    }
    Row row;
    DataArray rows;
    returned(*m_connection.openRecordset(insert + QStringLiteral(" RETURNING *")), row, rows);
    for (int r = 0; r < rows.rowCount(); ++r) {
        valuesOf(rows, r, row);
        const QString json = rowJson(row);
        const Value partNumber = row.value(QStringLiteral("PartNumber"));
        record(row.value(QStringLiteral("PartID")).value_or(QString()).toLongLong(), partNumber, kCreated,
               std::nullopt, partNumber, json);
        made << json;
    }
    if (made.size() != literals.size())
        throw DbError{QStringLiteral("The new parts cannot be read back"), 0, QStringLiteral("Orvana")};
    return made;
}

void Writer::returned(DbRecordset &rs, Row &row, DataArray &rows)
{
    row.names += fieldNames(rs);
    if (!rs.eof())
        rs.getRows(rows);
}

void Writer::valuesOf(const DataArray &rows, int r, Row &row)
{
    row.values.clear();
    for (int f = 0; f < rows.fieldCount(); ++f)
        row.values << (rows.isNull(f, r) ? Value() : Value(rows.text(f, r)));
}

std::optional<Writer::Row> Writer::rowOf(DbRecordset &rs)
{
    if (rs.eof())
        return std::nullopt;
    Row row;
    row.names = fieldNames(rs);
    for (int f = 0; f < rs.fieldCount(); ++f) {
        bool isNull = false;
        QString text = rs.value(f, &isNull);
        row.values << (isNull ? Value() : Value(std::move(text)));
    }
    return row;
}

QString Writer::deletePart(std::int64_t partId)
{
    const QString remove = QStringLiteral("Delete from PARTS where PartID = ") + QString::number(partId);
    std::optional<Row> row;
    // Where the engine gives the deleted row back, one statement reads and deletes it.
    if (!dynamic_cast<OdbcConnection *>(&m_connection)) {
        row = rowOf(*m_connection.openRecordset(remove + QStringLiteral(" RETURNING *")));
    } else {
        row = readPart(partId);
        if (row)
            m_connection.execute(remove);
    }
    if (!row)
        return {};
    QString json = rowJson(*row);
    const Value partNumber = row->value(QStringLiteral("PartNumber"));
    record(partId, partNumber, kDeleted, partNumber, std::nullopt, json);
    return json;
}

QStringList Writer::deleteParts(const QList<std::int64_t> &partIds)
{
    QStringList deleted;
    auto *sqlite = dynamic_cast<SqliteConnection *>(&m_connection);
    if (!sqlite) {
        for (const std::int64_t partId : partIds) {
            if (QString row = deletePart(partId); !row.isEmpty())
                deleted << row;
        }
        return deleted;
    }
    // The records are made by the engine from the rows it reads, a statement a batch: made
    // here from the rows a DELETE gave back, they cost more than the Delete itself.
    flush();
    const QStringList columns = partColumns();
    sqlite3 *db = sqlite->handle();
    if (columns.size() > sqlite3_limit(db, SQLITE_LIMIT_FUNCTION_ARG, -1) ||
        sqlite3_create_function_v2(db, "vantelo_row_json", int(columns.size()), SQLITE_UTF8,
                                   new RowShape(rowShape(columns)), rowJsonOfArguments, nullptr, nullptr,
                                   [](void *shape) { delete static_cast<RowShape *>(shape); }) != SQLITE_OK)
        return deleteReturned(partIds);
    QStringList values;
    for (const QString &c : columns)
        values << QStringLiteral("p.[") + c + u']';
    const bool numbered = columns.contains(QStringLiteral("PartNumber"), Qt::CaseInsensitive);
    const QString number = numbered ? QStringLiteral("p.[PartNumber]") : QStringLiteral("NULL");
    const QString select = QStringLiteral(") INSERT INTO ") + kTable +
                           QStringLiteral(" (ChangedAt, ChangedBy, DbUser, PartID, PartNumber, Change, "
                                          "ValueBefore, ValueAfter, RowData, Via) SELECT ") +
                           literal(m_when) + QStringLiteral(", ") + literal(m_who) +
                           QStringLiteral(", NULL, p.PartID, ") + number + QStringLiteral(", ") +
                           literal(kDeleted) + QStringLiteral(", ") + number + QStringLiteral(", NULL, ") +
                           QStringLiteral("vantelo_row_json(") + values.join(QStringLiteral(", ")) +
                           QStringLiteral("), ") + literal(m_via.isEmpty() ? Value() : Value(m_via)) +
                           QStringLiteral(" FROM ids JOIN PARTS p ON p.PartID = ids.id ORDER BY ids.k "
                                          "RETURNING PartID, RowData");
    // A part named twice is deleted and recorded once.
    QList<std::int64_t> unique;
    QSet<std::int64_t> seen;
    for (const std::int64_t partId : partIds)
        if (!seen.contains(partId)) {
            seen.insert(partId);
            unique << partId;
        }
    for (qsizetype from = 0; from < unique.size(); from += kDeleteBatch) {
        const QList<std::int64_t> batch = unique.mid(from, kDeleteBatch);
        QString ids;
        QString keys;
        for (qsizetype i = 0; i < batch.size(); ++i) {
            const QString id = QString::number(batch.at(i));
            ids += (i ? QStringLiteral(", (") : QStringLiteral("(")) + QString::number(i) +
                   QStringLiteral(", ") + id + u')';
            keys += (i ? QStringLiteral(",") : QString()) + id;
        }
        DataArray rows;
        auto rs = m_connection.openRecordset(QStringLiteral("WITH ids(k, id) AS (VALUES ") + ids + select);
        if (!rs->eof())
            rs->getRows(rows);
        m_connection.execute(QStringLiteral("Delete from PARTS where PartID IN (") + keys + u')');
        QHash<std::int64_t, int> rowOfPart;
        for (int r = 0; r < rows.rowCount(); ++r)
            rowOfPart.insert(rows.text(0, r).toLongLong(), r);
        for (const std::int64_t partId : batch)
            if (const auto it = rowOfPart.constFind(partId); it != rowOfPart.constEnd())
                deleted << rows.text(1, *it);
    }
    return deleted;
}

QStringList Writer::deleteReturned(const QList<std::int64_t> &partIds)
{
    QStringList deleted;
    for (qsizetype from = 0; from < partIds.size(); from += kDeleteBatch) {
        const QList<std::int64_t> batch = partIds.mid(from, kDeleteBatch);
        QStringList ids;
        for (const std::int64_t partId : batch)
            ids << QString::number(partId);
        Row row;
        DataArray rows;
        returned(*m_connection.openRecordset(QStringLiteral("Delete from PARTS where PartID IN (") +
                                             ids.join(u',') + QStringLiteral(") RETURNING *")),
                 row, rows);
        const int id = int(row.names.indexOf(QStringLiteral("PartID")));
        QHash<std::int64_t, int> rowOfPart;
        for (int r = 0; id >= 0 && r < rows.rowCount(); ++r)
            rowOfPart.insert(rows.text(id, r).toLongLong(), r);
        for (const std::int64_t partId : batch) {
            const auto it = rowOfPart.constFind(partId);
            if (it == rowOfPart.constEnd())
                continue;
            valuesOf(rows, *it, row);
            QString json = rowJson(row);
            const Value partNumber = row.value(QStringLiteral("PartNumber"));
            record(partId, partNumber, kDeleted, partNumber, std::nullopt, json);
            deleted << std::move(json);
        }
        flush();
    }
    return deleted;
}

QStringList Writer::partColumns()
{
    return fieldNames(*m_connection.openRecordset(QStringLiteral("SELECT * FROM PARTS WHERE 0 = 1")));
}

std::optional<QString> Writer::currentRow(std::int64_t partId)
{
    const auto row = readPart(partId);
    if (!row)
        return std::nullopt;
    return rowJson(*row);
}

std::optional<QString> Writer::restorable(const QString &json)
{
    const auto partId = rowPartId(json);
    const QString partNumber = rowPartNumber(json);
    if (!partId)
        return QCoreApplication::translate("PartHistory", "The record of part %1 holds no PartID.")
            .arg(partNumber);
    if (readPart(*partId))
        return QCoreApplication::translate("PartHistory", "Part ID %1 is in use again.").arg(*partId);
    auto rs = m_connection.openRecordset(QStringLiteral("SELECT PartID FROM PARTS WHERE PartNumber = ") +
                                         literal(partNumber));
    if (!rs->eof())
        return QCoreApplication::translate("PartHistory", "Part number %1 exists again (Part ID %2).")
            .arg(partNumber, rs->value(0));
    return std::nullopt;
}

std::optional<QString> Writer::restorePart(const QString &json)
{
    if (auto refused = restorable(json))
        return refused;
    const QJsonObject object = QJsonDocument::fromJson(json.toUtf8()).object();
    const std::int64_t partId = *rowPartId(json);
    const QString partNumber = rowPartNumber(json);
    QStringList names;
    QStringList values;
    for (auto it = object.begin(); it != object.end(); ++it) {
        names << u'[' + it.key() + u']';
        const QJsonValue v = it.value();
        if (v.isNull())
            values << QStringLiteral("NULL");
        else if (v.isDouble()) // quoted too: the column's type makes it the stored number again
            values << literal(QString::number(v.toInteger()));
        else
            values << literal(v.toString());
    }
    m_connection.execute(QStringLiteral("INSERT INTO PARTS (") + names.join(QStringLiteral(", ")) +
                         QStringLiteral(") VALUES (") + values.join(QStringLiteral(", ")) + u')');
    record(partId, partNumber, kCreated, std::nullopt, partNumber, json);
    return std::nullopt;
}

std::optional<Entry> Writer::latest(std::int64_t partId, const QString &field)
{
    QString sql = QStringLiteral("SELECT TOP 1 ") + kColumns + QStringLiteral(" FROM ") + kTable +
                  QStringLiteral(" WHERE PartID = ") + QString::number(partId);
    if (!field.isEmpty())
        sql += QStringLiteral(" AND Change = ") + literal(field);
    sql += QStringLiteral(" ORDER BY HistoryID DESC");
    auto rs = m_connection.openRecordset(sql);
    if (rs->eof())
        return std::nullopt;
    const auto value = [&](int f) -> Value {
        bool isNull = false;
        QString text = rs->value(f, &isNull);
        return isNull ? Value() : Value(text);
    };
    Entry e;
    e.id = rs->value(0).toLongLong();
    e.when = rs->value(1);
    e.who = rs->value(2);
    e.databaseUser = rs->value(3);
    e.partId = rs->value(4).toLongLong();
    e.partNumber = rs->value(5);
    e.change = rs->value(6);
    e.before = value(7);
    e.after = value(8);
    e.via = rs->value(10);
    return e;
}

void Writer::flush()
{
    if (m_pending.isEmpty())
        return;
    m_connection.execute(
        QStringLiteral("INSERT INTO ") + kTable +
        QStringLiteral(" (ChangedAt, ChangedBy, DbUser, PartID, PartNumber, Change, ValueBefore, "
                       "ValueAfter, RowData, Via) VALUES ") +
        m_pending.join(QStringLiteral(", ")));
    m_pending.clear();
}

void Writer::record(std::int64_t partId, const Value &partNumber, const QString &change, const Value &before,
                    const Value &after, const QString &row)
{
    // Rows are written a batch at a time: one statement for many parts costs about what one
    // costs for one.
    constexpr qsizetype kBatch = 100;
    m_pending << (u'(' + literal(m_when) + QStringLiteral(", ") + literal(m_who) + QStringLiteral(", ") +
                  literal(m_server ? Value(m_databaseUser) : std::nullopt) + QStringLiteral(", ") +
                  QString::number(partId) + QStringLiteral(", ") + literal(partNumber) +
                  QStringLiteral(", ") + literal(change) + QStringLiteral(", ") + literal(before) +
                  QStringLiteral(", ") + literal(after) + QStringLiteral(", ") +
                  literal(row.isEmpty() ? Value() : Value(row)) + QStringLiteral(", ") +
                  literal(m_via.isEmpty() ? Value() : Value(m_via)) + u')');
    if (!m_batched || m_pending.size() >= kBatch)
        flush();
}

QString rowJson(const Writer::Row &row)
{
    QJsonObject object;
    for (qsizetype i = 0; i < row.names.size(); ++i) {
        const Value &v = row.values.at(i);
        if (!v) {
            object.insert(row.names.at(i), QJsonValue::Null);
            continue;
        }
        // Whole numbers as numbers, so the key column is one; a text of digits with a
        // leading zero or sign stays text.
        bool whole = false;
        const qlonglong n = v->toLongLong(&whole);
        if (whole && QString::number(n) == *v && std::llabs(n) < (1LL << 53))
            object.insert(row.names.at(i), qint64(n));
        else
            object.insert(row.names.at(i), *v);
    }
    return QString::fromUtf8(withMarksEscaped(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

std::optional<std::int64_t> rowPartId(const QString &json)
{
    const QJsonObject object = QJsonDocument::fromJson(json.toUtf8()).object();
    for (auto it = object.begin(); it != object.end(); ++it)
        if (it.key().compare(QStringLiteral("PartID"), Qt::CaseInsensitive) == 0 && it.value().isDouble())
            return it.value().toInteger();
    return std::nullopt;
}

QString rowPartNumber(const QString &json)
{
    const QJsonObject object = QJsonDocument::fromJson(json.toUtf8()).object();
    for (auto it = object.begin(); it != object.end(); ++it)
        if (it.key().compare(QStringLiteral("PartNumber"), Qt::CaseInsensitive) == 0)
            return it.value().isDouble() ? QString::number(it.value().toInteger()) : it.value().toString();
    return {};
}

QString literal(const Value &value)
{
    if (!value)
        return QStringLiteral("NULL");
    return u'\'' + modDB::SQLQuote(*value) + u'\'';
}

std::optional<Created> createPart(const QString &partNumber)
{
    Created created;
    if (modDB::RunTransaction([&](DbConnection &connection, QString &statement) {
            statement =
                QStringLiteral("INSERT INTO PARTS (PartNumber) VALUES (") + literal(partNumber) + u')';
            Writer writer(connection);
            created.partId = writer.createPart(partNumber);
            created.row = writer.currentRow(created.partId).value_or(QString());
        }) != 0)
        return std::nullopt;
    return created;
}

std::optional<QStringList> deleteParts(const QList<std::int64_t> &partIds)
{
    QStringList rows;
    if (modDB::RunTransaction([&](DbConnection &connection, QString &statement) {
            Writer writer(connection);
            writer.setBatched(true);
            statement = QStringLiteral("Delete from PARTS where PartID IN (...)");
            rows = writer.deleteParts(partIds);
            statement = QStringLiteral("INSERT INTO ") + kTable;
            writer.flush();
        }) != 0)
        return std::nullopt;
    return rows;
}

QList<Entry> partHistory(std::int64_t partId)
{
    return readEntries(QStringLiteral("SELECT ") + kColumns + QStringLiteral(" FROM ") + kTable +
                       QStringLiteral(" WHERE PartID = ") + QString::number(partId) +
                       QStringLiteral(" ORDER BY HistoryID DESC"));
}

QList<Entry> deletedParts()
{
    return readEntries(
        QStringLiteral("SELECT ") + kColumns + QStringLiteral(" FROM ") + kTable +
        QStringLiteral(" h WHERE Change = 'deleted' AND NOT EXISTS (SELECT 1 FROM PARTS p "
                       "WHERE p.PartID = h.PartID) AND HistoryID = (SELECT MAX(HistoryID) FROM ") +
        kTable +
        QStringLiteral(" d WHERE d.PartID = h.PartID AND d.Change = 'deleted') ORDER BY "
                       "HistoryID DESC"));
}

} // namespace PartHistory
