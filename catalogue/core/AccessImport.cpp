// SPDX-License-Identifier: MIT
#include "AccessImport.h"

#include "MdbHandles.h"
#include "SearchIndex.h"
#include "common/core/PosixHandles.h"
#include "common/core/SqliteHandles.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QThread>

#include <sqlite3.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace AccessImport {

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString cannotWrite(const QString &path)
{
    return QCoreApplication::translate("AccessImport", "%1 cannot be written: %2").arg(path, systemError());
}

QString existsAlready(const QString &path)
{
    return QCoreApplication::translate("AccessImport", "%1 exists already; it is not overwritten.").arg(path);
}

// A name that is taken, even by a dangling link, is never written over.
bool nameInUse(const QString &path)
{
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

// A value as it goes into SQLite and is compared when read back.
struct Value {
    enum Kind { Null, Int, Real, Text, Blob } kind = Null;
    qint64 i = 0;
    double r = 0;
    QByteArray bytes;

    static Value integer(qint64 v) { return {Int, v, 0, {}}; }
    static Value real(double v) { return {Real, 0, v, {}}; }
    static Value text(QByteArray v) { return {Text, 0, 0, std::move(v)}; }
    static Value blob(QByteArray v) { return {Blob, 0, 0, std::move(v)}; }
};

// libmdb hands out strings from g_malloc.
QByteArray taken(char *text)
{
    QByteArray bytes(text ? text : "");
    g_free(text);
    return bytes;
}

QString formatName(guint32 version)
{
    switch (version) {
    case MDB_VER_JET3: return QStringLiteral("Access 97");
    case MDB_VER_JET4: return QStringLiteral("Access 2000-2003");
    case MDB_VER_ACCDB_2007: return QStringLiteral("Access 2007");
    case MDB_VER_ACCDB_2010: return QStringLiteral("Access 2010");
    case MDB_VER_ACCDB_2013: return QStringLiteral("Access 2013");
    case MDB_VER_ACCDB_2016: return QStringLiteral("Access 2016");
    case MDB_VER_ACCDB_2019: return QStringLiteral("Access 2019");
    default: return QStringLiteral("Access");
    }
}

QString quoted(const QString &name)
{
    QString q = name;
    return u'"' + q.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// Access keeps a date as days since 1899-12-30, the fraction being the time of day; before
// that day the whole days count back while the fraction still counts forward. ISO 8601 in
// the proleptic Gregorian calendar, to the millisecond where there is one.
QByteArray accessDate(double days)
{
    const double whole = std::trunc(days);
    qint64 ms = std::llround(std::fabs(days - whole) * 86400000.0);
    QDate date = QDate(1899, 12, 30).addDays(qint64(whole));
    if (ms >= 86400000) {
        date = date.addDays(1);
        ms -= 86400000;
    }
    QString text = QString::asprintf("%04d-%02d-%02d", date.year(), date.month(), date.day());
    if (ms != 0) {
        const qint64 s = ms / 1000;
        text += QString::asprintf(" %02d:%02d:%02d", int(s / 3600), int(s / 60 % 60), int(s % 60));
        if (ms % 1000 != 0)
            text += QString::asprintf(".%03d", int(ms % 1000));
    }
    return text.toLatin1();
}

// SQLite's numeric affinity turns a decimal's text into a double: exact for whole numbers
// that fit 64 bits and for up to 15 significant digits, which a double prints back as written.
std::optional<Value> exactDecimal(const QByteArray &text)
{
    QByteArray digits = text;
    const bool negative = digits.startsWith('-');
    if (negative)
        digits.remove(0, 1);
    const qsizetype point = digits.indexOf('.');
    QByteArray intPart = point < 0 ? digits : digits.left(point);
    QByteArray frac = point < 0 ? QByteArray() : digits.mid(point + 1);
    while (frac.endsWith('0'))
        frac.chop(1);
    for (const QByteArray *part : {&intPart, &frac})
        for (char c : *part)
            if (c < '0' || c > '9')
                return std::nullopt;
    if (intPart.isEmpty() && frac.isEmpty())
        return std::nullopt;
    if (frac.isEmpty()) {
        bool ok = false;
        const qint64 v = (negative ? '-' + intPart : intPart).toLongLong(&ok);
        if (ok)
            return Value::integer(v);
    }
    QByteArray significant = intPart + frac;
    while (significant.startsWith('0'))
        significant.remove(0, 1);
    if (significant.size() > 15)
        return std::nullopt;
    const QByteArray literal = (negative ? "-" : "") + (intPart.isEmpty() ? "0" : intPart) +
                               (frac.isEmpty() ? QByteArray() : '.' + frac);
    return Value::real(std::strtod(literal.constData(), nullptr));
}

struct Column {
    MdbColumn *col = nullptr;
    int index = 0; // in the table's columns
    QString name;
    QString declared;
    bool autoNumber = false;
    QString unreadable;      // why the column cannot be converted; "" when it can
    std::vector<char> bound; // OLE objects are read through a bound header
};

QString declaration(MdbHandle *mdb, const MdbColumn *col, QString *unreadable)
{
    switch (col->col_type) {
    case MDB_TEXT:
        // Jet 4 and later count a text's size in bytes of UCS-2.
        return QStringLiteral("VARCHAR(%1) COLLATE NOCASE")
            .arg(mdb->f->jet_version == MDB_VER_JET3 ? col->col_size : col->col_size / 2);
    case MDB_MEMO: return QStringLiteral("TEXT COLLATE NOCASE");
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT: return QStringLiteral("INTEGER");
    case MDB_MONEY: return QStringLiteral("CURRENCY");
    case MDB_FLOAT:
    case MDB_DOUBLE: return QStringLiteral("DOUBLE");
    case MDB_DATETIME: return QStringLiteral("DATETIME");
    case MDB_BOOL: return QStringLiteral("BOOLEAN");
    case MDB_REPID: return QStringLiteral("GUID");
    // libmdb keeps a decimal's precision in col_scale and its scale in col_prec, and reads
    // the values so; its schema output declares them the same way.
    case MDB_NUMERIC: return QStringLiteral("DECIMAL(%1,%2)").arg(col->col_scale).arg(col->col_prec);
    case MDB_OLE:
    case MDB_BINARY: return QStringLiteral("BLOB");
    case MDB_COMPLEX:
        *unreadable = QCoreApplication::translate(
            "AccessImport", "an attachment or multi-valued column, which cannot be read");
        return {};
    default:
        *unreadable = QCoreApplication::translate("AccessImport", "a column type %1 that cannot be read")
                          .arg(col->col_type);
        return {};
    }
}

// One value of the row libmdb has just fetched, from its stored bytes.
Result<Value> readValue(MdbHandle *mdb, Column &c, const MdbField &field)
{
    MdbColumn *col = c.col;
    if (col->col_type == MDB_BOOL) // kept in the null mask: a set bit is Yes
        return Value::integer(field.is_null ? 0 : -1);
    if (field.is_null)
        return Value{};
    const int start = field.start;
    const int size = field.siz;
    auto fixed = [&](int bytes) -> Result<> {
        if (size != bytes || start < 0 || start + bytes > int(sizeof mdb->pg_buf))
            return fail(QCoreApplication::translate("AccessImport", "a value of %1 bytes where %2 belong")
                            .arg(size)
                            .arg(bytes));
        return {};
    };
    const unsigned char *p = mdb->pg_buf + start;
    switch (col->col_type) {
    case MDB_BYTE:
        if (auto ok = fixed(1); !ok)
            return tl::unexpected(ok.error());
        return Value::integer(p[0]);
    case MDB_INT:
        if (auto ok = fixed(2); !ok)
            return tl::unexpected(ok.error());
        return Value::integer(qint16(quint16(p[0] | p[1] << 8)));
    case MDB_LONGINT: {
        if (auto ok = fixed(4); !ok)
            return tl::unexpected(ok.error());
        quint32 v = 0;
        for (int k = 3; k >= 0; --k)
            v = v << 8 | p[k];
        return Value::integer(qint32(v));
    }
    case MDB_MONEY: {
        // A 64-bit count of ten-thousandths, never read through a double's text.
        if (auto ok = fixed(8); !ok)
            return tl::unexpected(ok.error());
        quint64 v = 0;
        for (int k = 7; k >= 0; --k)
            v = v << 8 | p[k];
        const qint64 raw = qint64(v);
        if (raw % 10000 == 0)
            return Value::integer(raw / 10000);
        // Up to 15 significant digits a double gives back exactly what was stored.
        if (raw <= -1000000000000000LL || raw >= 1000000000000000LL)
            return fail(QCoreApplication::translate(
                            "AccessImport", "the amount %1 has more digits than the catalogue keeps exactly")
                            .arg(QString::fromLatin1(taken(mdb_money_to_string(mdb, start)))));
        return Value::real(double(raw) / 10000.0);
    }
    case MDB_FLOAT: {
        if (auto ok = fixed(4); !ok)
            return tl::unexpected(ok.error());
        float f = 0;
        std::memcpy(&f, p, 4);
        // The single as Access shows it: its shortest decimal form, as a double.
        char buffer[32];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, f).ptr;
        *end = 0;
        return Value::real(std::strtod(buffer, nullptr));
    }
    case MDB_DOUBLE: {
        if (auto ok = fixed(8); !ok)
            return tl::unexpected(ok.error());
        double d = 0;
        std::memcpy(&d, p, 8);
        return Value::real(d);
    }
    case MDB_DATETIME: {
        // libmdb's own text turns every date before 1900 into "1900-01-00".
        if (auto ok = fixed(8); !ok)
            return tl::unexpected(ok.error());
        double d = 0;
        std::memcpy(&d, p, 8);
        if (!std::isfinite(d) || d < -657434.0 || d >= 2958466.0) // 100-01-01 to 9999-12-31
            return fail(QCoreApplication::translate("AccessImport", "%1 is not a date").arg(d));
        return Value::text(accessDate(d));
    }
    case MDB_REPID:
        if (auto ok = fixed(16); !ok)
            return tl::unexpected(ok.error());
        return Value::text(taken(mdb_uuid_to_string(mdb->pg_buf, start)));
    case MDB_NUMERIC: {
        if (auto ok = fixed(17); !ok)
            return tl::unexpected(ok.error());
        const QByteArray text = taken(mdb_numeric_to_string(mdb, start, col->col_scale, col->col_prec));
        if (auto v = exactDecimal(text))
            return *v;
        return fail(QCoreApplication::translate(
                        "AccessImport", "the decimal %1 has more digits than the catalogue keeps exactly")
                        .arg(QString::fromLatin1(text)));
    }
    case MDB_TEXT:
    case MDB_MEMO: return Value::text(taken(mdb_col_to_string(mdb, mdb->pg_buf, start, col->col_type, size)));
    case MDB_BINARY:
        if (start < 0 || size < 0 || start + size > int(sizeof mdb->pg_buf))
            return fail(QCoreApplication::translate("AccessImport", "a value outside its page"));
        return Value::blob(QByteArray(reinterpret_cast<const char *>(p), size));
    case MDB_OLE: {
        if (size < MDB_MEMO_OVERHEAD)
            return fail(QCoreApplication::translate("AccessImport", "an object without its header"));
        size_t length = 0;
        void *data = mdb_ole_read_full(mdb, col, &length);
        if (!data)
            return fail(QCoreApplication::translate("AccessImport", "an object that cannot be read"));
        QByteArray bytes(static_cast<const char *>(data), qsizetype(length));
        g_free(data);
        return Value::blob(std::move(bytes));
    }
    default:
        return fail(QCoreApplication::translate("AccessImport", "a column type %1 that cannot be read")
                        .arg(col->col_type));
    }
}

// The fields of the row that mdb_fetch_row has just read, with their null flags (an empty
// text and a null look alike in libmdb's bound values).
bool crackCurrentRow(MdbTableDef *table, std::vector<MdbField> &fields)
{
    int start = 0;
    size_t length = 0;
    if (table->cur_row == 0 || mdb_find_row(table->entry->mdb, int(table->cur_row - 1), &start, &length) != 0)
        return false;
    MdbField absent{};
    absent.is_null = 1;
    fields.assign(std::max<std::size_t>(table->num_cols, 1), absent);
    // Answers how many columns the row itself stores, which differs from the table's after
    // columns were added or deleted; every column of the table gets its field.
    return mdb_crack_row(table, start & 0x1fff, length, fields.data()) >= 0;
}

QString valueText(const Value &v)
{
    switch (v.kind) {
    case Value::Null: return QStringLiteral("NULL");
    case Value::Int: return QString::number(v.i);
    case Value::Real: return QString::number(v.r, 'g', 17);
    case Value::Text: return QString::fromUtf8(v.bytes);
    case Value::Blob: return QCoreApplication::translate("AccessImport", "%1 bytes").arg(v.bytes.size());
    }
    return {};
}

void bind(sqlite3_stmt *statement, int parameter, const Value &v)
{
    switch (v.kind) {
    case Value::Null: sqlite3_bind_null(statement, parameter); break;
    case Value::Int: sqlite3_bind_int64(statement, parameter, v.i); break;
    case Value::Real: sqlite3_bind_double(statement, parameter, v.r); break;
    case Value::Text:
        sqlite3_bind_text(statement, parameter, v.bytes.constData(), int(v.bytes.size()), SQLITE_TRANSIENT);
        break;
    case Value::Blob:
        sqlite3_bind_blob(statement, parameter, v.bytes.constData(), int(v.bytes.size()), SQLITE_TRANSIENT);
        break;
    }
}

bool sameAsStored(sqlite3_stmt *row, int column, const Value &v)
{
    const int type = sqlite3_column_type(row, column);
    switch (v.kind) {
    case Value::Null: return type == SQLITE_NULL;
    case Value::Int: return type == SQLITE_INTEGER && sqlite3_column_int64(row, column) == v.i;
    case Value::Real:
        // Numeric affinity keeps a whole amount as an integer.
        return (type == SQLITE_FLOAT || type == SQLITE_INTEGER) && sqlite3_column_double(row, column) == v.r;
    case Value::Text:
    case Value::Blob: {
        if (type != (v.kind == Value::Text ? SQLITE_TEXT : SQLITE_BLOB))
            return false;
        const void *data = v.kind == Value::Text ? static_cast<const void *>(sqlite3_column_text(row, column))
                                                 : sqlite3_column_blob(row, column);
        const int size = sqlite3_column_bytes(row, column);
        return size == v.bytes.size() && (size == 0 || std::memcmp(data, v.bytes.constData(), size) == 0);
    }
    }
    return false;
}

// The new catalogue's file while it is written: a file without a name (O_TMPFILE) in the
// target's folder, so that nothing of it remains if the process dies before it is complete.
// File systems without such files get a hidden temporary name, removed on every other way out.
class NewFile {
public:
    static Result<NewFile> create(const QString &folder)
    {
        NewFile f;
        const QByteArray dir = QFile::encodeName(folder);
        f.m_fd = UniqueFd(::open(dir.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0644));
        if (f.m_fd) {
            f.m_procPath = "/proc/self/fd/" + QByteArray::number(f.m_fd.get());
            if (::access(f.m_procPath.constData(), R_OK | W_OK) == 0)
                return f;
            f.m_fd.reset();
        }
        QByteArray name = dir + "/.orvana-conversion-XXXXXX";
        f.m_fd = UniqueFd(::mkostemp(name.data(), O_CLOEXEC));
        if (!f.m_fd)
            return fail(cannotWrite(folder));
        ::fchmod(f.m_fd.get(), 0644);
        f.m_tempName = name;
        f.m_procPath = name;
        return f;
    }

    NewFile() = default;
    NewFile(NewFile &&other) noexcept
        : m_fd(std::move(other.m_fd)), m_procPath(std::move(other.m_procPath)),
          m_tempName(std::exchange(other.m_tempName, {}))
    {
    }
    NewFile &operator=(NewFile &&) = delete;
    ~NewFile()
    {
        if (!m_tempName.isEmpty())
            ::unlink(m_tempName.constData());
    }

    // The catalogue that replaces a file keeps who may use it (a shared catalogue its
    // group's write access), as a replaced program file keeps its mode.
    void takeAccessOf(const QString &file)
    {
        struct stat st {};
        if (::stat(QFile::encodeName(file).constData(), &st) != 0)
            return;
        ::fchmod(m_fd.get(), st.st_mode & 07777);
        if (::fchown(m_fd.get(), uid_t(-1), st.st_gid) != 0) {
            // Not one of the file's groups: the folder's group and the mode above stay.
        }
    }

    // Writes the whole file and reads it back.
    Result<> write(const unsigned char *data, qint64 size, const QString &target)
    {
        for (qint64 at = 0; at < size;) {
            const ssize_t n =
                ::pwrite(m_fd.get(), data + at, std::size_t(std::min<qint64>(size - at, 1 << 20)), at);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return fail(cannotWrite(target));
            at += n;
        }
        std::vector<unsigned char> back(std::size_t(1) << 20);
        for (qint64 at = 0; at < size;) {
            const ssize_t n =
                ::pread(m_fd.get(), back.data(), std::size_t(std::min<qint64>(size - at, 1 << 20)), at);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0 || std::memcmp(back.data(), data + at, std::size_t(n)) != 0)
                return fail(QCoreApplication::translate(
                                "AccessImport", "%1 cannot be written: what was written does not read back.")
                                .arg(target));
            at += n;
        }
        return {};
    }

    // Gives the finished file the name `target`, which must not exist.
    Result<> publish(const QString &target)
    {
        const QByteArray name = QFile::encodeName(target);
        if (::fsync(m_fd.get()) != 0)
            return fail(cannotWrite(target));
        const int linked = m_tempName.isEmpty() ? ::linkat(AT_FDCWD, m_procPath.constData(), AT_FDCWD,
                                                           name.constData(), AT_SYMLINK_FOLLOW)
                                                : ::link(m_tempName.constData(), name.constData());
        if (linked != 0)
            return fail(errno == EEXIST ? existsAlready(target) : cannotWrite(target));
        syncFolder(target);
        return {};
    }

    static void syncFolder(const QString &file)
    {
        const UniqueFd dir(
            ::open(QFile::encodeName(QFileInfo(file).absolutePath()).constData(), O_RDONLY | O_CLOEXEC));
        if (dir)
            ::fsync(dir.get());
    }

private:
    UniqueFd m_fd;
    QByteArray m_procPath;
    QByteArray m_tempName;
};

