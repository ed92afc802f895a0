// SPDX-License-Identifier: MIT
#pragma once

#include "RegistryHive.h"

#include <QString>

// The registry layer shared by both programs: four primitives on one key and one
// string value, and the catalogue's program-key operations. Failures are silent:
// reads give "" (or the default), writes are dropped. The Read/Write/Store variants say
// why instead, for callers that guard something or report a change that was not kept;
// every failure is also noted for HiveFaults.
namespace modRegistry {

inline constexpr RegRoot HKEY_CURRENT_USER = RegRoot::CurrentUser;
inline constexpr RegRoot HKEY_LOCAL_MACHINE = RegRoot::LocalMachine;

RegKey CreateKey(RegRoot root, const QString &keyPath);
RegKey OpenKey(RegRoot root, const QString &keyPath);
// 0 when written; the callers never look.
int SetStringValue(RegRoot root, const QString &keyPath, const QString &valueName, const QString &text);
QString GetStringValue(RegRoot root, const QString &keyPath, const QString &valueName);
// "" for a value, key or hive that does not exist; fails when the hive cannot be read.
Result<QString> ReadStringValue(RegRoot root, const QString &keyPath, const QString &valueName);
Result<> WriteStringValue(RegRoot root, const QString &keyPath, const QString &valueName,
                          const QString &text);

// The catalogue's own key: HKEY_CURRENT_USER "Software\Vantelo\Orvana".
QString programKey();
void SaveAppSetting(const QString &valueName, const QString &text);
QString GetAppSetting(const QString &valueName);

QString propertiesKey(const QString &group, const QString &category);
QString GetProperty(const QString &group, const QString &category, const QString &name,
                    const QString &defaultValue);
void SaveProperty(const QString &group, const QString &category, const QString &name, const QString &text);
Result<> StoreProperty(const QString &group, const QString &category, const QString &name,
                       const QString &text);

} // namespace modRegistry

// The updater's program-key operations: HKEY_LOCAL_MACHINE "Software\Vantelo\Vantelo Update".
namespace Reg {
QString programKey();
void SaveAppSetting(const QString &valueName, const QString &text);
QString GetAppSetting(const QString &valueName);
Result<QString> ReadAppSetting(const QString &valueName);
} // namespace Reg
