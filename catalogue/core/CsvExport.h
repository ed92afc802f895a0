// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/Result.h"

#include <QString>
#include <QStringList>

#include <string>
#include <string_view>
#include <vector>

class DataArray;

// Parts out as a spreadsheet reads them: RFC 4180 quoting, a header row of the field names,
// UTF-8 with a byte-order mark (so spreadsheet programs read the accents), CR LF line ends,
// values as the database gives them (numbers with a full stop, dates in ISO 8601). The file
// is written under a temporary name in the target's folder and renamed at the end, so a
// stopped or failed export leaves no file and never half of one over an earlier file.
namespace CsvExport {

// Error code of an export the user stopped.
constexpr int kStopped = 1;

// Appends one field, quoted where RFC 4180 needs it (and where a separator ; or tab, or a
// space at either end, is in it).
void appendField(std::string &out, std::string_view utf8);

// Writes `names` and the rows of `data` given by `rows` (indexes, in that order; all rows
// in order when empty) to `path`, with the seam's progress display. The rows written.
Result<long long> writeRows(const QString &path, const QStringList &names, const DataArray &data,
                            const std::vector<int> &rows = {});

// Writes the result of `sql` on g_DbConnect, read in blocks (a million parts never sit in
// memory at once); `countSql`, when given, counts them for the progress display. The rows
// written; a failure of the database is its reason.
Result<long long> writeQuery(const QString &path, const QString &sql, const QString &countSql = {});

// Every part, as Show All Records lists them with the display field list.
Result<long long> writeAllParts(const QString &path, const QString &displayFieldList);

} // namespace CsvExport
