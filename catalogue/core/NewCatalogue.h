// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/Result.h"

#include <QByteArray>
#include <QString>

#include <functional>

// A new catalogue database (a file, or on a database server): the standard PARTS table with typed extra
// columns of every kind the typed update knows and, in a file, the search index, optionally
// filled with generated parts.
namespace NewCatalogue {

// The PARTS table and its indexes, as created in a new catalogue.
QString schema();

// Creates `path` (which must not exist) with `sampleParts` generated parts, about 30% of
// them associated with another part. Fails with the reason when it cannot; a file that
// was begun is removed again.
Result<> create(const QString &path, int sampleParts);

// Creates PARTS, its indexes and `sampleParts` parts in the database that an ODBC connection
// string ("DSN=...") names, on a PostgreSQL server, all in one transaction. Refuses when
// PARTS exists there already, or when the server is another kind.
Result<> createOnServer(const QString &connectionString, int sampleParts);

// One generated part; a null text is a null column.
struct SamplePart {
    QByteArray asscWith, partNumber, description, bin, lastOrdered, notes;
    int qty = 0;
    double price = 0;
};

// Generates `count` parts, the same ones every time, handing each to `take` until it
// returns false. Returns whether every part was taken.
bool sampleParts(int count, const std::function<bool(const SamplePart &)> &take);

} // namespace NewCatalogue