// A pause after each table, so that tests can stop a conversion half-way for certain.
int testPauseMs()
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("VANTELO_TEST_ACCESS_PAUSE_MS", &ok);
    return ok ? ms : 0;
}

class Converter {
public:
    Converter(const QString &accessFile, const Options &options) : m_source(accessFile), m_options(options) {}

    Result<Summary> run(sqlite3 *db);

private:
    struct Table {
        QString name;
        unsigned expectedRows = 0;
        std::vector<Column> columns;
        std::vector<qint64> rowids;
    };

    Result<MdbTable> openTable(MdbCatalogEntry *entry);
    Result<> prepareColumns(MdbTable &table, Table &t);
    Result<> copyRows(sqlite3 *db, MdbTableDef *table, Table &t);
    Result<> createIndexes(sqlite3 *db, MdbTableDef *table, const Table &t);
    Result<> verify(sqlite3 *db, MdbTableDef *table, Table &t);
    // Reports progress at most every 20 ms, or now.
    Result<> step(bool always = false);
    void leaveOut(const QString &what) { m_summary.leftOut << what; }

    QString m_source;
    const Options &m_options;
    MdbDatabase m_mdb;
    Summary m_summary;
    long long m_done = 0;
    long long m_total = 0;
    QElapsedTimer m_sinceStep;
    QSet<QString> m_indexNames;
};

