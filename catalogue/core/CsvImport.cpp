// SPDX-License-Identifier: MIT
#include "CsvImport.h"
#include "Utf8Text.h"

#include "DbConnection.h"
#include "DbError.h"
#include "DbTypes.h"
#include "OdbcConnection.h"
#include "PartHistory.h"
#include "ValueRules.h"
#include "common/core/AppInfo.h"
#include "common/core/PosixHandles.h"
#include "common/core/UiServices.h"
#include "modDB.h"
#include "modGlobal.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QThread>

#include <array>
#include <cerrno>
#include <cstring>
#include <csv.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace CsvImport {

namespace {

QString number(long long n)
{
    // The counts are an English sentence; their numbers are grouped as English groups them.
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

// The raw cells as libcsv hands them over, decoded only once the whole file is known.
struct RawTable {
    std::string text;
    std::vector<std::size_t> ends;    // per cell, in `text`
    std::vector<std::size_t> rowEnds; // per row, its end in `ends`
    std::size_t rowBytes = 0;         // of the row being read
    int rowCells = 0;
    QString refusal;
    const Limits *limits = nullptr;
};

void onField(void *s, std::size_t len, void *data)
{
    auto *t = static_cast<RawTable *>(data);
    if (!t->refusal.isEmpty())
        return;
    if (++t->rowCells > t->limits->columns) {
        t->refusal =
            QCoreApplication::translate(
                "CsvImport", "The file has more than %1 columns in row %2: it is not a list of parts.")
                .arg(t->limits->columns)
                .arg(t->rowEnds.size() + 1);
        return;
    }
    // A field that ends within the chunk that passed the limit was not seen in libcsv's buffer.
    if (len > t->limits->fieldBytes) {
        t->refusal = QCoreApplication::translate(
                         "CsvImport", "Row %1 has a value longer than %2 bytes: the file is refused.")
                         .arg(QString::number(t->rowEnds.size() + 1), number(qint64(t->limits->fieldBytes)));
        return;
    }
    if (t->text.size() + len > t->limits->fileBytes) {
        t->refusal =
            QCoreApplication::translate("CsvImport", "The file holds more than %1 bytes of values: it is "
                                                     "refused. Import it in parts.")
                .arg(number(qint64(t->limits->fileBytes)));
        return;
    }
    t->rowBytes += len;
    t->text.append(static_cast<const char *>(s), len);
    t->ends.push_back(t->text.size());
}

void onRow(int, void *data)
{
    auto *t = static_cast<RawTable *>(data);
    if (!t->refusal.isEmpty())
        return;
    t->rowEnds.push_back(t->ends.size());
    t->rowBytes = 0;
    t->rowCells = 0;
}

// Spaces are kept: the typed edit's trim decides about them, as for a typed value.
int noSpace(unsigned char)
{
    return 0;
}

// The separator the header line has most of outside quotes; a comma when it has none.
char separatorOf(std::string_view head)
{
    std::array<int, 3> counts{};
    bool quoted = false;
    for (const char c : head) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted && c == ',')
            ++counts[0];
        else if (!quoted && c == ';')
            ++counts[1];
        else if (!quoted && c == '\t')
            ++counts[2];
    }
    if (counts[1] > counts[0] && counts[1] >= counts[2])
        return ';';
    if (counts[2] > counts[0] && counts[2] > counts[1])
        return '\t';
    return ',';
}

// Each value on its own: a sequence that a separator or line end splits is no character.
bool everyValueUtf8(const RawTable &raw)
{
    std::size_t from = 0;
    for (const std::size_t end : raw.ends) {
        if (!validUtf8(std::string_view(raw.text).substr(from, end - from)))
            return false;
        from = end;
    }
    return true;
}

struct FileStamp {
    off_t size = 0;
    timespec mtime{};
    ino_t inode = 0;
    bool operator==(const FileStamp &o) const
    {
        return size == o.size && mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec &&
               inode == o.inode;
    }
};

FileStamp stampOf(const struct stat &st)
{
    return {st.st_size, st.st_mtim, st.st_ino};
}

} // namespace

