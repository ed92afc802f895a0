// SPDX-License-Identifier: MIT
#pragma once

// The updater's service module: its shared state here, and a header per concern (log,
// shell, registration, pauses), all in the one namespace. A file includes only the
// concern it uses, so the registration class (which pauses) and registration (which
// starts that class) never include each other.
#include "modServiceLog.h"
#include "modServicePause.h"
#include "modServiceRegister.h"
#include "modServiceShell.h"

#include <QString>

// The updater's state shared by its window, the download and package processing.
extern QString g_TargetFolder; // folder that receives the package (a local path)
extern bool g_UpdateError;     // set by any failure of an update
extern bool g_PassiveMode;     // the Passive File Transfer option

namespace modService {

// The text before the last path separator ("/" or "\").
QString FolderOfPath(const QString &path);

} // namespace modService