Result<> Converter::step(bool always)
{
    if (!m_options.progress || (!always && m_sinceStep.isValid() && m_sinceStep.elapsed() < 20))
        return {};
    m_sinceStep.start();
    if (!m_options.progress(m_done, m_total))
        return fail(QCoreApplication::translate("AccessImport", "The conversion was stopped."), kStopped);
    return {};
}

Result<MdbTable> Converter::openTable(MdbCatalogEntry *entry)
{
    MdbTable table(mdb_read_table(entry));
    // mdb_read_indices answers null however it went; the indexes are in the table after it.
    if (!table || !mdb_read_columns(table.get()) || (mdb_read_indices(table.get()), false))
        return fail(QCoreApplication::translate("AccessImport", "Table %1 cannot be read.")
                        .arg(QString::fromUtf8(entry->object_name)));
    return table;
}

Result<> Converter::prepareColumns(MdbTable &table, Table &t)
{
    MdbHandle *mdb = m_mdb.get();
    int autoNumbers = 0;
    for (unsigned i = 0; i < table->num_cols; ++i) {
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
        Column c;
        c.col = col;
        c.index = int(i);
        c.name = QString::fromUtf8(col->name);
        c.declared = declaration(mdb, col, &c.unreadable);
        if (!c.unreadable.isEmpty()) {
            if (!m_options.skipUnreadable)
                return fail(QCoreApplication::translate("AccessImport", "Table %1, column %2: %3.")
                                .arg(t.name, c.name, c.unreadable));
            leaveOut(
                QCoreApplication::translate("AccessImport", "%1.%2 (%3)").arg(t.name, c.name, c.unreadable));
        }
        c.autoNumber = col->is_long_auto && col->col_type == MDB_LONGINT;
        autoNumbers += c.autoNumber ? 1 : 0;
        if (col->col_type == MDB_OLE) {
            c.bound.resize(std::max<std::size_t>(mdb->bind_size, MDB_BIND_SIZE));
            mdb_bind_column(table.get(), int(i) + 1, c.bound.data(), nullptr);
        }
        t.columns.push_back(std::move(c));
    }
    // An AutoNumber becomes the rowid, so new rows go on after the highest number.
    for (Column &c : t.columns)
        if (c.autoNumber && autoNumbers == 1)
            c.declared = QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
        else
            c.autoNumber = false;
    return {};
}

