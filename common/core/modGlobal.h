// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
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
// word nor a number) takes its default; the returned list describes each such case
// for the caller to report. Empty when everything loaded as stored.
QStringList LoadSettings();

// Defaults of "Back End Database" and "Log File Folder". A program folder that this
// user may not write (an installed program) sends the catalogue to the shared
// folder and the log to the user's state folder.
QString defaultBackEndDatabase();
QString defaultLogFolder();

// "True"/"False" in any letter case, or a number (true unless zero).
std::optional<bool> parseBoolean(const QString &text);

QString logFilePath();

// Appends one entry to the log: a stamped first line when `stamp`, every line ended by
// CR LF. Returns false (with the reason in *error) when the log cannot be written.
bool WriteLog(const QString &message, bool stamp, QString *error = nullptr);

// date + " - " + time in the system's short date and time (with seconds) formats.
QString logStamp();
// The time in the system's long format (with seconds) without its time-zone name.
QString longTime(const QTime &time);

} // namespace modGlobal