QString fromWindows1252(std::string_view bytes)
{
    // 0x80 to 0x9F; the rest is Latin-1.
    static constexpr std::array<char16_t, 32> kHigh{
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString out(qsizetype(bytes.size()), Qt::Uninitialized);
    QChar *p = out.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *p++ = (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(char16_t(b));
    }
    return out;
}

Result<Table> read(const QString &path, const Limits &limits)
{
    const UniqueFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
    struct stat before {};
    if (!fd || ::fstat(fd.get(), &before) != 0)
        return fail(QCoreApplication::translate("CsvImport", "%1 cannot be read: %2")
                        .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    if (!S_ISREG(before.st_mode))
        return fail(QCoreApplication::translate("CsvImport", "%1 is not a file.").arg(path));
    const auto progress = ui().progress(ProgressRequest{
        AppInfo::catalogueTitle(), QCoreApplication::translate("CsvImport", "Reading %1 ...").arg(path),
        QCoreApplication::translate("CsvImport", "Stop"), 700});

    csv_parser parser{};
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0)
        return fail(QCoreApplication::translate("CsvImport", "%1 cannot be read: out of memory").arg(path));
    const std::unique_ptr<csv_parser, void (*)(csv_parser *)> parserOwner(&parser, csv_free);
    csv_set_space_func(&parser, noSpace);
    // A value grows the parser's buffer by this much at a time (by default 128 bytes, so a
    // long value was copied over and over).
    csv_set_blk_size(&parser, 1 << 16);
    RawTable raw;
    raw.limits = &limits;

    constexpr std::size_t kChunk = 1 << 16;
    std::vector<char> chunk(kChunk);
    long long done = 0;
    bool first = true;
    bool utf8Bom = false;
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk.data(), kChunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(QCoreApplication::translate("CsvImport", "%1 cannot be read: %2")
                            .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
        if (n == 0)
            break;
        std::string_view bytes(chunk.data(), std::size_t(n));
        if (bytes.find('\0') != std::string_view::npos)
            return fail(QCoreApplication::translate(
                            "CsvImport",
                            "%1 holds NUL bytes: it is not a text file a spreadsheet program wrote (a "
                            "file saved as UTF-16 is one; save it as CSV in UTF-8).")
                            .arg(path));
        if (first) {
            first = false;
            if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
                utf8Bom = true;
                bytes.remove_prefix(3);
            }
            csv_set_delim(&parser, static_cast<unsigned char>(separatorOf(bytes)));
        }
        if (csv_parse(&parser, bytes.data(), bytes.size(), onField, onRow, &raw) != bytes.size())
            return fail(QCoreApplication::translate("CsvImport", "%1 cannot be read as CSV after row %2: %3")
                            .arg(path, QString::number(raw.rowEnds.size() + 1),
                                 QString::fromLatin1(csv_strerror(csv_error(&parser)))));
        if (!raw.refusal.isEmpty())
            return fail(raw.refusal);
        // libcsv keeps the field being read in its own buffer until its end.
        if (parser.entry_pos > limits.fieldBytes)
            return fail(QCoreApplication::translate(
                            "CsvImport", "Row %1 has a value longer than %2 bytes: the file is refused.")
                            .arg(QString::number(raw.rowEnds.size() + 1), number(qint64(limits.fieldBytes))));
        if (raw.rowBytes + parser.entry_pos > limits.lineBytes)
            return fail(QCoreApplication::translate("CsvImport",
                                                    "Row %1 is longer than %2 bytes: the file is refused.")
                            .arg(QString::number(raw.rowEnds.size() + 1), number(qint64(limits.lineBytes))));
        done += n;
        if (!progress->update(done, before.st_size))
            return fail(
                QCoreApplication::translate("CsvImport", "The import was stopped: nothing was written."),
                kStopped);
    }
    if (csv_fini(&parser, onField, onRow, &raw) != 0)
        return fail(QCoreApplication::translate("CsvImport",
                                                "%1 ends inside a quoted value: the file is not complete.")
                        .arg(path));
    if (!raw.refusal.isEmpty())
        return fail(raw.refusal);

    struct stat after {};
    struct stat named {};
    if (::fstat(fd.get(), &after) != 0 || ::stat(QFile::encodeName(path).constData(), &named) != 0 ||
        !(stampOf(before) == stampOf(after)) || !(stampOf(before) == stampOf(named)))
        return fail(QCoreApplication::translate(
                        "CsvImport",
                        "%1 changed while it was read: nothing was imported. Import it again once "
                        "the program writing it has finished.")
                        .arg(path));
    if (raw.rowEnds.empty())
        return fail(QCoreApplication::translate("CsvImport", "%1 is empty: it has no header row.").arg(path));

    Table table;
    table.separator = char(csv_get_delim(&parser));
    const bool valuesUtf8 = everyValueUtf8(raw);
    const bool utf8 = utf8Bom || valuesUtf8;
    if (utf8Bom && !valuesUtf8)
        return fail(
            QCoreApplication::translate("CsvImport", "%1 begins as UTF-8 but holds bytes that are not UTF-8.")
                .arg(path));
    table.encoding = utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Windows-1252");
    std::size_t cell = 0;
    for (std::size_t r = 0; r < raw.rowEnds.size(); ++r) {
        QStringList values;
        values.reserve(qsizetype(raw.rowEnds[r] - cell));
        for (; cell < raw.rowEnds[r]; ++cell) {
            const std::size_t from = cell == 0 ? 0 : raw.ends[cell - 1];
            const std::string_view v(raw.text.data() + from, raw.ends[cell] - from);
            values << (utf8 ? storedText(v) : fromWindows1252(v));
        }
        if (r == 0)
            table.headings = std::move(values);
        else
            table.rows.push_back(std::move(values));
    }
    return table;
}