Result<> Converter::copyRows(sqlite3 *db, MdbTableDef *table, Table &t)
{
    QStringList defs;
    QStringList names;
    QStringList parameters;
    for (const Column &c : t.columns) {
        if (!c.unreadable.isEmpty())
            continue;
        defs << quoted(c.name) + u' ' + c.declared;
        names << quoted(c.name);
        parameters << QStringLiteral("?");
    }
    if (defs.isEmpty())
        return fail(QCoreApplication::translate("AccessImport", "Table %1 has no column that can be read.")
                        .arg(t.name));
    if (auto made = execSqlite(db, QStringLiteral("CREATE TABLE %1 (\n  %2\n)")
                                       .arg(quoted(t.name), defs.join(QStringLiteral(",\n  "))));
        !made)
        return fail(QCoreApplication::translate("AccessImport", "Table %1 cannot be created: %2")
                        .arg(t.name, made.error().message));
    const QByteArray insertSql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                     .arg(quoted(t.name), names.join(u','), parameters.join(u','))
                                     .toUtf8();
    int rc = SQLITE_OK;
    const SqliteStmt insert = prepareSqlite(db, insertSql.constData(), -1, &rc);
    if (!insert)
        return fail(QString::fromUtf8(sqlite3_errmsg(db)));

    std::vector<MdbField> fields;
    mdb_rewind_table(table);
    long long row = 0;
    while (mdb_fetch_row(table)) {
        ++row;
        if (!crackCurrentRow(table, fields))
            return fail(QCoreApplication::translate("AccessImport", "Table %1: row %2 cannot be read.")
                            .arg(t.name)
                            .arg(row));
        sqlite3_reset(insert.get());
        int parameter = 0;
        for (Column &c : t.columns) {
            if (!c.unreadable.isEmpty())
                continue;
            ++parameter;
            auto value = readValue(m_mdb.get(), c, fields[std::size_t(c.index)]);
            if (!value) {
                if (!m_options.skipUnreadable)
                    return fail(
                        QCoreApplication::translate("AccessImport", "Table %1, column %2, row %3: %4.")
                            .arg(t.name, c.name, QString::number(row), value.error().message));
                leaveOut(QCoreApplication::translate("AccessImport", "%1.%2, row %3 (%4)")
                             .arg(t.name, c.name, QString::number(row), value.error().message));
                value = Value{};
            }
            bind(insert.get(), parameter, *value);
        }
        if (sqlite3_step(insert.get()) != SQLITE_DONE)
            return fail(QCoreApplication::translate("AccessImport", "Table %1, row %2: %3")
                            .arg(t.name, QString::number(row), QString::fromUtf8(sqlite3_errmsg(db))));
        t.rowids.push_back(sqlite3_last_insert_rowid(db));
        ++m_done;
        if (auto ok = step(); !ok)
            return ok;
    }
    if (auto ok = step(true); !ok)
        return ok;
    if (t.rowids.size() != t.expectedRows) {
        const QString missing =
            QCoreApplication::translate("AccessImport",
                                        "Table %1: %2 of its %3 rows could be read; the file is damaged.")
                .arg(t.name, QString::number(t.rowids.size()), QString::number(t.expectedRows));
        if (!m_options.skipUnreadable)
            return fail(missing);
        leaveOut(missing);
        m_total -= 2 * (qint64(t.expectedRows) - qint64(t.rowids.size()));
    }
    return {};
}

