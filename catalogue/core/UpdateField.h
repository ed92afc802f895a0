// SPDX-License-Identifier: MIT
#pragma once

#include "PartHistory.h"

#include <QString>

#include <cstdint>
#include <optional>

class StructureArray;

namespace modDB {

// Writes one edited value into one column of one part, typed by the structure of the
// record it was shown in (FieldCheck). A value that does not fit the column is refused with
// a message and nothing is written. True when the statement ran; false after a refusal or a
// failure (both already shown).
bool UpdateField(std::int32_t partId, const QString &field, const StructureArray &structure,
                 const QString &value);

// The same, giving the change as written (the field's value before and after, as stored),
// nullopt when nothing was written.
std::optional<PartHistory::Writer::Edit> EditField(std::int32_t partId, const QString &field,
                                                   const StructureArray &structure, const QString &value);

// The same, typed by g_Structure: right only while the last query that returned a row was
// the record view's "Select * from parts where PartID = n".
bool UpdateField(std::int32_t partId, const QString &field, const QString &value);

// The field's value as the record view shows it, read again from the database; nullopt
// when it cannot be read. Reports nothing: it follows an update whose failure was shown.
std::optional<QString> StoredValue(std::int32_t partId, const QString &field);

// Whether a value for a new row fits the column as an edit of it would: a text no longer
// than the column's declared size, and characters that can be stored. Refuses what does
// not fit with the message an edit gets; false also after a reported failure.
bool ValueFits(const QString &table, const QString &field, const QString &value);

} // namespace modDB
