// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Titles and version numbers both programs show and store.
namespace AppInfo {
inline constexpr int kMajor = VANTELO_VERSION_MAJOR;
inline constexpr int kMinor = VANTELO_VERSION_MINOR;
inline constexpr int kRevision = VANTELO_VERSION_REVISION;

inline QString catalogueTitle()
{
    return QStringLiteral("Orvana");
}
inline QString updaterTitle()
{
    return QStringLiteral("Vantelo Update");
}
} // namespace AppInfo
