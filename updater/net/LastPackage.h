// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/Result.h"

#include <QString>

#include <optional>

// A package on the update server as SIZE and MDTM describe it. -1 where not known.
struct PackageFacts {
    qint64 size = -1;
    qint64 time = -1; // seconds since 1970 (UTC), as MDTM gives it

    // Known alike: the same package, so nothing new to fetch. Anything not known counts as
    // changed, so a doubt leads to an update rather than to a missed one.
    bool sameAs(const PackageFacts &other) const
    {
        return size >= 0 && time >= 0 && size == other.size && time == other.time;
    }
};

// The facts of the last package applied to a program folder, kept in that folder's
// ".vantelo-last-package" (a line "name<TAB>size<TAB>time" per package): the updater writes
// there already, and the facts go with the folder they describe.
namespace LastPackage {

QString filePath(const QString &folder);
std::optional<PackageFacts> read(const QString &folder, const QString &packageFile);
Result<> record(const QString &folder, const QString &packageFile, const PackageFacts &facts);

// The time of an MDTM reply ("213 20240501123000" or with fractions), -1 when it has none.
qint64 parseMdtmReply(const QString &reply);

} // namespace LastPackage
