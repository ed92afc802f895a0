// SPDX-License-Identifier: MIT
#include "RegistryHive.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sqlite3.h>

namespace {

constexpr int kBusyTimeoutMs = 3000;

// Keys are stored by their full folded path, so a look-up is one indexed row.
constexpr const char *kSchema =
    "CREATE TABLE IF NOT EXISTS keys(path_fold TEXT PRIMARY KEY, path TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS vals(key_fold TEXT NOT NULL, name_fold TEXT NOT NULL,"
    " name TEXT NOT NULL, type INTEGER NOT NULL, data BLOB,"
    " PRIMARY KEY(key_fold, name_fold));";

struct Stmt {
    SqliteStmt owner;
    sqlite3_stmt *s;
    Stmt(sqlite3 *db, const char *sql) : owner(prepareSqlite(db, sql)), s(owner.get()) {}
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

bool exec(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

SqliteDb openFile(const QString &file, int flags)
{
    int rc = SQLITE_OK;
    SqliteDb db = openSqlite(QFile::encodeName(file).constData(), flags, &rc);
    if (rc != SQLITE_OK)
        return nullptr;
    sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
    return db;
}

// The first read is where SQLite finds a hot journal and, on a connection that may write,
// rolls it back.
bool readable(sqlite3 *db)
{
    return exec(db, "SELECT count(*) FROM sqlite_master");
}

// A writer killed inside a transaction leaves a hot journal beside the hive, and read-only
// connections refuse the hive until someone rolls it back. A reader does that itself: in
// place when it may write the hive, otherwise on a private copy of hive and journal, which
// gives it the committed values and leaves the hive for the next writer to mend.
SqliteDb openForReading(const QString &file)
{
    if (SqliteDb db = openFile(file, SQLITE_OPEN_READONLY); db && readable(db.get()))
        return db;
    const QString journal = file + QStringLiteral("-journal");
    if (!QFileInfo::exists(journal))
        return nullptr;
    if (SqliteDb db = openFile(file, SQLITE_OPEN_READWRITE);
        db && !sqlite3_db_readonly(db.get(), "main") && readable(db.get()))
        return db;
    QTemporaryDir copy;
    const QString copied = copy.path() + QStringLiteral("/hive");
    const QString copiedJournal = copied + QStringLiteral("-journal");
    if (!copy.isValid() || !QFile::copy(file, copied) || !QFile::copy(journal, copiedJournal))
        return nullptr;
    // The copies keep the hive's modes, which may not let even their owner write.
    for (const QString &f : {copied, copiedJournal})
        QFile::setPermissions(f, QFile::ReadOwner | QFile::WriteOwner);
    SqliteDb db = openFile(copied, SQLITE_OPEN_READWRITE);
    if (db && readable(db.get()))
        return db; // the open connection keeps the rolled-back copy once its folder is gone
    return nullptr;
}

SqliteDb openHive(RegRoot root, bool write)
{
    const QString file = hivePath(root);
    if (!write)
        return QFileInfo::exists(file) ? openForReading(file) : nullptr;
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return nullptr;
    SqliteDb db = openFile(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (db && !exec(db.get(), kSchema)) // also catches a damaged or foreign file
        return nullptr;
    return db;
}

} // namespace

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
RegKey::RegKey(SqliteDb db, QString path, QString folded, bool writable)
    : m_db(std::move(db)), m_path(std::move(path)), m_fold(std::move(folded)), m_writable(writable)
{
}

RegKey RegKey::open(RegRoot root, const QString &path)
{
    const QString norm = normalisePath(path);
    SqliteDb db = openHive(root, false);
    if (!db)
        return {};
    if (norm.isEmpty()) // the root itself, which has no row of its own
        return RegKey(std::move(db), norm, QString(), false);
    QString stored;
    {
        Stmt q(db.get(), "SELECT path FROM keys WHERE path_fold = ?");
        if (!q)
            return {};
        q.bind(1, fold(norm));
        if (sqlite3_step(q.s) != SQLITE_ROW)
            return {};
        stored = q.text(0);
    }
    return RegKey(std::move(db), stored, fold(norm), false);
}

RegKey RegKey::create(RegRoot root, const QString &path)
{
    const QString norm = normalisePath(path);
    SqliteDb owner = openHive(root, true);
    if (!owner)
        return {};
    sqlite3 *db = owner.get();
    bool ok = exec(db, "BEGIN IMMEDIATE");
    if (ok) {
        // Every level is a key of its own, as in the registry.
        const QStringList parts = norm.split(u'\\', Qt::SkipEmptyParts);
        QString prefix;
        for (const QString &part : parts) {
            prefix = prefix.isEmpty() ? part : prefix + u'\\' + part;
            Stmt ins(db, "INSERT OR IGNORE INTO keys(path_fold, path) VALUES(?, ?)");
            if (!ins) {
                ok = false;
                break;
            }
            ins.bind(1, fold(prefix));
            ins.bind(2, prefix);
            if (sqlite3_step(ins.s) != SQLITE_DONE) {
                ok = false;
                break;
            }
        }
        ok = ok && exec(db, "COMMIT");
        if (!ok)
            exec(db, "ROLLBACK");
    }
    if (!ok)
        return {};
    return RegKey(std::move(owner), norm, fold(norm), true);
}

std::optional<RegValue> RegKey::value(const QString &name) const
{
    if (!m_db)
        return std::nullopt;
    Stmt q(m_db.get(), "SELECT name, type, data FROM vals WHERE key_fold = ? AND name_fold = ?");
    if (!q)
        return std::nullopt;
    q.bind(1, m_fold);
    q.bind(2, fold(name));
    if (sqlite3_step(q.s) != SQLITE_ROW)
        return std::nullopt;
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
    if (!m_db || !m_writable)
        return false;
    Stmt q(m_db.get(), "INSERT INTO vals(key_fold, name_fold, name, type, data) VALUES(?, ?, ?, ?, ?)"
                       " ON CONFLICT(key_fold, name_fold) DO UPDATE SET type = excluded.type,"
                       " data = excluded.data");
    if (!q)
        return false;
    q.bind(1, m_fold);
    q.bind(2, fold(name));
    q.bind(3, name);
    sqlite3_bind_int(q.s, 4, type);
    q.bindBlob(5, data);
    // A single statement outside BEGIN is its own transaction.
    return sqlite3_step(q.s) == SQLITE_DONE;
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
