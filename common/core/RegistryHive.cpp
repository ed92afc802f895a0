// SPDX-License-Identifier: MIT
#include "RegistryHive.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <utility>

namespace {

constexpr int kBusyTimeoutMs = 3000;
// After a hive was found locked, further uses soon after try it once instead of waiting
// again: a start-up's dozen reads would otherwise wait a busy timeout each.
constexpr auto kLockMemory = std::chrono::seconds(10);

// Keys are stored by their full folded path, so a look-up is one indexed row.
constexpr const char *kSchema =
    "CREATE TABLE IF NOT EXISTS keys(path_fold TEXT PRIMARY KEY, path TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS vals(key_fold TEXT NOT NULL, name_fold TEXT NOT NULL,"
    " name TEXT NOT NULL, type INTEGER NOT NULL, data BLOB,"
    " PRIMARY KEY(key_fold, name_fold));";

struct Stmt {
    int rc = SQLITE_OK; // before owner, which sets it
    SqliteStmt owner;
    sqlite3_stmt *s;
    Stmt(sqlite3 *db, const char *sql) : owner(prepareSqlite(db, sql, -1, &rc)), s(owner.get()) {}
    explicit operator bool() const { return s != nullptr; }
    void bind(int i, const QString &text)
    {
        const QByteArray u = text.toUtf8();
        sqlite3_bind_text(s, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
    }
    void bindBlob(int i, const QByteArray &b)
    {
        sqlite3_bind_blob(s, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
    }
    QString text(int i) const
    {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, i)),
                                 sqlite3_column_bytes(s, i));
    }
    QByteArray blob(int i) const
    {
        const void *p = sqlite3_column_blob(s, i);
        return QByteArray(static_cast<const char *>(p), sqlite3_column_bytes(s, i));
    }
};

using Clock = std::chrono::steady_clock;

struct FaultState {
    std::array<std::optional<Clock::time_point>, 2> lockedAt;
    QList<HiveFault> pending;
    QList<std::pair<RegRoot, bool>> given; // hive and direction already given out
};

FaultState &faults()
{
    static FaultState state;
    return state;
}

size_t slot(RegRoot root)
{
    return root == RegRoot::CurrentUser ? 0 : 1;
}

bool recentlyLocked(RegRoot root)
{
    const auto &at = faults().lockedAt[slot(root)];
    return at && Clock::now() - *at < kLockMemory;
}

QString reasonFor(int rc)
{
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return QCoreApplication::translate("RegistryHive", "it is locked by another program");
    case SQLITE_NOTADB:
        return QCoreApplication::translate("RegistryHive",
                                           "it is not a settings file (it is damaged or of another kind)");
    case SQLITE_CORRUPT: return QCoreApplication::translate("RegistryHive", "it is damaged");
    case SQLITE_READONLY: return QCoreApplication::translate("RegistryHive", "it may not be written");
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH: return QCoreApplication::translate("RegistryHive", "it cannot be opened");
    default:
        return QCoreApplication::translate("RegistryHive", "the file reports: %1")
            .arg(QString::fromUtf8(sqlite3_errstr(rc)));
    }
}

// Records why the hive could not be used, for the program to report once, and fails with it.
tl::unexpected<Error> noteFault(RegRoot root, bool writing, int rc)
{
    FaultState &state = faults();
    if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
        state.lockedAt[slot(root)] = Clock::now();
    const HiveFault fault{root, writing, hivePath(root), reasonFor(rc)};
    const auto key = std::make_pair(root, writing);
    const bool known = state.given.contains(key) ||
                       std::any_of(state.pending.cbegin(), state.pending.cend(), [&](const HiveFault &f) {
                           return f.root == root && f.writing == writing;
                       });
    if (!known)
        state.pending << fault;
    return fail(fault.reason, rc);
}

