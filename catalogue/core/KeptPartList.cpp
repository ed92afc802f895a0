// SPDX-License-Identifier: MIT
#include "KeptPartList.h"

#include "DbConnection.h"
#include "DbError.h"
#include "SearchIndex.h"
#include "SqliteConnection.h"
#include "SqliteRecordset.h"

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

// Rowids as a JSON array, for json_each.
QByteArray jsonList(const std::vector<long long> &rowids)
{
    QByteArray list("[");
    for (const long long rowid : rowids) {
        if (list.size() > 1)
            list += ',';
        list += QByteArray::number(rowid);
    }
    list += ']';
    return list;
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
    sqlite3 *db = kept->m_db.get();
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    const auto stamp = stampOf(file);
    // The version and the journal's position in one read, before the list is read: a write
    // in between is in the list and in the journal both, and reading it again does no harm.
    if (!execSqlite(db, "BEGIN"))
        return nullptr;
    const auto version = kept->dataVersion();
    const auto readsAs = plan(db, listSql(head));
    const auto schema = kept->number("PRAGMA schema_version");
    kept->m_follows =
        schema && SearchIndex::hasJournal(db) && kept->journalPosition(&kept->m_seq, &kept->m_seqRowid);
    kept->m_ties = SearchIndex::tieOrder(db, listSql(head));
    (void)execSqlite(db, "COMMIT");
    if (!version || !readsAs || !stamp)
        return nullptr;
    kept->m_follows = kept->m_follows && !kept->m_ties.isEmpty();
    kept->m_schema = schema.value_or(0);
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
    m_extra.start(m_list->fieldCount());
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

std::optional<long long> KeptPartList::number(const char *sql) const
{
    const SqliteStmt st = prepareSqlite(m_db.get(), sql);
    if (!st)
        return std::nullopt;
    const int rc = sqlite3_step(st.get());
    if (rc == SQLITE_DONE)
        return 0; // no row: nothing written yet
    if (rc != SQLITE_ROW || sqlite3_column_type(st.get(), 0) != SQLITE_INTEGER)
        return std::nullopt;
    return sqlite3_column_int64(st.get(), 0);
}

// The journal's last entry and its rowid (0 and 0 before the first).
bool KeptPartList::journalPosition(long long *seq, long long *rowid) const
{
    const auto last = number("SELECT seq FROM sqlite_sequence WHERE name = 'PARTS_Changes'");
    if (!last)
        return false;
    *seq = *last;
    *rowid = 0;
    if (*last == 0)
        return true;
    const SqliteStmt st = prepareSqlite(m_db.get(), "SELECT rowid_ FROM PARTS_Changes WHERE seq = ?1");
    if (!st)
        return false;
    sqlite3_bind_int64(st.get(), 1, *last);
    if (sqlite3_step(st.get()) != SQLITE_ROW || sqlite3_column_type(st.get(), 0) != SQLITE_INTEGER)
        return false;
    *rowid = sqlite3_column_int64(st.get(), 0);
    return true;
}

// Inside the caller's read transaction. Fails, leaving the list unusable, when the journal
// cannot account for every write since the list last looked: dropped or made anew (schema),
// entries trimmed or deleted, or another catalogue's journal (its entry there differs).
bool KeptPartList::follow()
{
    long long last = 0;
    long long lastRowid = 0;
    const auto schema = number("PRAGMA schema_version");
    if (!m_follows || !schema || *schema != m_schema || !journalPosition(&last, &lastRowid) || last < m_seq)
        return false;
    std::vector<long long> rowids;
    {
        const SqliteStmt seen = prepareSqlite(m_db.get(), "SELECT rowid_ FROM PARTS_Changes WHERE seq = ?1");
        if (m_seq > 0) {
            sqlite3_bind_int64(seen.get(), 1, m_seq);
            if (!seen || sqlite3_step(seen.get()) != SQLITE_ROW ||
                sqlite3_column_int64(seen.get(), 0) != m_seqRowid)
                return false;
        }
        const SqliteStmt since =
            prepareSqlite(m_db.get(), "SELECT rowid_ FROM PARTS_Changes WHERE seq > ?1 ORDER BY seq");
        if (!since)
            return false;
        sqlite3_bind_int64(since.get(), 1, m_seq);
        long long entries = 0;
        int rc = SQLITE_OK;
        while ((rc = sqlite3_step(since.get())) == SQLITE_ROW) {
            if (sqlite3_column_type(since.get(), 0) != SQLITE_INTEGER)
                return false;
            rowids.push_back(sqlite3_column_int64(since.get(), 0));
            ++entries;
        }
        if (rc != SQLITE_DONE || entries != last - m_seq)
            return false;
    }
    std::sort(rowids.begin(), rowids.end());
    rowids.erase(std::unique(rowids.begin(), rowids.end()), rowids.end());
    if (!rowids.empty()) {
        // The parts as they are now, in the list's order.
        const QByteArray list = jsonList(rowids);
        const int firstNew = m_list->rowCount() + m_extra.rowCount();
        try {
            SqliteRecordset now(m_db.get(),
                                m_head +
                                    QStringLiteral(" NOT INDEXED WHERE PARTS.rowid IN (SELECT value FROM "
                                                   "json_each('%1')) ORDER BY 3")
                                        .arg(QLatin1String(list)) +
                                    m_ties);
            if (now.fieldCount() != m_list->fieldCount())
                return false;
            now.appendRows(m_extra, std::numeric_limits<int>::max());
        } catch (const DbError &) {
            return false;
        }
        if (!place(rowids, firstNew))
            return false;
    }
    m_seq = last;
    m_seqRowid = lastRowid;
    return true;
}

// Whether part `a` comes before part `b` in the list's order, as SQLite orders them.
bool KeptPartList::before(long long a, long long b)
{
    if (!m_before) {
        const QByteArray sql =
            (QStringLiteral("SELECT PARTS.rowid FROM PARTS NOT INDEXED WHERE PARTS.rowid IN "
                            "(?1, ?2) ORDER BY PARTS.PartNumber") +
             m_ties + QStringLiteral(" LIMIT 1"))
                .toUtf8();
        m_before = prepareSqlite(m_db.get(), sql.constData(), int(sql.size()));
        if (!m_before)
            return false;
    }
    sqlite3_stmt *st = m_before.get();
    sqlite3_reset(st);
    sqlite3_bind_int64(st, 1, a);
    sqlite3_bind_int64(st, 2, b);
    const bool first = sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int64(st, 0) == a;
    sqlite3_reset(st); // a statement left running would hold the read open for good
    return first;
}

// The first of the list's rows from `row` on (before `end`) that has not changed; `end` for none.
int KeptPartList::presentFrom(int row, int end) const
{
    while (row < end) {
        const std::uint64_t here = ~m_gone[std::size_t(row) / 64] >> (row % 64);
        if (here)
            return std::min(end, row + __builtin_ctzll(here));
        row = (row / 64 + 1) * 64;
    }
    return end;
}

// The last of the list's rows before `row` that has not changed; -1 for none.
int KeptPartList::presentBefore(int row) const
{
    while (row > 0) {
        const int last = row - 1;
        const int shift = 63 - last % 64;
        const std::uint64_t here = (~m_gone[std::size_t(last) / 64]) << shift;
        if (here)
            return last - __builtin_clzll(here);
        row = last / 64 * 64;
    }
    return -1;
}

// The parts `rowids` leave their places; those read again (refs from `firstNew` on) take
// theirs among the rest, which have not changed, by binary search over the list's rows.
bool KeptPartList::place(const std::vector<long long> &rowids, int firstNew)
{
    const int listRows = m_list->rowCount();
    const int refs = listRows + m_extra.rowCount();
    if (!m_followed) {
        m_gone.assign((std::size_t(listRows) + 63) / 64, 0);
        m_followed = true;
    }
    for (const long long rowid : rowids) {
        const int ref = refOf(rowid);
        if (ref >= 0 && ref < listRows) {
            m_gone[std::size_t(ref) / 64] |= std::uint64_t(1) << (ref % 64);
        } else if (ref >= listRows) {
            const auto it = std::find_if(m_inserted.begin(), m_inserted.end(),
                                         [ref](const Inserted &i) { return i.ref == ref; });
            if (it != m_inserted.end())
                m_inserted.erase(it);
        }
        setRef(rowid, -1);
    }
    for (int ref = firstNew; ref < refs; ++ref) {
        bool known = false;
        const long long rowid = rowidOf(ref, &known);
        if (!known)
            return false;
        // The first unchanged row it comes before; changed rows in between do not count.
        int low = 0;
        int high = listRows;
        while (low < high) {
            const int probe = presentFrom(low + (high - low) / 2, high);
            if (probe == high || before(rowid, rowidOf(probe)))
                high = low + (high - low) / 2;
            else
                low = probe + 1;
        }
        const int next = presentFrom(low, listRows);
        // Among the rows read since that stand between the same two unchanged rows.
        const int previous = presentBefore(next);
        // They all stand before `next` now, whatever changed row they were placed before.
        auto first = std::upper_bound(m_inserted.begin(), m_inserted.end(), previous,
                                      [](int row, const Inserted &i) { return row < i.before; });
        auto last = first;
        for (; last != m_inserted.end() && last->before <= next; ++last)
            last->before = next;
        const auto at = std::partition_point(
            first, last, [&](const Inserted &i) { return !before(rowid, rowidOf(i.ref)); });
        m_inserted.insert(at, Inserted{next, ref});
        setRef(rowid, ref);
    }
    return true;
}

long long KeptPartList::rowidOf(int ref, bool *known) const
{
    const auto [array, row] = at(ref);
    const std::string_view v = array->utf8(0, row);
    long long rowid = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), rowid);
    if (known)
        *known = !array->isNull(0, row) && ec == std::errc() && end == v.data() + v.size();
    return rowid;
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

