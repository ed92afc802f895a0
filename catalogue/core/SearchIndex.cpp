// SPDX-License-Identifier: MIT
#include "SearchIndex.h"

#include "SqliteConnection.h"
#include "common/core/SqliteHandles.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <sqlite3.h>

#include <algorithm>
#include <utility>

namespace SearchIndex {

namespace {

// Rows of PARTS filled per step of a build: small enough for a lively progress display.
constexpr long long kBuildStep = 25000;
// More trigrams than this narrow no further; a long text is sampled.
constexpr int kMaxTrigrams = 32;
// Above this share of the catalogue the candidates cost more to fetch and sort than reading
// every part in order.
constexpr long long kMaxCandidateShare = 32;

class Statement {
public:
    Statement(sqlite3 *db, const QString &sql)
    {
        const QByteArray text = sql.toUtf8();
        int rc = SQLITE_OK;
        m_owner = prepareSqlite(db, text.constData(), int(text.size()), &rc);
        m_stmt = m_owner.get();
        m_prepared = rc == SQLITE_OK && m_stmt;
    }

    bool row()
    {
        if (!m_prepared)
            return false;
        m_rc = sqlite3_step(m_stmt);
        return m_rc == SQLITE_ROW;
    }
    bool done() const { return m_rc == SQLITE_DONE; }
    void reset()
    {
        sqlite3_reset(m_stmt);
        m_rc = SQLITE_OK;
    }
    void bind(int i, long long v) { sqlite3_bind_int64(m_stmt, i, v); }
    void bind(int i, const QString &v)
    {
        const QByteArray t = v.toUtf8();
        sqlite3_bind_text(m_stmt, i, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    }
    long long integer(int col) const { return sqlite3_column_int64(m_stmt, col); }
    QString text(int col) const
    {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, col)));
    }
    bool isNull(int col) const { return sqlite3_column_type(m_stmt, col) == SQLITE_NULL; }

private:
    SqliteStmt m_owner;
    sqlite3_stmt *m_stmt = nullptr; // m_owner's
    bool m_prepared = false;
    int m_rc = SQLITE_OK;
};

QString name(const char *suffix)
{
    return QLatin1String(kTable) + QLatin1String(suffix);
}

QString quoted(const QString &identifier)
{
    QString q = identifier;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

// The triggers write the tokens of a row's old values out and its new ones in. An update
// that leaves both columns as they were (byte for byte) leaves the index alone.
QString schema()
{
    const QString t = QLatin1String(kTable);
    return QStringLiteral("CREATE VIRTUAL TABLE %1 USING fts5(PartNumber, PartDescription, content='PARTS', "
                          "tokenize='trigram', detail='none', columnsize=0);\n"
                          "CREATE TRIGGER %1_ai AFTER INSERT ON PARTS BEGIN\n"
                          "  INSERT INTO %1(rowid, PartNumber, PartDescription)\n"
                          "    VALUES (new.rowid, new.PartNumber, new.PartDescription);\n"
                          "END;\n"
                          "CREATE TRIGGER %1_ad AFTER DELETE ON PARTS BEGIN\n"
                          "  INSERT INTO %1(%1, rowid, PartNumber, PartDescription)\n"
                          "    VALUES ('delete', old.rowid, old.PartNumber, old.PartDescription);\n"
                          "END;\n"
                          "CREATE TRIGGER %1_au AFTER UPDATE ON PARTS\n"
                          "  WHEN old.rowid IS NOT new.rowid\n"
                          "    OR old.PartNumber IS NOT new.PartNumber COLLATE BINARY\n"
                          "    OR old.PartDescription IS NOT new.PartDescription COLLATE BINARY\n"
                          "BEGIN\n"
                          "  INSERT INTO %1(%1, rowid, PartNumber, PartDescription)\n"
                          "    VALUES ('delete', old.rowid, old.PartNumber, old.PartDescription);\n"
                          "  INSERT INTO %1(rowid, PartNumber, PartDescription)\n"
                          "    VALUES (new.rowid, new.PartNumber, new.PartDescription);\n"
                          "END;\n")
        .arg(t);
}

// The journal's triggers note the rowid of every part written; each entry drops the one
// kJournalLength entries back, so the journal keeps a fixed length however much is written.
QString journalSchema()
{
    const QString j = QLatin1String(kJournal);
    return QStringLiteral(
               "CREATE TABLE IF NOT EXISTS %1 (seq INTEGER PRIMARY KEY AUTOINCREMENT, rowid_ INTEGER);\n"
               "CREATE TRIGGER IF NOT EXISTS %1_ai AFTER INSERT ON PARTS BEGIN\n"
               "  INSERT INTO %1(rowid_) VALUES (new.rowid);\n"
               "  DELETE FROM %1 WHERE seq <= last_insert_rowid() - %2;\n"
               "END;\n"
               "CREATE TRIGGER IF NOT EXISTS %1_ad AFTER DELETE ON PARTS BEGIN\n"
               "  INSERT INTO %1(rowid_) VALUES (old.rowid);\n"
               "  DELETE FROM %1 WHERE seq <= last_insert_rowid() - %2;\n"
               "END;\n"
               "CREATE TRIGGER IF NOT EXISTS %1_au AFTER UPDATE ON PARTS BEGIN\n"
               "  INSERT INTO %1(rowid_) VALUES (old.rowid);\n"
               "  INSERT INTO %1(rowid_) SELECT new.rowid WHERE new.rowid IS NOT old.rowid;\n"
               "  DELETE FROM %1 WHERE seq <= last_insert_rowid() - %2;\n"
               "END;\n")
        .arg(j)
        .arg(kJournalLength);
}

// Code points, so a character outside the BMP counts once, as the tokenizer counts it.
QStringList characters(const QString &text)
{
    QStringList out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out << text.mid(i, 2);
            ++i;
        } else {
            out << QString(text[i]);
        }
    }
    return out;
}