int exec(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

Result<SqliteDb> openFile(RegRoot root, const QString &file, int flags)
{
    int rc = SQLITE_OK;
    SqliteDb db = openSqlite(QFile::encodeName(file).constData(), flags, &rc);
    if (rc != SQLITE_OK || !db)
        return fail(reasonFor(rc), rc == SQLITE_OK ? SQLITE_CANTOPEN : rc);
    sqlite3_busy_timeout(db.get(), recentlyLocked(root) ? 0 : kBusyTimeoutMs);
    return db;
}

// The first read is where SQLite finds a hot journal and, on a connection that may write,
// rolls it back.
int readable(sqlite3 *db)
{
    return exec(db, "SELECT count(*) FROM sqlite_master");
}

// A writer killed inside a transaction leaves a hot journal beside the hive, and read-only
// connections refuse the hive until someone rolls it back. A reader does that itself: in
// place when it may write the hive, otherwise on a private copy of hive and journal, which
// gives it the committed values and leaves the hive for the next writer to mend.
Result<SqliteDb> openForReading(RegRoot root, const QString &file)
{
    int firstRc = SQLITE_OK;
    if (Result<SqliteDb> db = openFile(root, file, SQLITE_OPEN_READONLY); !db)
        firstRc = db.error().code;
    else if (firstRc = readable(db->get()); firstRc == SQLITE_OK)
        return db;
    const auto failed = [&] { return noteFault(root, false, firstRc); };
    const QString journal = file + QStringLiteral("-journal");
    if (!QFileInfo::exists(journal))
        return failed();
    if (Result<SqliteDb> db = openFile(root, file, SQLITE_OPEN_READWRITE);
        db && !sqlite3_db_readonly(db->get(), "main") && readable(db->get()) == SQLITE_OK)
        return db;
    QTemporaryDir copy;
    const QString copied = copy.path() + QStringLiteral("/hive");
    const QString copiedJournal = copied + QStringLiteral("-journal");
    if (!copy.isValid() || !QFile::copy(file, copied) || !QFile::copy(journal, copiedJournal))
        return failed();
    // The copies keep the hive's modes, which may not let even their owner write.
    for (const QString &f : {copied, copiedJournal})
        QFile::setPermissions(f, QFile::ReadOwner | QFile::WriteOwner);
    Result<SqliteDb> db = openFile(root, copied, SQLITE_OPEN_READWRITE);
    if (db && readable(db->get()) == SQLITE_OK)
        return db; // the open connection keeps the rolled-back copy once its folder is gone
    return failed();
}

// A hive that is missing opens as no database, which is not a fault.
Result<SqliteDb> openHive(RegRoot root, bool write)
{
    const QString file = hivePath(root);
    if (!write)
        return QFileInfo::exists(file) ? openForReading(root, file) : Result<SqliteDb>(nullptr);
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return noteFault(root, true, SQLITE_CANTOPEN);
    Result<SqliteDb> db = openFile(root, file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!db)
        return noteFault(root, true, db.error().code);
    // Also catches a damaged or foreign file, which is left as it is.
    if (const int rc = exec(db->get(), kSchema); rc != SQLITE_OK)
        return noteFault(root, true, rc);
    return db;
}

} // namespace

namespace HiveFaults {

QList<HiveFault> takeUnreported()
{
    FaultState &state = faults();
    QList<HiveFault> out = std::exchange(state.pending, {});
    for (const HiveFault &f : std::as_const(out))
        state.given << std::make_pair(f.root, f.writing);
    return out;
}

void forget()
{
    faults() = FaultState{};
}

} // namespace HiveFaults

QString hivePath(RegRoot root)
{
    const QString name =
        root == RegRoot::CurrentUser ? QStringLiteral("user.hive") : QStringLiteral("machine.hive");
    const QByteArray dir = qgetenv("VANTELO_HIVE_DIR");
    if (!dir.isEmpty())
        return QFile::decodeName(dir) + u'/' + name;
    if (root == RegRoot::LocalMachine)
        return QStringLiteral("/var/lib/vantelo/") + name;
    // $XDG_CONFIG_HOME, or ~/.config.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/vantelo/") + name;
}

QString RegKey::fold(const QString &text)
{
    return text.toCaseFolded();
}

QString RegKey::normalisePath(const QString &path)
{
    QStringList parts = path.split(u'\\', Qt::SkipEmptyParts);
    return parts.join(u'\\');
}

RegKey::RegKey() = default;
RegKey::RegKey(RegRoot root, SqliteDb db, QString path, QString folded, bool writable)
    : m_root(root), m_db(std::move(db)), m_path(std::move(path)), m_fold(std::move(folded)),
      m_writable(writable)
{
}

RegKey RegKey::open(RegRoot root, const QString &path)
{
    Result<RegKey> key = tryOpen(root, path);
    return key ? std::move(*key) : RegKey();
}

RegKey RegKey::create(RegRoot root, const QString &path)
{
    Result<RegKey> key = tryCreate(root, path);
    return key ? std::move(*key) : RegKey();
}

Result<RegKey> RegKey::tryOpen(RegRoot root, const QString &path)
{
    const QString norm = normalisePath(path);
    Result<SqliteDb> db = openHive(root, false);
    if (!db)
        return tl::unexpected(db.error());
    if (!*db)
        return RegKey();
    if (norm.isEmpty()) // the root itself, which has no row of its own
        return RegKey(root, std::move(*db), norm, QString(), false);
    QString stored;
    {
        Stmt q(db->get(), "SELECT path FROM keys WHERE path_fold = ?");
        if (!q)
            return noteFault(root, false, q.rc);
        q.bind(1, fold(norm));
        const int rc = sqlite3_step(q.s);
        if (rc == SQLITE_DONE)
            return RegKey();
        if (rc != SQLITE_ROW)
            return noteFault(root, false, rc);
        stored = q.text(0);
    }
    return RegKey(root, std::move(*db), stored, fold(norm), false);
}