void KeptPartList::setRef(long long rowid, int ref)
{
    if (!m_rowOfRowid.empty()) {
        const long long denseLimit = 4LL * (m_list->rowCount() + m_extra.rowCount()) + 65536;
        if (rowid >= 0 && rowid < std::max<long long>(denseLimit, (long long)m_rowOfRowid.size())) {
            if (std::size_t(rowid) >= m_rowOfRowid.size())
                m_rowOfRowid.resize(std::size_t(rowid) + 1, -1);
            m_rowOfRowid[std::size_t(rowid)] = ref;
            return;
        }
        if (ref < 0)
            return;
        // Scattered from now on.
        for (std::size_t id = 0; id < m_rowOfRowid.size(); ++id) {
            if (m_rowOfRowid[id] >= 0)
                m_rowids.emplace_back((long long)id, m_rowOfRowid[id]);
        }
        m_rowOfRowid = {};
    }
    const auto it = std::lower_bound(m_rowids.begin(), m_rowids.end(), std::pair<long long, int>(rowid, -1));
    const bool present = it != m_rowids.end() && it->first == rowid;
    if (ref < 0 && present)
        m_rowids.erase(it);
    else if (ref >= 0 && present)
        it->second = ref;
    else if (ref >= 0)
        m_rowids.insert(it, {rowid, ref});
}