Result<> Converter::createIndexes(sqlite3 *db, MdbTableDef *table, const Table &t)
{
    for (unsigned i = 0; i < table->num_idxs; ++i) {
        const auto *idx = static_cast<const MdbIndex *>(g_ptr_array_index(table->indices, i));
        if (idx->index_type == 2 || idx->num_keys == 0) // the other side of a relationship
            continue;
        QStringList keys;
        bool complete = true;
        for (unsigned k = 0; k < idx->num_keys && complete; ++k) {
            const int n = idx->key_col_num[k] - 1;
            if (n < 0 || n >= int(t.columns.size()) || !t.columns[std::size_t(n)].unreadable.isEmpty()) {
                complete = false;
                break;
            }
            const Column &c = t.columns[std::size_t(n)];
            if (idx->num_keys == 1 && c.autoNumber) // it is the rowid now
                complete = false;
            keys << quoted(c.name) + (idx->key_col_order[k] ? QStringLiteral(" DESC") : QString());
        }
        if (!complete)
            continue;
        // Access names indexes per table; SQLite per file.
        QString name = t.name + u'_' + QString::fromUtf8(idx->name);
        for (int n = 2; m_indexNames.contains(name.toCaseFolded()); ++n)
            name = t.name + u'_' + QString::fromUtf8(idx->name) + u'_' + QString::number(n);
        m_indexNames.insert(name.toCaseFolded());
        const bool unique = idx->flags & MDB_IDX_UNIQUE;
        const QString sql = QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                                .arg(unique ? QStringLiteral("UNIQUE ") : QString(), quoted(name),
                                     quoted(t.name), keys.join(u','));
        if (auto made = execSqlite(db, sql); !made)
            return fail(
                QCoreApplication::translate("AccessImport", "Table %1: its index %2 cannot be made: %3")
                    .arg(t.name, QString::fromUtf8(idx->name), made.error().message));
    }
    return {};
}

