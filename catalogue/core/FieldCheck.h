// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <tl/expected.hpp>

#include <optional>

class StructureArray;

// One column as a structure array describes it.
struct FieldStructure {
    QString name;
    int typeCode = 0;
    long long definedSize = 0;
};

// Why an edit is not written, as the box that says so shows it (exclamation icon, OK).
struct Refusal {
    QString reason; // the box's first line
    QString title;
    QString text; // the whole box: the reason, and for a value that does not fit, what was refused
};

// What an accepted edit stores: the value in the form the database is given, and as the
// SQL literal that the UPDATE statement carries.
struct FieldValue {
    QString value;   // "12", "1234.5678", "2024-03-05", the trimmed text
    QString literal; // "12", "'2024-03-05'", "'O''Neil'"
};

// The typed edit's checks, without a database or a box: the record view's edit asks them
// before it writes, and New asks them of a new part's number.
namespace FieldCheck {

// The field's entry in a record's structure: the first whose name matches in any letter
// case. Refused when the structure is no array (the box quotes the typed text) or has no
// such field. A type or size that is not a whole number throws DbError "Type mismatch".
tl::expected<FieldStructure, Refusal> find(const StructureArray &structure, const QString &field,
                                           const QString &typed);

// The typed text, trimmed, as the column takes it: a long integer (rounded to even, within
// its range), a currency amount (within its exact limits), a date, a text no longer than
// the column's size, a memo. Any other kind is not recognised.
tl::expected<FieldValue, Refusal> check(const FieldStructure &column, const QString &typed);

// Refuses a value that no column can hold as typed; `value` as it would be written.
std::optional<Refusal> storable(const FieldStructure &column, const QString &value);

} // namespace FieldCheck
