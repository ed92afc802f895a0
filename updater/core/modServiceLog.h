// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/Result.h"

#include <QString>

// The updater's log "Vantelo Update.txt".
namespace modService {

QString logFilePath(); // "Vantelo Update.txt" in the updater's own folder

// Appends one stamped entry (date - time - text), opening and closing the log for it,
// so every logged line is on disk at once. Fails with the reason when the log cannot
// be written: the caller decides how to report it.
Result<> LogEvent(const QString &text);

// LogEvent for an owner that tells the user, once in its life, that the log cannot be
// written: the update goes on without its record.
class EventLog final {
public:
    void write(const QString &text);

private:
    bool m_failureReported = false;
};
void ResetLog(); // deletes the log; a failure is ignored

} // namespace modService
