// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QTextStream>

// "mendrel --rollback <program>": undoes the last update of Carvell, Dunmore or Orvana
// from its backup, writing each step to the updater's log and to `out`. Returns the
// process's exit code: 0 done, 1 failed (or the program runs), 2 unknown program.
namespace RollbackCommand {

int run(const QString &program, QTextStream &out);

} // namespace RollbackCommand