// How the rows of the statement as written are ordered where ORDER BY 3 leaves a tie: the
// order in which its plan reads them. "" when that is not known (the search then runs as
// written). A tie is two parts whose numbers differ at most in ASCII letter case.
QString tieOrderOf(sqlite3 *db, const QString &sql)
{
    const auto plan = queryPlan(db, sql);
    if (!plan)
        return {};
    const QStringList &details = *plan;
    static const QRegularExpression indexScan(
        QStringLiteral(R"(^SCAN PARTS USING (?:COVERING )?INDEX (\S+)$)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tableScan(QStringLiteral(R"(^SCAN PARTS$)"),
                                              QRegularExpression::CaseInsensitiveOption);
    const bool sorted = details.contains(QStringLiteral("USE TEMP B-TREE FOR ORDER BY"));
    const bool scanned = details.filter(tableScan).size() == 1;
    QString index;
    for (const QString &d : details) {
        const auto m = indexScan.match(d);
        if (m.hasMatch())
            index = m.captured(1);
    }
    if (details.size() == 2 && scanned && sorted)
        return QStringLiteral(", PARTS.rowid"); // the sorter keeps rows of equal keys in scan order
    if (details.size() != 1 || index.isEmpty())
        return {};

    // An index walk: ties come in the order of the index's further key columns, then rowid.
    Statement columns(db, QStringLiteral("PRAGMA index_xinfo(%1)").arg(quoted(index)));
    QString order;
    bool first = true;
    while (columns.row()) {
        if (columns.integer(5) == 0) // not a key column
            continue;
        const long long cid = columns.integer(1);
        const QString desc = columns.integer(3) ? QStringLiteral(" DESC") : QString();
        if (first) {
            if (cid < 0 || columns.text(2).compare(QStringLiteral("PartNumber"), Qt::CaseInsensitive) != 0 ||
                columns.integer(3) != 0)
                return {};
            first = false;
            continue;
        }
        if (cid == -1)
            order += QStringLiteral(", PARTS.rowid") + desc;
        else if (cid < 0)
            return {}; // an expression
        else
            order += QStringLiteral(", PARTS.%1 COLLATE %2%3")
                         .arg(quoted(columns.text(2)), quoted(columns.text(4)), desc);
    }
    if (!columns.done() || first)
        return {};
    return order + QStringLiteral(", PARTS.rowid");
}

} // namespace

QString tieOrder(sqlite3 *db, const QString &sql)
{
    return tieOrderOf(db, sql);
}