Result<> Converter::verify(sqlite3 *db, MdbTableDef *table, Table &t)
{
    QStringList names;
    std::vector<Column *> kept;
    for (Column &c : t.columns)
        if (c.unreadable.isEmpty()) {
            names << quoted(c.name);
            kept.push_back(&c);
        }
    const QByteArray sql =
        QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(names.join(u','), quoted(t.name)).toUtf8();
    int rc = SQLITE_OK;
    const SqliteStmt select = prepareSqlite(db, sql.constData(), -1, &rc);
    if (!select)
        return fail(QString::fromUtf8(sqlite3_errmsg(db)));
    const QByteArray countSql = "SELECT count(*) FROM " + quoted(t.name).toUtf8();
    const SqliteStmt count = prepareSqlite(db, countSql.constData(), -1, &rc);
    if (!count || sqlite3_step(count.get()) != SQLITE_ROW ||
        sqlite3_column_int64(count.get(), 0) != qint64(t.rowids.size()))
        return fail(QCoreApplication::translate("AccessImport",
                                                "Table %1: the converted table does not hold its %2 rows.")
                        .arg(t.name, QString::number(t.rowids.size())));

    std::vector<MdbField> fields;
    mdb_rewind_table(table);
    std::size_t row = 0;
    while (row < t.rowids.size() && mdb_fetch_row(table)) {
        if (!crackCurrentRow(table, fields))
            return fail(QCoreApplication::translate("AccessImport", "Table %1: row %2 cannot be read.")
                            .arg(t.name)
                            .arg(row + 1));
        sqlite3_reset(select.get());
        sqlite3_bind_int64(select.get(), 1, t.rowids[row]);
        if (sqlite3_step(select.get()) != SQLITE_ROW)
            return fail(QCoreApplication::translate("AccessImport",
                                                    "Table %1: row %2 is missing from the converted table.")
                            .arg(t.name)
                            .arg(row + 1));
        for (std::size_t k = 0; k < kept.size(); ++k) {
            auto value = readValue(m_mdb.get(), *kept[k], fields[std::size_t(kept[k]->index)]);
            if (!value)
                value = Value{}; // left out and listed while copying
            if (!sameAsStored(select.get(), int(k), *value))
                return fail(QCoreApplication::translate(
                                "AccessImport", "Table %1, column %2, row %3: the converted value is not %4.")
                                .arg(t.name, kept[k]->name, QString::number(row + 1), valueText(*value)));
        }
        ++row;
        ++m_done;
        if (auto ok = step(); !ok)
            return ok;
    }
    if (auto ok = step(true); !ok)
        return ok;
    if (row != t.rowids.size())
        return fail(
            QCoreApplication::translate(
                "AccessImport", "Table %1: the Access file gave %2 rows the second time it was read, not %3.")
                .arg(t.name, QString::number(row), QString::number(t.rowids.size())));
    return {};
}

