// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/Result.h"

#include <QString>
#include <QTime>

#include <optional>

// The catalogue's six settings, loaded by LoadSettings, and the connection string
// derived from them that every database operation opens.
extern QString g_ConnectionString;
extern QString g_BackEndDatabase;
extern QString g_DisplayFieldList;
extern bool g_DebugMode;
extern bool g_TraceMode;
extern QString g_LogFolder;
extern QString g_DbConnect;

namespace modGlobal {

// Fills the globals. A stored text that cannot be used (a Boolean that is neither a
// word nor a number) takes its default; the failure then describes each such case,
// one a line, for the caller to report. The globals are filled either way.
Result<> LoadSettings();

// Defaults of "Back End Database" and "Log File Folder". A program folder that this
// user may not write (an installed program) sends the catalogue to the shared
// folder and the log to the user's state folder.
QString defaultBackEndDatabase();
QString defaultLogFolder();

// "True"/"False" in any letter case, or a number (true unless zero).
std::optional<bool> parseBoolean(const QString &text);

QString logFilePath();

// Appends one entry to the log: a stamped first line when `stamp`, every line ended by
// CR LF. Fails with the reason when the log cannot be written.
Result<> WriteLog(const QString &message, bool stamp);

} // namespace modGlobal