bool hasJournal(sqlite3 *db)
{
    const QString j = QLatin1String(kJournal);
    Statement st(db, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name IN (?1, ?2, ?3, ?4)"));
    st.bind(1, j);
    st.bind(2, j + QStringLiteral("_ai"));
    st.bind(3, j + QStringLiteral("_ad"));
    st.bind(4, j + QStringLiteral("_au"));
    return st.row() && st.integer(0) == 4;
}

Result<> addJournal(sqlite3 *db)
{
    return execSqlite(db, journalSchema());
}

std::optional<QStringList> queryPlan(sqlite3 *db, const QString &sql)
{
    Statement plan(db, QStringLiteral("EXPLAIN QUERY PLAN ") + sql);
    QStringList details;
    while (plan.row())
        details << plan.text(3);
    if (!plan.done())
        return std::nullopt;
    return details;
}

std::optional<std::vector<long long>> candidates(sqlite3 *db, const QString &query, long long most)
{
    Statement hits(db, QStringLiteral("SELECT rowid FROM %1 WHERE %1 MATCH ?1").arg(QLatin1String(kTable)));
    hits.bind(1, query);
    std::vector<long long> rowids;
    while (hits.row()) {
        if (std::cmp_greater_equal(rowids.size() + 1, most))
            return std::nullopt;
        rowids.push_back(hits.integer(0));
    }
    if (!hits.done())
        return std::nullopt;
    return rowids;
}

bool isReady(sqlite3 *db)
{
    Statement st(db, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name IN (?1, ?2, ?3, ?4)"));
    st.bind(1, QLatin1String(kTable));
    st.bind(2, name("_ai"));
    st.bind(3, name("_ad"));
    st.bind(4, name("_au"));
    return st.row() && st.integer(0) == 4;
}

Result<> build(sqlite3 *db, const std::function<bool(long long, long long)> &progress)
{
    if (auto begun = execSqlite(db, "BEGIN IMMEDIATE"); !begun)
        return begun;
    // Only a table of our own making is replaced: a table of that name holding anything else
    // is someone's data.
    Result<> done;
    {
        Statement existing(db, QStringLiteral("SELECT sql FROM sqlite_master WHERE name = ?1"));
        existing.bind(1, QLatin1String(kTable));
        if (existing.row() && !existing.text(0).contains(QStringLiteral("fts5"), Qt::CaseInsensitive))
            done = fail(QStringLiteral("a table named %1 exists already").arg(QLatin1String(kTable)));
    }
    done = done.and_then([db] {
        return execSqlite(
            db,
            QStringLiteral("DROP TRIGGER IF EXISTS %1; DROP TRIGGER IF EXISTS %2; DROP TRIGGER IF EXISTS %3; "
                           "DROP TABLE IF EXISTS %4;")
                .arg(name("_ai"), name("_ad"), name("_au"), QLatin1String(kTable)));
    });
    done = done.and_then([db] { return execSqlite(db, schema()); });
    done = done.and_then([db] { return addJournal(db); });

    long long low = 0;
    long long high = -1;
    if (done) {
        Statement range(db, QStringLiteral("SELECT min(rowid), max(rowid) FROM PARTS"));
        if (!range.row()) {
            done = fail(QString::fromUtf8(sqlite3_errmsg(db)));
        } else if (!range.isNull(0)) {
            low = range.integer(0);
            high = range.integer(1);
        }
    }
    const long long total = high - low + 1;
    bool stopped = false;
    if (done && progress && !progress(0, total))
        stopped = true;
    Statement fill(db, QStringLiteral("INSERT INTO %1(rowid, PartNumber, PartDescription) "
                                      "SELECT rowid, PartNumber, PartDescription FROM PARTS "
                                      "WHERE rowid >= ?1 AND rowid < ?2")
                           .arg(QLatin1String(kTable)));
    for (long long from = low; done && !stopped && from <= high; from += kBuildStep) {
        fill.reset();
        fill.bind(1, from);
        fill.bind(2, from + kBuildStep);
        fill.row();
        if (!fill.done())
            done = fail(QString::fromUtf8(sqlite3_errmsg(db)));
        else if (progress && !progress(std::min(total, from + kBuildStep - low), total))
            stopped = true;
    }
    if (done && !stopped)
        done = execSqlite(db, "COMMIT");
    if (!done || stopped)
        (void)execSqlite(db, "ROLLBACK");
    if (stopped)
        return fail(QStringLiteral("stopped"), kStopped);
    return done;
}

QString matchQuery(const QString &likePattern)
{
    QStringList trigrams;
    QSet<QString> seen;
    QStringList run;
    // Trigrams side by side, the last one flush with the run's end, cover every character:
    // each further overlapping trigram narrowed little but cost a whole list of the index.
    auto takeRun = [&] {
        auto take = [&](qsizetype i) {
            const QString t = run[i] + run[i + 1] + run[i + 2];
            if (!seen.contains(t)) {
                seen.insert(t);
                trigrams << t;
            }
        };
        for (qsizetype i = 0; i + 3 <= run.size(); i += 3)
            take(i);
        if (run.size() >= 3 && run.size() % 3 != 0)
            take(run.size() - 3);
        run.clear();
    };
    for (const QString &c : characters(likePattern)) {
        if (c == QLatin1String("%") || c == QLatin1String("_"))
            takeRun();
        else
            run << c;
    }
    takeRun();
    if (trigrams.isEmpty())
        return {};

    QStringList terms;
    const qsizetype n = trigrams.size();
    const qsizetype take = std::min<qsizetype>(n, kMaxTrigrams);
    for (qsizetype k = 0; k < take; ++k) {
        QString t = trigrams[take == n ? k : k * (n - 1) / (take - 1)];
        t.replace(u'"', QStringLiteral("\"\""));
        terms << u'"' + t + u'"';
    }
    return terms.join(QStringLiteral(" AND "));
}

QString rewrite(sqlite3 *db, const PartQuery &search)
{
    QString sql = search.sql();
    const QString query = matchQuery(search.likePattern());
    if (query.isEmpty() || !isReady(db))
        return sql;

    // The candidates are read here once, and the statement looks them up by rowid rather
    // than running the index query a second time. A text found in a large share of the
    // parts is read faster in order than fetched one by one.
    Statement limit(db, QStringLiteral("SELECT ifnull(max(rowid), 0) / ?1 + 64 FROM PARTS"));
    limit.bind(1, kMaxCandidateShare);
    if (!limit.row())
        return sql;
    const long long most = limit.integer(0);
    const auto hits = candidates(db, query, most);
    if (!hits)
        return sql;
    QByteArray rowids("[");
    for (const long long rowid : *hits) {
        if (rowids.size() > 1)
            rowids += ',';
        rowids += QByteArray::number(rowid);
    }
    rowids += ']';

    const QString ties = tieOrderOf(db, sql);
    if (ties.isEmpty())
        return sql;
    const QString like =
        QStringLiteral("PartNumber LIKE '%1' OR PartDescription LIKE '%1'").arg(search.pattern);
    return search.head + QStringLiteral(" NOT INDEXED WHERE (") + like +
           QStringLiteral(") AND PARTS.rowid IN (SELECT value FROM json_each('%1')) ORDER BY 3")
               .arg(QLatin1String(rowids)) +
           ties;
}

EnsureResult ensure(const QString &connectionString,
                    const std::function<bool(long long done, long long total)> &progress)
{
    EnsureResult result;
    const QString file = SqliteConnection::dataSource(connectionString);
    if (connectionString.contains(QStringLiteral("DSN=")) || file.isEmpty() || !QFileInfo(file).isFile())
        return result;
    int rc = SQLITE_OK;
    const SqliteDb owner =
        openSqlite(QFile::encodeName(file).constData(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, &rc);
    if (rc != SQLITE_OK)
        return result;
    sqlite3 *db = owner.get();
    sqlite3_busy_timeout(db, SqliteConnection::kBusyTimeoutMs);
    {
        Statement parts(
            db, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'PARTS' "
                               "COLLATE NOCASE"));
        Statement rows(db, QStringLiteral("SELECT count(*) FROM PARTS"));
        if (!parts.row() || parts.integer(0) == 0) {
            result.kind = EnsureResult::NoCatalogue;
        } else if (isReady(db)) {
            result.kind = EnsureResult::Present;
            // A catalogue indexed before the journal existed gains it; without it the kept
            // list is dropped at every write, as before.
            if (!hasJournal(db) && sqlite3_db_readonly(db, "main") == 0)
                (void)addJournal(db);
        } else {
            result.parts = rows.row() ? rows.integer(0) : 0;
            if (sqlite3_db_readonly(db, "main") == 1) {
                result.kind = EnsureResult::ReadOnly;
                result.error = QStringLiteral("the catalogue is read-only");
            } else if (const auto built = build(db, progress)) {
                result.kind = EnsureResult::Built;
            } else {
                result.error = built.error().message;
                result.kind = built.error().code == kStopped ? EnsureResult::Cancelled : EnsureResult::Failed;
            }
        }
    }
    return result;
}

} // namespace SearchIndex
