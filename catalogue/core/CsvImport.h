// SPDX-License-Identifier: MIT
#pragma once

#include "FieldCheck.h"
#include "PartUndo.h"
#include "common/core/Result.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// Parts in from a spreadsheet's CSV file: read and checked whole before anything is written
// (plan), then written in one transaction (apply). Every value passes the typed edit's
// checks (FieldCheck), so an import stores only what typing it would have stored.
namespace CsvImport {

// Error code of an import the user stopped.
constexpr int kStopped = 1;

// What a hostile or broken file may cost before it is refused.
struct Limits {
    std::size_t fieldBytes = 1 << 20; // a memo of a megabyte
    std::size_t lineBytes = 4 << 20;  // one row, quoted line breaks included
    int columns = 1000;
    std::size_t fileBytes = std::size_t(1) << 30; // of values, all held until the import is written
};

// The file as read: the header's names and the rows' values, decoded.
struct Table {
    QStringList headings;
    std::vector<QStringList> rows;
    char separator = ',';
    QString encoding; // "UTF-8" or "Windows-1252"
};

// Reads the file: separator , ; or tab (whichever the header line has most of, outside
// quotes), UTF-8 with or without a byte-order mark, otherwise Windows-1252. Refuses, with a
// reason for the user, a file with NUL bytes, a field, row or header past the limits, broken
// quoting, or one that changed while it was read.
Result<Table> read(const QString &path, const Limits &limits = {});

// Windows-1252 text as Unicode (the five bytes it leaves undefined as the C1 controls, as
// web browsers read them).
QString fromWindows1252(std::string_view bytes);

struct Options {
    bool updateExisting = false; // otherwise a row of an existing part number is skipped
};

// One refused value: the spreadsheet's row (the header is row 1), the column and the reason.
struct Refusal {
    int row = 0;
    QString column;
    QString value;
    QString reason;
};

struct PlannedRow {
    enum class Verdict { Create, Update, Skip, Refuse };
    Verdict verdict = Verdict::Create;
    int row = 0;             // the spreadsheet's row
    std::int64_t partId = 0; // Update, Skip: the existing part
    QString partNumber;
    QStringList values;   // per planned column, as it will be stored ("" for null)
    QStringList literals; // the same as SQL literals
};

struct Plan {
    QStringList columns; // the PARTS columns the file fills, PartNumber first
    QStringList ignored; // headings that name no column that can be imported
    std::vector<PlannedRow> rows;
    QList<Refusal> refusals;
    int creates = 0;
    int updates = 0;
    int skips = 0;
    int refused = 0;
    Table table;

    // "1,204 new parts, 37 updates, 3 rows refused" (and the parts skipped, when any).
    QString counts() const;
    // "Row 7, Qty: The entered value is not numeric. (12x)": one line per refused value.
    QStringList refusalLines() const;
};

// Reads the file and checks every row against the catalogue g_DbConnect names; writes
// nothing. Fails when the file cannot be used at all (no PartNumber column, unreadable,
// hostile) or the catalogue cannot be read.
Result<Plan> plan(const QString &path, const Options &options, const Limits &limits = {});

struct Applied {
    int created = 0;
    int updated = 0;
    PartUndo::Step step; // the whole import, for the undo list
};

// Writes the planned creates and updates (refused and skipped rows are left out) in one
// transaction on g_DbConnect, with their history, under the seam's progress display. A stop
// (kStopped) or a failure keeps nothing of it.
Result<Applied> apply(const Plan &plan);

} // namespace CsvImport
