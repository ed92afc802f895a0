// SPDX-License-Identifier: MIT
#pragma once

#include "Result.h"
#include "SqliteHandles.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// Registry roots of the programs; a hive file per root.
enum class RegRoot { CurrentUser, LocalMachine };

// Value types as the Windows registry numbers them.
enum RegType : int { REG_NONE = 0, REG_SZ = 1, REG_EXPAND_SZ = 2, REG_BINARY = 3, REG_DWORD = 4 };

struct RegValue {
    QString name;
    int type = REG_NONE;
    QByteArray data; // UTF-8 text for string types, raw bytes otherwise
};

// A hive that could not be read or written. The primitives still give "" or drop the
// write, as designed; this is how a program learns that it happened, and why.
struct HiveFault {
    RegRoot root = RegRoot::CurrentUser;
    bool writing = false; // false: the hive could not be read
    QString file;
    QString reason; // in words, for the user
};

namespace HiveFaults {
// Faults met and not given out yet; each hive and direction is given out once per run.
QList<HiveFault> takeUnreported();
// Tests: starts afresh, as a new run would, and forgets a hive found locked.
void forget();
} // namespace HiveFaults

// Where each root's hive lives: $VANTELO_HIVE_DIR when set, else the user's config
// folder and /var/lib/vantelo.
QString hivePath(RegRoot root);

// An open key of one hive. Holds its own database connection for the one operation
// that uses it; closing is the destructor. A default-constructed key is the null handle.
class RegKey final {
public:
    RegKey();

    // Opens an existing key, for reading only; never creates the hive or the key.
    static RegKey open(RegRoot root, const QString &path);
    // Opens the key for writing, creating the hive and every missing level.
    static RegKey create(RegRoot root, const QString &path);
    // The same, failing when the hive is there but cannot be used (locked, damaged, not a
    // hive, not writable). A missing hive or key opens as the null key. Each failure is
    // also noted for HiveFaults.
    static Result<RegKey> tryOpen(RegRoot root, const QString &path);
    static Result<RegKey> tryCreate(RegRoot root, const QString &path);

    explicit operator bool() const { return m_db != nullptr; }
    bool writable() const { return m_writable; }
    const QString &path() const { return m_path; }

    std::optional<RegValue> value(const QString &name) const;
    // Fails when the hive could not be read; a missing value is success without one.
    Result<std::optional<RegValue>> read(const QString &name) const;
    QList<RegValue> values() const;
    // Each write is its own transaction; false when nothing was written.
    bool setValue(const QString &name, int type, const QByteArray &data);
    Result<> write(const QString &name, int type, const QByteArray &data);
    bool deleteValue(const QString &name);

    // The normalised form in which paths and names are compared.
    static QString fold(const QString &text);
    static QString normalisePath(const QString &path);

private:
    RegKey(RegRoot root, SqliteDb db, QString path, QString folded, bool writable);
    RegRoot m_root = RegRoot::CurrentUser;
    SqliteDb m_db;
    QString m_path; // normalised, original letter case
    // The folded path the key was found or made under. Its values are filed under it, not
    // under the fold of the stored spelling, which text that is not valid Unicode (a lone
    // surrogate) does not survive unchanged.
    QString m_fold;
    bool m_writable = false;
};