Result<RegKey> RegKey::tryCreate(RegRoot root, const QString &path)
{
    const QString norm = normalisePath(path);
    Result<SqliteDb> owner = openHive(root, true);
    if (!owner)
        return tl::unexpected(owner.error());
    sqlite3 *db = owner->get();
    int rc = exec(db, "BEGIN IMMEDIATE");
    if (rc == SQLITE_OK) {
        // Every level is a key of its own, as in the registry.
        const QStringList parts = norm.split(u'\\', Qt::SkipEmptyParts);
        QString prefix;
        for (const QString &part : parts) {
            prefix = prefix.isEmpty() ? part : prefix + u'\\' + part;
            Stmt ins(db, "INSERT OR IGNORE INTO keys(path_fold, path) VALUES(?, ?)");
            if (!ins) {
                rc = ins.rc;
                break;
            }
            ins.bind(1, fold(prefix));
            ins.bind(2, prefix);
            if (const int step = sqlite3_step(ins.s); step != SQLITE_DONE) {
                rc = step;
                break;
            }
        }
        if (rc == SQLITE_OK)
            rc = exec(db, "COMMIT");
        if (rc != SQLITE_OK)
            exec(db, "ROLLBACK");
    }
    if (rc != SQLITE_OK)
        return noteFault(root, true, rc);
    return RegKey(root, std::move(*owner), norm, fold(norm), true);
}

std::optional<RegValue> RegKey::value(const QString &name) const
{
    Result<std::optional<RegValue>> v = read(name);
    return v ? *v : std::nullopt;
}

Result<std::optional<RegValue>> RegKey::read(const QString &name) const
{
    if (!m_db)
        return std::optional<RegValue>();
    Stmt q(m_db.get(), "SELECT name, type, data FROM vals WHERE key_fold = ? AND name_fold = ?");
    if (!q)
        return noteFault(m_root, false, q.rc);
    q.bind(1, m_fold);
    q.bind(2, fold(name));
    const int rc = sqlite3_step(q.s);
    if (rc == SQLITE_DONE)
        return std::optional<RegValue>();
    if (rc != SQLITE_ROW)
        return noteFault(m_root, false, rc);
    return RegValue{q.text(0), sqlite3_column_int(q.s, 1), q.blob(2)};
}

QList<RegValue> RegKey::values() const
{
    QList<RegValue> out;
    if (!m_db)
        return out;
    Stmt q(m_db.get(), "SELECT name, type, data FROM vals WHERE key_fold = ? ORDER BY name_fold");
    if (!q)
        return out;
    q.bind(1, m_fold);
    while (sqlite3_step(q.s) == SQLITE_ROW)
        out.append(RegValue{q.text(0), sqlite3_column_int(q.s, 1), q.blob(2)});
    return out;
}

bool RegKey::setValue(const QString &name, int type, const QByteArray &data)
{
    return write(name, type, data).has_value();
}

Result<> RegKey::write(const QString &name, int type, const QByteArray &data)
{
    if (!m_db || !m_writable)
        return fail(QCoreApplication::translate("RegistryHive", "the key is not open for writing"));
    Stmt q(m_db.get(), "INSERT INTO vals(key_fold, name_fold, name, type, data) VALUES(?, ?, ?, ?, ?)"
                       " ON CONFLICT(key_fold, name_fold) DO UPDATE SET type = excluded.type,"
                       " data = excluded.data");
    if (!q)
        return noteFault(m_root, true, q.rc);
    q.bind(1, m_fold);
    q.bind(2, fold(name));
    q.bind(3, name);
    sqlite3_bind_int(q.s, 4, type);
    q.bindBlob(5, data);
    // A single statement outside BEGIN is its own transaction.
    if (const int rc = sqlite3_step(q.s); rc != SQLITE_DONE)
        return noteFault(m_root, true, rc);
    return {};
}

bool RegKey::deleteValue(const QString &name)
{
    if (!m_db || !m_writable)
        return false;
    Stmt q(m_db.get(), "DELETE FROM vals WHERE key_fold = ? AND name_fold = ?");
    if (!q)
        return false;
    q.bind(1, m_fold);
    q.bind(2, fold(name));
    return sqlite3_step(q.s) == SQLITE_DONE && sqlite3_changes(m_db.get()) > 0;
}