Result<Summary> Converter::run(sqlite3 *db)
{
    const QByteArray file = QFile::encodeName(m_source);
    m_summary.source = QFileInfo(m_source).fileName();
    m_mdb.reset(mdb_open(file.constData(), MDB_NOFLAGS));
    if (!m_mdb)
        return fail(
            QCoreApplication::translate("AccessImport", "%1 cannot be read as a Microsoft Access database.")
                .arg(m_source));
    MdbHandle *mdb = m_mdb.get();
    if (mdb->f->db_passwd[0] != 0)
        return fail(QCoreApplication::translate(
                        "AccessImport", "%1 is protected by a password; remove it in Microsoft Access first.")
                        .arg(m_source));
    m_summary.format = formatName(mdb->f->jet_version);
    if (!mdb_read_catalog(mdb, MDB_TABLE))
        return fail(QCoreApplication::translate(
                        "AccessImport", "The list of tables of %1 cannot be read; the file is damaged.")
                        .arg(m_source));

    std::vector<MdbCatalogEntry *> entries;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
            entries.push_back(entry);
    }
    // Row counts first, for the progress display; each table is read twice.
    for (MdbCatalogEntry *entry : entries) {
        MdbTable table(mdb_read_table(entry));
        if (table)
            m_total += 2 * qint64(table->num_rows);
    }
    const int pauseMs = testPauseMs();
    if (auto ok = step(true); !ok)
        return tl::unexpected(ok.error());

    if (auto begun = execSqlite(db, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN"); !begun)
        return tl::unexpected(begun.error());
    std::vector<Table> tables;
    for (MdbCatalogEntry *entry : entries) {
        Table t;
        t.name = QString::fromUtf8(entry->object_name);
        auto table = openTable(entry);
        if (!table) {
            if (!m_options.skipUnreadable)
                return tl::unexpected(table.error());
            leaveOut(table.error().message);
            continue;
        }
        t.expectedRows = (*table)->num_rows;
        auto copied =
            prepareColumns(*table, t).and_then([&] { return copyRows(db, table->get(), t); }).and_then([&] {
                return createIndexes(db, table->get(), t);
            });
        if (!copied)
            return tl::unexpected(copied.error());
        m_summary.rows += qint64(t.rowids.size());
        ++m_summary.tables;
        if (t.name.compare(QStringLiteral("PARTS"), Qt::CaseInsensitive) == 0)
            m_summary.hasParts = true;
        tables.push_back(std::move(t));
        if (pauseMs > 0)
            QThread::msleep(ulong(pauseMs));
    }
    if (auto done = execSqlite(db, "COMMIT"); !done)
        return tl::unexpected(done.error());

    // Read back what was stored, table by table, against a second reading of the Access file.
    for (Table &t : tables) {
        const QByteArray name = t.name.toUtf8();
        MdbTable table(mdb_read_table_by_name(mdb, const_cast<gchar *>(name.constData()), MDB_TABLE));
        if (!table || !mdb_read_columns(table.get()))
            return fail(QCoreApplication::translate("AccessImport", "Table %1 cannot be read.").arg(t.name));
        for (Column &c : t.columns) {
            c.col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, guint(c.index)));
            if (c.col->col_type == MDB_OLE)
                mdb_bind_column(table.get(), c.index + 1, c.bound.data(), nullptr);
        }
        if (auto ok = verify(db, table.get(), t); !ok)
            return tl::unexpected(ok.error());
    }
    if (m_summary.hasParts) {
        // The catalogue's own search index, where PARTS has the columns it covers.
        const bool indexable =
            bool(prepareSqlite(db, "SELECT PartNumber, PartDescription FROM PARTS LIMIT 0"));
        if (auto built = indexable ? SearchIndex::build(db, {}) : Result<>(); !built)
            return fail(QCoreApplication::translate("AccessImport", "The search index cannot be made: %1")
                            .arg(built.error().message));
    }
    if (auto analysed = execSqlite(db, "ANALYZE"); !analysed)
        return tl::unexpected(analysed.error());
    return m_summary;
}