QString Plan::counts() const
{
    QStringList parts;
    parts << (creates == 1 ? QCoreApplication::translate("CsvImport", "1 new part")
                           : QCoreApplication::translate("CsvImport", "%1 new parts").arg(number(creates)));
    parts << (updates == 1 ? QCoreApplication::translate("CsvImport", "1 update")
                           : QCoreApplication::translate("CsvImport", "%1 updates").arg(number(updates)));
    parts << (refused == 1
                  ? QCoreApplication::translate("CsvImport", "1 row refused")
                  : QCoreApplication::translate("CsvImport", "%1 rows refused").arg(number(refused)));
    if (skips > 0)
        parts << (skips == 1 ? QCoreApplication::translate("CsvImport", "1 existing part skipped")
                             : QCoreApplication::translate("CsvImport", "%1 existing parts skipped")
                                   .arg(number(skips)));
    return parts.join(QStringLiteral(", "));
}

QStringList Plan::refusalLines() const
{
    QStringList lines;
    for (const Refusal &r : refusals) {
        if (r.column.isEmpty())
            lines << QCoreApplication::translate("CsvImport", "Row %1: %2")
                         .arg(QString::number(r.row), r.reason);
        else
            lines << QCoreApplication::translate("CsvImport", "Row %1, %2: %3 (%4)")
                         .arg(QString::number(r.row), r.column, r.reason, r.value);
    }
    return lines;
}

namespace {

// The catalogue's columns, as an edit of a part types them.
struct Column {
    FieldStructure field;
    int csvIndex = -1;
};

// SQLite compares part numbers without regard to ASCII letter case (COLLATE NOCASE); a
// server as declared.
QString partKey(const QString &number, bool exact)
{
    if (exact)
        return number;
    QString key = number;
    for (QChar &c : key)
        if (c.unicode() < 128)
            c = c.toLower();
    return key;
}

// Numbers in the C locale's form while it lives. A file separated by commas (or tabs) writes
// its numbers with a full stop, as this program's export does; read in a locale whose group
// separator is a full stop, "0.125" would be 125.
class FullStopNumbers {
public:
    explicit FullStopNumbers(bool on) : m_on(on && QLocale().decimalPoint() != QStringLiteral("."))
    {
        if (m_on) {
            m_saved = QLocale();
            QLocale::setDefault(QLocale::c());
        }
    }
    ~FullStopNumbers()
    {
        if (m_on)
            QLocale::setDefault(m_saved);
    }
    FullStopNumbers(const FullStopNumbers &) = delete;
    FullStopNumbers &operator=(const FullStopNumbers &) = delete;

private:
    bool m_on;
    QLocale m_saved;
};

bool isNumber(const FieldStructure &column)
{
    return column.typeCode == DbTypes::Long || column.typeCode == DbTypes::Currency;
}

} // namespace

