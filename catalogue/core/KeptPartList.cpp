// SPDX-License-Identifier: MIT
#include "KeptPartList.h"

#include "DbConnection.h"
#include "DbError.h"
#include "SearchIndex.h"
#include "SqliteConnection.h"

#include <QFileInfo>

#include <sqlite3.h>
#include <sys/stat.h>

#include <charconv>
#include <limits>
#include <string>

namespace {

// Another program's commit holds readers back for a moment; a longer wait is left to the
// statement, which reports it.
constexpr int kBusyTimeoutMs = 200;

// How the statement's plan reads PARTS: two statements whose plans read alike give their
// rows, ties of ORDER BY 3 included, in the same order.
std::optional<QString> plan(sqlite3 *db, const QString &sql)
{
    const auto details = SearchIndex::queryPlan(db, sql);
    if (!details)
        return std::nullopt;
    return details->join(u'\n');
}

} // namespace

// Another file in the catalogue's place has another inode; a file written over in place
// ("cat other > file") keeps it, and may even carry the same change counter in its header,
// which is all PRAGMA data_version compares. Its modification time (to the nanosecond) and
// size are what such a rewrite cannot keep equal.
std::optional<KeptPartList::FileStamp> KeptPartList::stampOf(const QString &file)
{
    struct stat st {};
    if (::stat(file.toUtf8().constData(), &st) != 0)
        return std::nullopt;
    return FileStamp{st.st_dev, st.st_ino, static_cast<long long>(st.st_size), st.st_mtim.tv_sec,
                     st.st_mtim.tv_nsec};
}

namespace {

bool isColumn(sqlite3_stmt *st, int i, const char *name)
{
    const char *table = sqlite3_column_table_name(st, i);
    const char *origin = sqlite3_column_origin_name(st, i);
    return table && origin && sqlite3_stricmp(table, "PARTS") == 0 && sqlite3_stricmp(origin, name) == 0;
}

} // namespace

std::unique_ptr<KeptPartList> KeptPartList::watch(const QString &connectionString, const QString &head)
{
    const QString file = SqliteConnection::dataSource(connectionString);
    if (connectionString.contains(QStringLiteral("DSN=")) || file.isEmpty() || !QFileInfo(file).isFile())
        return nullptr;
    std::unique_ptr<KeptPartList> kept(new KeptPartList);
    kept->m_connection = connectionString;
    kept->m_file = file;
    kept->m_head = head;
    int rc = SQLITE_OK;
    kept->m_db = openSqlite(file.toUtf8().constData(), SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, &rc);
    if (rc != SQLITE_OK)
        return nullptr;
    sqlite3_busy_timeout(kept->m_db.get(), kBusyTimeoutMs);
    const auto version = kept->dataVersion();
    const auto readsAs = plan(kept->m_db.get(), listSql(head));
    const auto stamp = stampOf(file);
    if (!version || !readsAs || !stamp)
        return nullptr;
    kept->m_stamp = *stamp;
    kept->m_version = *version;
    kept->m_plan = *readsAs;
    return kept;
}

bool KeptPartList::keep(std::shared_ptr<const DataArray> list)
{
    if (!list || !list->isArray())
        return false;
    const QByteArray sql = listSql(m_head).toUtf8();
    const SqliteStmt st = prepareSqlite(m_db.get(), sql.constData(), int(sql.size()));
    if (!st || sqlite3_column_count(st.get()) != list->fieldCount() || list->fieldCount() < 4 ||
        !isColumn(st.get(), 0, "PartID") || !isColumn(st.get(), 2, "PartNumber"))
        return false;
    m_description = -1;
    for (int i = 3; i < list->fieldCount() && m_description < 0; ++i) {
        if (isColumn(st.get(), i, "PartDescription"))
            m_description = i;
    }
    // The index's candidates are rowids; the list knows its parts by PartID.
    const auto byId = plan(m_db.get(), QStringLiteral("SELECT PartID FROM PARTS WHERE PartID = 1"));
    if (m_description < 0 || !byId || !byId->contains(QStringLiteral("INTEGER PRIMARY KEY")))
        return false;
    m_list = std::move(list);
    if (!indexRows()) {
        m_list.reset();
        return false;
    }
    return true;
}

std::optional<long long> KeptPartList::dataVersion() const
{
    const SqliteStmt st = prepareSqlite(m_db.get(), "PRAGMA data_version");
    if (!st || sqlite3_step(st.get()) != SQLITE_ROW)
        return std::nullopt;
    return sqlite3_column_int64(st.get(), 0);
}

bool KeptPartList::sameFile() const
{
    return stampOf(m_file) == m_stamp;
}