Result<NewFile> convertToFile(const QString &accessFile, const QString &target, const Options &options,
                              Summary *summary)
{
    if (!isAccessFile(accessFile))
        return fail(QCoreApplication::translate("AccessImport", "%1 is not a Microsoft Access database.")
                        .arg(accessFile));
    auto file = NewFile::create(QFileInfo(target).absolutePath());
    if (!file)
        return tl::unexpected(file.error());
    // Built in memory and written whole: SQLite opens files only by name, and a name would
    // outlive a killed conversion.
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2("file:orvana-conversion?vfs=memdb", &raw,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI, nullptr);
    const SqliteDb db(raw);
    if (rc != SQLITE_OK)
        return fail(QString::fromUtf8(sqlite3_errmsg(db.get())));
    Converter converter(accessFile, options);
    auto converted = converter.run(db.get());
    if (!converted)
        return tl::unexpected(converted.error());
    sqlite3_int64 size = 0;
    const unsigned char *image = sqlite3_serialize(db.get(), "main", &size, SQLITE_SERIALIZE_NOCOPY);
    if (!image)
        return fail(QCoreApplication::translate("AccessImport", "%1 cannot be written: %2")
                        .arg(target, QString::fromUtf8(sqlite3_errmsg(db.get()))));
    if (auto written = file->write(image, size, target); !written)
        return tl::unexpected(written.error());
    *summary = *converted;
    return file;
}

} // namespace

bool isAccessFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(20);
    return head.size() == 20 &&
           (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB");
}

QString describe(const Summary &summary)
{
    QLocale locale;
    if (locale.language() == QLocale::C) // the C locale writes no thousands separator
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    return QCoreApplication::translate("AccessImport", "%1 tables, %2 rows converted from %3 (%4)")
        .arg(locale.toString(summary.tables), locale.toString(summary.rows), summary.source, summary.format);
}

QString keptName(const QString &accessFile)
{
    return accessFile + QStringLiteral(".access");
}

Result<Summary> convert(const QString &accessFile, const QString &newFile, const Options &options)
{
    if (nameInUse(newFile))
        return fail(existsAlready(newFile));
    Summary summary;
    auto file = convertToFile(accessFile, newFile, options, &summary);
    if (!file)
        return tl::unexpected(file.error());
    if (auto placed = file->publish(newFile); !placed)
        return tl::unexpected(placed.error());
    return summary;
}

Result<Summary> convertInPlace(const QString &accessFile, const Options &options)
{
    const QString kept = keptName(accessFile);
    if (nameInUse(kept))
        return fail(existsAlready(kept));
    Summary summary;
    auto file = convertToFile(accessFile, accessFile, options, &summary);
    if (!file)
        return tl::unexpected(file.error());
    file->takeAccessOf(accessFile);

    // The Access file gets its second name first, so it has one at every moment; the
    // converted file then replaces the first in one step.
    const QByteArray original = QFile::encodeName(accessFile);
    const QByteArray keptBytes = QFile::encodeName(kept);
    if (::link(original.constData(), keptBytes.constData()) != 0)
        return fail(errno == EEXIST ? existsAlready(kept) : cannotWrite(kept));
    const QString staged = accessFile + QStringLiteral(".converted");
    const QByteArray stagedBytes = QFile::encodeName(staged);
    ::unlink(stagedBytes.constData()); // left by a conversion killed at this very step
    auto undo = [&](const QString &reason) {
        ::unlink(stagedBytes.constData());
        ::unlink(keptBytes.constData());
        return fail(reason);
    };
    if (auto placed = file->publish(staged); !placed)
        return undo(placed.error().message);
    if (::rename(stagedBytes.constData(), original.constData()) != 0)
        return undo(cannotWrite(accessFile));
    NewFile::syncFolder(accessFile);
    return summary;
}

} // namespace AccessImport
