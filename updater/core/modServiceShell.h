// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Documents opened with the desktop's programs.
namespace modService {

enum class ShowMode { Hidden = 0, Normal = 1, Minimized = 2 };

// Opens a document with the desktop's associated program and, when there is none,
// lets the user choose one; a chosen program that does not start is reported. Other
// failures are accepted silently, as the shell did.
void RunShellExecute(const QString &verb, const QString &file, const QString &parameters = {},
                     const QString &folder = {}, ShowMode show = ShowMode::Normal);
void ShowLog();
void ShellOpen(const QString &path);

} // namespace modService