bool KeptPartList::indexRows()
{
    const int rows = m_list->rowCount();
    auto id = [this](int row, long long *out) {
        const std::string_view v = m_list->utf8(0, row);
        const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), *out);
        return !m_list->isNull(0, row) && ec == std::errc() && end == v.data() + v.size();
    };
    // A table of every rowid while they lie close together (as AUTOINCREMENT gives them),
    // else (rowid, row) pairs by rowid.
    const long long denseLimit = 4LL * rows + 65536;
    m_rowOfRowid.reserve(std::size_t(rows) + std::size_t(rows) / 8 + 1);
    bool dense = true;
    for (int r = 0; r < rows && dense; ++r) {
        long long rowid = 0;
        if (!id(r, &rowid)) {
            m_rowOfRowid = {};
            return false;
        }
        dense = rowid >= 0 && rowid < denseLimit;
        if (dense && std::size_t(rowid) >= m_rowOfRowid.size())
            m_rowOfRowid.resize(std::size_t(rowid) + 1, -1);
        if (dense)
            m_rowOfRowid[std::size_t(rowid)] = r;
    }
    if (!dense) {
        m_rowOfRowid = {};
        m_rowids.reserve(std::size_t(rows));
        for (int r = 0; r < rows; ++r) {
            long long rowid = 0;
            if (!id(r, &rowid)) {
                m_rowids = {};
                return false;
            }
            m_rowids.emplace_back(rowid, r);
        }
        std::sort(m_rowids.begin(), m_rowids.end());
    }
    return true;
}

int KeptPartList::rowOf(long long rowid) const
{
    if (!m_rowOfRowid.empty())
        return rowid >= 0 && std::size_t(rowid) < m_rowOfRowid.size() ? m_rowOfRowid[std::size_t(rowid)] : -1;
    const auto it = std::lower_bound(m_rowids.begin(), m_rowids.end(), std::pair<long long, int>(rowid, -1));
    return it != m_rowids.end() && it->first == rowid ? it->second : -1;
}

std::optional<std::vector<int>> KeptPartList::search(const QString &connectionString,
                                                     const SearchIndex::PartQuery &search)
{
    if (!m_list || connectionString != m_connection || search.head != m_head)
        return std::nullopt;
    sqlite3 *db = m_db.get();
    const QString searchSql = search.sql();
    const QByteArray pattern = search.likePattern().toUtf8();
    // What the statement would refuse, it reports.
    if (pattern.size() > sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1))
        return std::nullopt;
    try {
        DbConnection::checkStatement(searchSql);
    } catch (const DbError &) {
        return std::nullopt;
    }
    if (!sameFile() || plan(db, searchSql) != m_plan)
        return std::nullopt;

    // The candidates and the catalogue's version in one read transaction: the candidates are
    // those of the list's catalogue only while nobody has written since the list was read.
    if (!execSqlite(db, "BEGIN"))
        return std::nullopt;
    const QString query = SearchIndex::matchQuery(search.likePattern());
    const bool everyRow = query.isEmpty() || !SearchIndex::isReady(db);
    const auto candidates = everyRow
                                ? std::vector<long long>{}
                                : SearchIndex::candidates(db, query, std::numeric_limits<long long>::max());
    const auto version = candidates ? dataVersion() : std::nullopt;
    (void)execSqlite(db, "COMMIT");
    if (!version || *version != m_version)
        return std::nullopt;

    // LIKE's own matcher on the texts LIKE would see; a cell printed otherwise cannot be
    // judged here.
    const bool blobsNeverMatch = sqlite3_compileoption_used("LIKE_DOESNT_MATCH_BLOBS") != 0;
    const bool allText = m_list->allText();
    const DataArray &list = *m_list;
    std::string cell;
    bool unsure = false;
    auto like = [&](int field, int row) {
        if (list.isNull(field, row))
            return false;
        if (!allText) {
            const DataArray::Kind kind = list.kind(field, row);
            if (kind == DataArray::Kind::Reprinted)
                unsure = true;
            if (kind == DataArray::Kind::Reprinted || (kind == DataArray::Kind::Binary && blobsNeverMatch))
                return false;
        }
        cell.assign(list.utf8(field, row));
        return sqlite3_strlike(pattern.constData(), cell.c_str(), 0) == 0;
    };
    // The candidates are marked by row and then tested in the list's order: the rows' cells
    // are then read in the order they lie in memory, where reading them at random waited on
    // memory for each one.
    const int rows = list.rowCount();
    std::vector<std::uint64_t> marked((std::size_t(rows) + 63) / 64, everyRow ? ~std::uint64_t(0) : 0);
    if (everyRow && rows % 64 != 0)
        marked.back() = (std::uint64_t(1) << (rows % 64)) - 1;
    for (const long long rowid : *candidates) {
        const int row = rowOf(rowid);
        if (row < 0)
            return std::nullopt; // a part the list lacks: not the list's catalogue after all
        marked[std::size_t(row) / 64] |= std::uint64_t(1) << (row % 64);
    }
    std::vector<int> result;
    for (std::size_t w = 0; w < marked.size(); ++w) {
        for (std::uint64_t bits = marked[w]; bits; bits &= bits - 1) {
            const int row = int(w * 64 + std::size_t(__builtin_ctzll(bits)));
            if (like(2, row) || like(m_description, row))
                result.push_back(row);
        }
    }
    if (unsure)
        return std::nullopt;
    return result;
}
