// SPDX-License-Identifier: MIT
#pragma once

#include "DataArray.h"
#include "SearchIndex.h"
#include "common/core/SqliteHandles.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The list of all parts, as read for Show All Records, kept to answer the part search from
// memory while the catalogue is unchanged. A search through the database fetches each part
// it finds from the file (about 2 µs each); from the list it costs a look-up in memory, so
// even a text found in many parts is answered in milliseconds.
//
// Writes to PARTS, by this program or another, are followed through the catalogue's change
// journal (SearchIndex::kJournal): the parts written since the list last looked are read
// again by rowid and put at their place in the list's order, which SQLite itself decides
// (ORDER BY 3 and the ties of the statement's plan). The list as read stays untouched, since
// the grid may show it; the rows read since live beside it, and an answer over a followed
// list is a copy of its rows.
//
// The answer is the search statement's own: the index's candidates (or every part) tested
// with SQLite's LIKE on the cells the list holds, in the list's order, which is the order of
// the statement's plan. Whenever that cannot be vouched for (a write the journal does not
// account for, a schema change, the file was replaced, the statement or its plan differs, a cell is not the
// text LIKE compares) there is no answer, and the caller runs the statement.
//
// Only for SQLite catalogues opened by file; one thread.
class KeptPartList final {
public:
    // Notes the catalogue's state before the list "<head> Order By 3" is read, `head` being
    // "<select list> from PARTS"; null when lists of this catalogue cannot be kept.
    static std::unique_ptr<KeptPartList> watch(const QString &connectionString, const QString &head);
    static QString listSql(const QString &head) { return head + QStringLiteral(" Order By 3"); }

    // Keeps the list read whole since watch(); false, keeping nothing, when its columns
    // cannot answer a search (PartID not the rowid, no PartDescription column, ...).
    bool keep(std::shared_ptr<const DataArray> list);

    // The rows the search's statement returns now, in its order: `rows` of `list`; none when
    // that cannot be told from the list.
    struct Found {
        std::shared_ptr<const DataArray> list;
        std::vector<int> rows;
    };
    std::optional<Found> search(const QString &connectionString, const SearchIndex::PartQuery &search);

private:
    KeptPartList() = default;
    struct FileStamp {
        unsigned long long device = 0;
        unsigned long long inode = 0;
        long long size = 0;
        long long modifiedSeconds = 0;
        long long modifiedNanoseconds = 0;
        bool operator==(const FileStamp &) const = default;
    };
    static std::optional<FileStamp> stampOf(const QString &file);
    std::optional<long long> dataVersion() const;
    std::optional<long long> number(const char *sql) const;
    bool journalPosition(long long *seq, long long *rowid) const;
    bool follow();
    bool place(const std::vector<long long> &rowids, int firstNew);
    bool before(long long a, long long b);
    bool indexRows();
    int refOf(long long rowid) const;
    bool anyPart(const std::vector<long long> &rowids) const;
    void setRef(long long rowid, int ref);
    long long rowidOf(int ref, bool *known = nullptr) const;
    // A row of the list (a "ref") lies in the list as read, or after it among those read since.
    std::pair<const DataArray *, int> at(int ref) const
    {
        const int base = m_list->rowCount();
        return ref < base ? std::pair{m_list.get(), ref} : std::pair{&m_extra, ref - base};
    }

    QString m_connection;
    QString m_file;
    QString m_head; // the list's statement up to "from PARTS"
    QString m_plan; // how its plan reads PARTS
    SqliteDb m_db;  // a connection of its own, to see others' writes
    long long m_version = 0;
    FileStamp m_stamp; // the file as it was when the list was read
    std::shared_ptr<const DataArray> m_list;
    int m_description = -1; // the list's PartDescription field
    // Ref of each rowid (-1 for none): dense when the rowids are, else (rowid, ref) pairs by rowid.
    std::vector<int> m_rowOfRowid;
    std::vector<std::pair<long long, int>> m_rowids;

    // Following writes: where the journal stood (its last entry and that entry's rowid), and
    // the schema then; no journal, or a plan whose ties are not known, follows nothing.
    bool m_follows = false;
    long long m_schema = 0;
    long long m_seq = 0;
    long long m_seqRowid = 0;
    QString m_ties;
    SqliteStmt m_before;
    // Once followed: the list's rows that changed (a bit each), the rows read since, and where
    // each of those that still stands goes: before the list's row `before` (the list's row
    // count for the end), in the list's order. The list's own order is never copied, so a
    // write costs what it changed, not the list's length.
    struct Inserted {
        int before = 0;
        int ref = 0;
    };
    bool m_followed = false;
    std::vector<std::uint64_t> m_gone;
    DataArray m_extra;
    std::vector<Inserted> m_inserted;
    bool isGone(int row) const { return (m_gone[std::size_t(row) / 64] >> (row % 64)) & 1U; }
    int presentFrom(int row, int end) const;
    int presentBefore(int row) const;
};
