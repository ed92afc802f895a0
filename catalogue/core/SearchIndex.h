// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/Result.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

struct sqlite3;

// The part search's trigram index in SQLite catalogues: an FTS5 table over PartNumber and
// PartDescription, kept in step with PARTS by triggers, so that a search for a fragment
// reads only the parts that can contain it instead of every part.
//
// The index only ever narrows the candidates: the search's own LIKE test still decides,
// so results are those of the statement as written.
namespace SearchIndex {

// The FTS5 table; its triggers are this name + "_ai", "_ad", "_au".
inline constexpr char kTable[] = "PARTS_Search";

// The change journal: the rowid of every part inserted, updated or deleted, by any program
// (kept by triggers), in the order written, the last kJournalLength entries only. Readers
// follow PARTS from the last entry they saw instead of reading it again.
inline constexpr char kJournal[] = "PARTS_Changes";
inline constexpr int kJournalLength = 20000;
bool hasJournal(sqlite3 *db);
// Adds the journal and its triggers where missing.
Result<> addJournal(sqlite3 *db);

// How the plan of a statement reading PARTS in "ORDER BY 3" orders its ties, as terms to
// append to that ORDER BY (", PARTS.rowid" ...); "" when not known.
QString tieOrder(sqlite3 *db, const QString &sql);

// True when the index table and its three triggers exist.
bool isReady(sqlite3 *db);

// Creates the index (dropping a partial one) and fills it from PARTS in one transaction.
// `progress(done, total)` is called between steps; returning false stops and rolls back
// (the failure's code is then kStopped). Fails with the reason when it could not be built.
inline constexpr int kStopped = 1;
Result<> build(sqlite3 *db, const std::function<bool(long long done, long long total)> &progress);

// The details of a statement's query plan (EXPLAIN QUERY PLAN), in order; none when the
// statement cannot be prepared or run.
std::optional<QStringList> queryPlan(sqlite3 *db, const QString &sql);

// The rowids whose parts match an index query (matchQuery), in rowid order; none on failure
// or when there are `most` of them or more.
std::optional<std::vector<long long>> candidates(sqlite3 *db, const QString &query, long long most);

// The index query for a LIKE pattern: trigrams covering each of its literal runs of three or
// more characters, joined by AND; "" when the pattern has no such run. A row containing a match
// of the pattern always matches this query (the tokenizer folds case as LIKE does and more).
QString matchQuery(const QString &likePattern);

// A part search as it is built: "<head> where PartNumber LIKE '<pattern>' OR PartDescription
// LIKE '<pattern>' ORDER BY 3", with `head` "<select list> from PARTS" and the pattern as
// written into the statement (apostrophes doubled).
struct PartQuery {
    QString head;
    QString pattern;
    // The statement sent to the database.
    QString sql() const
    {
        return head + QStringLiteral(" where PartNumber LIKE '") + pattern +
               QStringLiteral("' OR PartDescription LIKE '") + pattern + QStringLiteral("' ORDER BY 3");
    }
    // The pattern LIKE receives.
    QString likePattern() const
    {
        QString p = pattern;
        return p.replace(QStringLiteral("''"), QStringLiteral("'"));
    }
};

// The search's statement restricted to the index's candidates, in the same order, when the
// index is ready and narrows the search enough; otherwise the statement unchanged. The
// candidates are read now and written into the statement, so the caller runs both in one
// read transaction.
QString rewrite(sqlite3 *db, const PartQuery &search);

struct EnsureResult {
    enum Kind {
        Present,     // nothing to do
        Built,       // built now
        NoCatalogue, // not an SQLite catalogue with a PARTS table: nothing to index
        ReadOnly,    // cannot be written: searches run without the index
        Failed,      // building failed: searches run without the index
        Cancelled,   // stopped by the progress callback
    };
    Kind kind = NoCatalogue;
    long long parts = 0;
    QString error;
};

// Opens the catalogue a (non-ODBC) connection string names and builds the index when it
// has none. Never reports to the user itself.
EnsureResult ensure(const QString &connectionString,
                    const std::function<bool(long long done, long long total)> &progress);

} // namespace SearchIndex
