#pragma once

#include <QString>

#include <cstdint>

namespace modDB {

// Writes one edited value into one column of one part, typed by g_Structure (which the
// record view's "Select * from parts where PartID = n" left behind). A value that does not
// fit the column is refused with a message and nothing is written; the caller learns
// nothing back.
void UpdateField(std::int32_t partId, const QString &field, const QString &value);

} // namespace modDB
