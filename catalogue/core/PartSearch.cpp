// SPDX-License-Identifier: MIT
#include "PartSearch.h"

#include "KeptPartList.h"
#include "modDB.h"

namespace {

QString partsHead(const QString &displayFieldList)
{
    return PartSearch::selectList(displayFieldList) + QStringLiteral(" from PARTS");
}

} // namespace

PartSearch::PartSearch() = default;
PartSearch::~PartSearch() = default;

QString PartSearch::selectList(const QString &displayFieldList)
{
    return QStringLiteral("Select PartID, AsscWith as PartLink, PartNumber, ") + displayFieldList;
}

SearchIndex::PartQuery PartSearch::query(const QString &text, const QString &displayFieldList)
{
    return {partsHead(displayFieldList), u'%' + modDB::SQLQuote(text) + u'%'};
}

DbConnection::Narrowing PartSearch::narrowing(const SearchIndex::PartQuery &query)
{
    return [query](sqlite3 *db) { return SearchIndex::rewrite(db, query); };
}

QString PartSearch::showAll(const QString &connectionString, const QString &displayFieldList)
{
    // The list read before is not kept beside the new one.
    drop();
    const QString head = partsHead(displayFieldList);
    m_watch = KeptPartList::watch(connectionString, head);
    return KeptPartList::listSql(head);
}

void PartSearch::listRead(std::shared_ptr<const DataArray> list, const QStringList &fieldNames)
{
    std::unique_ptr<KeptPartList> watch = std::move(m_watch);
    if (watch && list && watch->keep(std::move(list))) {
        m_kept = std::move(watch);
        m_keptNames = fieldNames;
    }
}

void PartSearch::drop()
{
    m_watch.reset();
    m_kept.reset();
    m_keptNames.clear();
}

PartSearch::Answer PartSearch::search(const QString &connectionString, const QString &text,
                                      const QString &displayFieldList)
{
    m_watch.reset();
    const SearchIndex::PartQuery q = query(text, displayFieldList);
    Answer answer;
    if (m_kept) {
        if (auto found = m_kept->search(connectionString, q)) {
            answer.from = Answer::From::KeptList;
            answer.list = std::move(found->list);
            answer.fieldNames = m_keptNames;
            answer.rows = std::move(found->rows);
            return answer;
        }
        // Out of date, or not a question the list can answer: the statement answers, and
        // the list is not held beside its result.
        drop();
    }
    answer.sql = q.sql();
    answer.narrowing = narrowing(q);
    return answer;
}