Result<Plan> plan(const QString &path, const Options &options, const Limits &limits)
{
    auto table = read(path, limits);
    if (!table)
        return tl::unexpected(table.error());
    Plan plan;
    StructureArray structure;
    QHash<QString, QList<std::int64_t>> existing;
    bool exact = false;
    try {
        auto connection = DbConnection::open(g_DbConnect);
        exact = dynamic_cast<OdbcConnection *>(connection.get()) != nullptr;
        {
            auto rs = connection->openRecordset(QStringLiteral("Select * from PARTS where 1 = 0"));
            for (int f = 0; f < rs->fieldCount(); ++f)
                structure.append(rs->fieldName(f), QString::number(rs->typeCode(f)),
                                 QString::number(rs->definedSize(f)));
        }
        auto rs = connection->openRecordset(QStringLiteral("Select PartID, PartNumber from PARTS"));
        DataArray rows;
        rs->getRows(rows);
        for (int r = 0; r < rows.rowCount(); ++r)
            if (!rows.isNull(1, r))
                existing[partKey(ValueRules::trimSpaces(rows.text(1, r)), exact)]
                    << rows.text(0, r).toLongLong();
    } catch (const DbError &e) {
        return fail(
            QCoreApplication::translate("CsvImport", "The catalogue cannot be read: %1").arg(e.description));
    }

    // Headings to columns; the list's own heading of AsscWith is taken too, so an exported
    // list comes back in.
    std::vector<Column> columns;
    for (qsizetype h = 0; h < table->headings.size(); ++h) {
        QString heading = ValueRules::trimSpaces(table->headings.at(h));
        // A file that begins with the mark twice (two files joined, say) still names its column.
        while (heading.startsWith(QChar(0xFEFF)))
            heading.remove(0, 1);
        if (heading.compare(QStringLiteral("PartLink"), Qt::CaseInsensitive) == 0)
            heading = QStringLiteral("AsscWith");
        int found = -1;
        for (int f = 0; f < structure.fieldCount() && found < 0; ++f)
            if (structure.at(0, f).compare(heading, Qt::CaseInsensitive) == 0)
                found = f;
        const bool key = heading.compare(QStringLiteral("PartID"), Qt::CaseInsensitive) == 0;
        const bool taken = std::any_of(columns.begin(), columns.end(), [&](const Column &c) {
            return c.field.name.compare(heading, Qt::CaseInsensitive) == 0;
        });
        if (found < 0 || key || taken) {
            // A spreadsheet's empty columns at the end have no name to report.
            if (!heading.isEmpty())
                plan.ignored << table->headings.at(h);
            continue;
        }
        Column c;
        c.field = FieldStructure{structure.at(0, found), structure.at(1, found).toInt(),
                                 structure.at(2, found).toLongLong()};
        c.csvIndex = int(h);
        if (c.field.name.compare(QStringLiteral("PartNumber"), Qt::CaseInsensitive) == 0)
            columns.insert(columns.begin(), c);
        else
            columns.push_back(c);
    }
    if (columns.empty() ||
        columns.front().field.name.compare(QStringLiteral("PartNumber"), Qt::CaseInsensitive) != 0)
        return fail(QCoreApplication::translate(
                        "CsvImport",
                        "%1 has no PartNumber column: the parts cannot be told apart. Its first row "
                        "must name the columns.")
                        .arg(path));
    for (const Column &c : columns)
        plan.columns << c.field.name;

    QHash<QString, int> seen; // part number to the row that has it first
    plan.rows.reserve(table->rows.size());
    for (std::size_t r = 0; r < table->rows.size(); ++r) {
        const QStringList &cells = table->rows[r];
        PlannedRow row;
        row.row = int(r) + 2;
        bool refused = false;
        const auto refuse = [&](const QString &column, const QString &value, const QString &reason) {
            plan.refusals << Refusal{row.row, column, value, reason};
            refused = true;
        };
        for (const Column &c : columns) {
            const QString cell = cells.value(c.csvIndex);
            if (ValueRules::trimSpaces(cell).isEmpty()) {
                row.values << QString();
                row.literals << QStringLiteral("NULL");
                continue;
            }
            const auto checked = [&] {
                const FullStopNumbers form(isNumber(c.field) && table->separator != ';');
                return FieldCheck::check(c.field, cell);
            }();
            if (!checked) {
                refuse(c.field.name, cell, checked.error().reason);
                row.values << cell;
                row.literals << QString();
                continue;
            }
            row.values << checked->value;
            row.literals << checked->literal;
        }
        row.partNumber = row.values.front();
        if (cells.size() > table->headings.size())
            refuse({}, {},
                   QCoreApplication::translate("CsvImport",
                                               "The row has more values than the header has names."));
        if (row.partNumber.isEmpty() && !refused)
            refuse(columns.front().field.name, {},
                   QCoreApplication::translate("CsvImport", "The row has no part number."));
        if (!refused && !row.partNumber.isEmpty()) {
            const QString key = partKey(row.partNumber, exact);
            if (const auto again = seen.constFind(key); again != seen.constEnd())
                refuse(columns.front().field.name, row.partNumber,
                       QCoreApplication::translate("CsvImport", "The part number is in row %1 already.")
                           .arg(*again));
            else
                seen.insert(key, row.row);
            if (const auto it = existing.constFind(key); !refused && it != existing.constEnd()) {
                if (it->size() > 1)
                    refuse(columns.front().field.name, row.partNumber,
                           QCoreApplication::translate("CsvImport",
                                                       "%1 parts in the catalogue have this part number.")
                               .arg(it->size()));
                else
                    row.partId = it->front();
            }
        }
        if (refused) {
            row.verdict = PlannedRow::Verdict::Refuse;
            ++plan.refused;
        } else if (row.partId != 0) {
            row.verdict = options.updateExisting ? PlannedRow::Verdict::Update : PlannedRow::Verdict::Skip;
            ++(options.updateExisting ? plan.updates : plan.skips);
        } else {
            ++plan.creates;
        }
        plan.rows.push_back(std::move(row));
    }
    plan.table = std::move(*table);
    return plan;
}