int KeptPartList::refOf(long long rowid) const
{
    if (!m_rowOfRowid.empty())
        return rowid >= 0 && std::size_t(rowid) < m_rowOfRowid.size() ? m_rowOfRowid[std::size_t(rowid)] : -1;
    const auto it = std::lower_bound(m_rowids.begin(), m_rowids.end(), std::pair<long long, int>(rowid, -1));
    return it != m_rowids.end() && it->first == rowid ? it->second : -1;
}

// Whether any of `rowids` is a part; an error counts as yes, so the list does not answer.
bool KeptPartList::anyPart(const std::vector<long long> &rowids) const
{
    const QByteArray list = jsonList(rowids);
    const SqliteStmt st = prepareSqlite(
        m_db.get(), "SELECT 1 FROM PARTS WHERE rowid IN (SELECT value FROM json_each(?1)) LIMIT 1");
    if (!st)
        return true;
    sqlite3_bind_text(st.get(), 1, list.constData(), int(list.size()), SQLITE_TRANSIENT);
    return sqlite3_step(st.get()) != SQLITE_DONE;
}

std::optional<KeptPartList::Found> KeptPartList::search(const QString &connectionString,
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
    const auto stamp = stampOf(m_file);
    if (!stamp || stamp->device != m_stamp.device || stamp->inode != m_stamp.inode ||
        plan(db, searchSql) != m_plan)
        return std::nullopt;

    // The writes followed, the candidates and the catalogue's version in one read transaction:
    // the candidates are those of the list's catalogue only once the list has followed every
    // write committed before them.
    if (!execSqlite(db, "BEGIN"))
        return std::nullopt;
    const auto version = dataVersion();
    bool current = version && *version == m_version && *stamp == m_stamp;
    if (version && *version != m_version) {
        current = follow();
        if (!current)
            m_list.reset(); // half followed at most: never to answer again
    }
    const QString query = SearchIndex::matchQuery(search.likePattern());
    const bool everyRow = query.isEmpty() || !SearchIndex::isReady(db);
    const auto candidates = !current || everyRow
                                ? std::vector<long long>{}
                                : SearchIndex::candidates(db, query, std::numeric_limits<long long>::max());
    // Another program's INSERT OR REPLACE removes the row it replaces without the delete
    // triggers, so the index can keep a gone part's rowid. A candidate the list lacks is
    // skipped when PARTS lacks it too; a part the list lacks means another catalogue.
    bool foreign = false;
    if (current && candidates) {
        std::vector<long long> lacking;
        for (const long long rowid : *candidates) {
            if (refOf(rowid) < 0)
                lacking.push_back(rowid);
        }
        foreign = !lacking.empty() && anyPart(lacking);
    }
    (void)execSqlite(db, "COMMIT");
    // A file changed without a commit SQLite noticed is another file written over this one.
    if (!current || !candidates || foreign)
        return std::nullopt;
    m_version = *version;
    m_stamp = *stamp;

    // LIKE's own matcher on the texts LIKE would see; a cell printed otherwise cannot be
    // judged here.
    const bool blobsNeverMatch = sqlite3_compileoption_used("LIKE_DOESNT_MATCH_BLOBS") != 0;
    const bool allText = m_list->allText() && m_extra.allText();
    std::string cell;
    bool unsure = false;
    auto like = [&](int field, const DataArray &list, int row) {
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
    // The candidates are marked by their place in the list and then tested in the list's
    // order: the rows' cells are then read in the order they lie in memory, where reading
    // them at random waited on memory for each one.
    const int rows = m_list->rowCount();
    std::vector<std::uint64_t> marked((std::size_t(rows) + 63) / 64, everyRow ? ~std::uint64_t(0) : 0);
    if (everyRow && rows % 64 != 0)
        marked.back() = (std::uint64_t(1) << (rows % 64)) - 1;
    if (everyRow && m_followed) {
        for (std::size_t w = 0; w < marked.size(); ++w)
            marked[w] &= ~m_gone[w];
    }
    for (const long long rowid : *candidates) {
        const int ref = refOf(rowid);
        if (ref >= 0 && ref < rows)
            marked[std::size_t(ref) / 64] |= std::uint64_t(1) << (ref % 64);
    }
    // The rows read since are few: each is tested, and goes before the list's row it stands before.
    std::vector<int> result;
    auto inserted = m_inserted.cbegin();
    auto insertUpTo = [&](int row) {
        for (; inserted != m_inserted.cend() && inserted->before <= row; ++inserted) {
            const auto [list, at] = this->at(inserted->ref);
            if (like(2, *list, at) || like(m_description, *list, at))
                result.push_back(inserted->ref);
        }
    };
    for (std::size_t w = 0; w < marked.size(); ++w) {
        for (std::uint64_t bits = marked[w]; bits; bits &= bits - 1) {
            const int row = int(w * 64 + std::size_t(__builtin_ctzll(bits)));
            insertUpTo(row);
            if (like(2, *m_list, row) || like(m_description, *m_list, row))
                result.push_back(row);
        }
    }
    insertUpTo(rows);
    if (unsure)
        return std::nullopt;
    if (std::none_of(result.begin(), result.end(), [rows](int ref) { return ref >= rows; }))
        return Found{m_list, std::move(result)};

    // Rows read since lie in an array of their own: the answer gets a copy of its rows.
    auto copy = std::make_shared<DataArray>();
    copy->start(m_list->fieldCount());
    for (int &ref : result) {
        const auto [list, row] = at(ref);
        for (int f = 0; f < list->fieldCount(); ++f) {
            if (list->isNull(f, row)) {
                (void)copy->appendNull();
                continue;
            }
            if (!copy->append(list->utf8(f, row)))
                return std::nullopt;
            if (!list->allText() && list->kind(f, row) != DataArray::Kind::Text)
                copy->markLast(list->kind(f, row));
        }
        copy->endRow();
        ref = copy->rowCount() - 1;
    }
    copy->finish();
    return Found{std::move(copy), std::move(result)};
}
