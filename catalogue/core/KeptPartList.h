// SPDX-License-Identifier: MIT
#pragma once

#include "DataArray.h"
#include "SearchIndex.h"
#include "SqliteHandles.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

// The list of all parts, as read for Show All Records, kept to answer the part search from
// memory while the catalogue is unchanged. A search through the database fetches each part
// it finds from the file (about 2 µs each); from the list it costs a look-up in memory, so
// even a text found in many parts is answered in milliseconds.
//
// The answer is the search statement's own: the index's candidates (or every part) tested
// with SQLite's LIKE on the cells the list holds, in the list's order, which is the order of
// the statement's plan. Whenever that cannot be vouched for (another program wrote to the
// catalogue, the file was replaced, the statement or its plan differs, a cell is not the
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
    const std::shared_ptr<const DataArray> &list() const { return m_list; }

    // The rows of the list, in its order, that the search's statement returns now; none when
    // that cannot be told from the list.
    std::optional<std::vector<int>> search(const QString &connectionString,
                                           const SearchIndex::PartQuery &search);

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
    bool sameFile() const;
    bool indexRows();
    int rowOf(long long rowid) const;

    QString m_connection;
    QString m_file;
    QString m_head; // the list's statement up to "from PARTS"
    QString m_plan; // how its plan reads PARTS
    SqliteDb m_db;  // a connection of its own, to see others' writes
    long long m_version = 0;
    FileStamp m_stamp; // the file as it was when the list was read
    std::shared_ptr<const DataArray> m_list;
    int m_description = -1; // the list's PartDescription field
    // Row of each rowid: dense when the rowids are, else (rowid, row) pairs by rowid.
    std::vector<int> m_rowOfRowid;
    std::vector<std::pair<long long, int>> m_rowids;
};