Result<Applied> apply(const Plan &plan)
{
    Applied applied;
    applied.step.kind = PartUndo::Step::Kind::Import;
    bool stopped = false;
    const long long total = plan.creates + plan.updates;
    const auto progress = ui().progress(
        ProgressRequest{AppInfo::catalogueTitle(),
                        QCoreApplication::translate("CsvImport", "Importing %1 parts ...").arg(number(total)),
                        QCoreApplication::translate("CsvImport", "Stop"), 700});
    // The stop is thrown so that the transaction keeps nothing; it is told as a stop, not a
    // failure.
    struct Stop {};
    QString failure;
    // Made in a transaction of its own: one the import rolls back would take it along.
    if (const auto history = PartHistory::ensure(); !history)
        return fail(QCoreApplication::translate("CsvImport", "The import failed and wrote nothing: %1")
                        .arg(history.error().message));
    try {
        auto connection = DbConnection::open(g_DbConnect);
        // A large import's pages stay in memory until the commit, instead of being written out
        // to make room and read back for the next row's index entries.
        if (!dynamic_cast<OdbcConnection *>(connection.get()))
            connection->execute(QStringLiteral("PRAGMA cache_size = -262144"));
        connection->begin();
        try {
            PartHistory::Writer writer(*connection, QStringLiteral("import"));
            writer.setBatched(true);
            // Another user may have added one of the new parts since the file was checked.
            if (plan.creates > 0) {
                const bool exact = dynamic_cast<OdbcConnection *>(connection.get()) != nullptr;
                QSet<QString> numbers;
                DataArray stored;
                connection
                    ->openRecordset(
                        QStringLiteral("Select PartNumber from PARTS where PartNumber is not null"))
                    ->getRows(stored);
                for (int r = 0; r < stored.rowCount(); ++r)
                    numbers.insert(partKey(ValueRules::trimSpaces(stored.text(0, r)), exact));
                for (const PlannedRow &row : plan.rows)
                    if (row.verdict == PlannedRow::Verdict::Create &&
                        numbers.contains(partKey(row.partNumber, exact)))
                        throw DbError{QCoreApplication::translate(
                                          "CsvImport",
                                          "Part %1 was added to the catalogue since the file was "
                                          "checked. Import the file again to check it anew.")
                                          .arg(row.partNumber),
                                      0, QStringLiteral("Orvana")};
            }
            long long done = 0;
            QList<QStringList> batch;
            qsizetype batchBytes = 0;
            // For the test that kills an import half-way.
            const unsigned long pauseMs = qEnvironmentVariableIntValue("VANTELO_TEST_IMPORT_PAUSE_MS");
            const auto insertBatch = [&] {
                if (batch.isEmpty())
                    return;
                applied.step.rows << writer.insertParts(plan.columns, batch);
                applied.created += int(batch.size());
                batch.clear();
                batchBytes = 0;
                if (pauseMs > 0)
                    QThread::msleep(pauseMs);
            };
            for (const PlannedRow &row : plan.rows) {
                if (row.verdict == PlannedRow::Verdict::Create) {
                    batch << row.literals;
                    for (const QString &l : row.literals)
                        batchBytes += l.size();
                    // A statement of a few hundred parts, or of a megabyte of memos.
                    if (batch.size() >= 200 || batchBytes > (1 << 20))
                        insertBatch();
                } else if (row.verdict == PlannedRow::Verdict::Update) {
                    const auto stored = writer.readPart(row.partId);
                    if (!stored)
                        throw DbError{QCoreApplication::translate(
                                          "CsvImport", "Part %1 was deleted while the file was read.")
                                          .arg(row.partNumber),
                                      0, QStringLiteral("Orvana")};
                    for (qsizetype c = 1; c < plan.columns.size(); ++c) {
                        const PartHistory::Value now = stored->value(plan.columns.at(c));
                        const PartHistory::Value to = row.literals.at(c) == QStringLiteral("NULL")
                                                          ? PartHistory::Value()
                                                          : PartHistory::Value(row.values.at(c));
                        if (now == to)
                            continue;
                        const auto edit =
                            writer.writeField(row.partId, plan.columns.at(c), row.literals.at(c), now);
                        if (!edit.written || edit.before == edit.after)
                            continue;
                        PartUndo::Step e;
                        e.kind = PartUndo::Step::Kind::Edit;
                        e.partId = row.partId;
                        e.partNumber = row.partNumber;
                        e.field = plan.columns.at(c);
                        e.before = edit.before;
                        e.after = edit.after;
                        applied.step.edits.push_back(std::move(e));
                    }
                    ++applied.updated;
                } else {
                    continue;
                }
                if ((++done & 255) == 0 && !progress->update(done, total))
                    throw Stop{};
            }
            insertBatch();
            writer.flush();
            if (!progress->update(done, total))
                throw Stop{};
            connection->commit();
        } catch (...) {
            connection->rollback();
            throw;
        }
    } catch (const Stop &) {
        stopped = true;
    } catch (const DbError &e) {
        failure = e.description;
    }
    if (stopped)
        return fail(QCoreApplication::translate("CsvImport", "The import was stopped: nothing was written."),
                    kStopped);
    if (!failure.isEmpty())
        return fail(
            QCoreApplication::translate("CsvImport", "The import failed and wrote nothing: %1").arg(failure));
    applied.step.partNumber = QString::number(applied.created + applied.updated);
    return applied;
}

} // namespace CsvImport
