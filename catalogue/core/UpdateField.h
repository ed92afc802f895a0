// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>

namespace modDB {

// Writes one edited value into one column of one part, typed by g_Structure (which the
// record view's "Select * from parts where PartID = n" left behind). A value that does not
// fit the column is refused with a message and nothing is written; the caller learns
// nothing back.
void UpdateField(std::int32_t partId, const QString &field, const QString &value);

// Whether a value for a new row fits the column as an edit of it would: a text no longer
// than the column's declared size, and characters that can be stored. Refuses what does
// not fit with the message an edit gets; false also after a reported failure.
bool ValueFits(const QString &table, const QString &field, const QString &value);

} // namespace modDB
