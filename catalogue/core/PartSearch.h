// SPDX-License-Identifier: MIT
#pragma once

#include "DataArray.h"
#include "DbConnection.h"
#include "SearchIndex.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class KeptPartList;

// The part search and Show All Records, from the typed text and the display field list to
// the rows: builds the statements, and answers a search from the list of all parts while
// that list is the catalogue's, otherwise hands back the statement to read, with the search
// index's narrowing for the engine to use. The caller reads and shows the rows.
class PartSearch final {
public:
    PartSearch();
    ~PartSearch();
    PartSearch(const PartSearch &) = delete;
    PartSearch &operator=(const PartSearch &) = delete;

    // "Select PartID, AsscWith as PartLink, PartNumber, <display fields>": every list's columns.
    static QString selectList(const QString &displayFieldList);
    // The search for the typed text (already trimmed) as it is sent to the database.
    static SearchIndex::PartQuery query(const QString &text, const QString &displayFieldList);
    // The index's narrowing of that search.
    static DbConnection::Narrowing narrowing(const SearchIndex::PartQuery &query);

    // Show All Records: the statement to read. The list kept before is dropped, and the
    // catalogue's state noted, so that the list read next can be kept.
    QString showAll(const QString &connectionString, const QString &displayFieldList);
    // The list Show All Records read, once read to its end; null when it was stopped or
    // failed. Kept, when it can answer searches; any later list is not.
    void listRead(std::shared_ptr<const DataArray> list, const QStringList &fieldNames);
    // Nothing is kept or watched any more.
    void drop();
    bool hasKeptList() const { return m_kept != nullptr; }

    struct Answer {
        enum class From {
            KeptList,  // `rows` of `list`
            Statement, // read `sql`, offering the engine `narrowing`
        };
        From from = From::Statement;
        QString sql;
        DbConnection::Narrowing narrowing;
        std::shared_ptr<const DataArray> list;
        QStringList fieldNames;
        std::vector<int> rows;
    };
    // A search for the typed text (already trimmed, not empty). The list being read for Show
    // All Records is no longer kept; a kept list that cannot answer is dropped.
    Answer search(const QString &connectionString, const QString &text, const QString &displayFieldList);

private:
    std::unique_ptr<KeptPartList> m_watch; // the list of all parts being read
    std::unique_ptr<KeptPartList> m_kept;  // and once kept
    QStringList m_keptNames;
};
