// SPDX-License-Identifier: MIT
#pragma once

#include "RegistryHive.h"
#include "Result.h"

#include <QString>
#include <QStringList>

// The arguments of vantelo-reg, in the manner of reg.exe: "VERB KEY [/v NAME] [/d DATA]
// [/t TYPE] [/f]". Kept apart from the tool so that it can be tried on its own.
namespace RegCommandLine {

// "HKCU\Software\Vantelo" (or HKLM, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE in any letter
// case) into its root and the path below it. False for another root or an empty path.
bool splitKey(const QString &full, RegRoot &root, QString &path);

struct Options {
    QString name;
    QString data;
    QString type = QStringLiteral("REG_SZ");
    bool hasName = false;
    bool hasData = false;
};

// The switches after the key for a verb ("query", "add", "delete"); fails with a
// description of what is wrong.
Result<> parseOptions(const QString &verb, const QStringList &args, Options &o);

// The data of "add" as stored: UTF-8 text for REG_SZ and REG_EXPAND_SZ, four bytes for
// REG_DWORD (decimal, or hexadecimal after "0x"). Fails with the error text otherwise.
Result<> encodeData(const Options &o, int &type, QByteArray &bytes);

// A value as "query" prints it.
QString typeName(int type);
QString dataText(const RegValue &v);

} // namespace RegCommandLine
