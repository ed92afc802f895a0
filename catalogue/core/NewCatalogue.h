#pragma once

#include <QString>

// A new catalogue database: the standard PARTS table with typed extra columns of every kind
// the typed update knows and the search index, optionally filled with generated parts.
namespace NewCatalogue {

// The PARTS table and its indexes, as created in a new catalogue.
QString schema();

// Creates `path` (which must not exist) with `sampleParts` generated parts, about 30% of
// them associated with another part. Returns false with the reason when it cannot; a file
// that was begun is removed again.
bool create(const QString &path, int sampleParts, QString *error);

} // namespace NewCatalogue
