// SPDX-License-Identifier: MIT
#include "RollbackCommand.h"

#include "ProgramDiscovery.h"
#include "common/core/Platform.h"
#include "common/core/PresenceBeacon.h"
#include "updater/core/UpdateBackup.h"
#include "updater/core/modService.h"

#include <QCoreApplication>

namespace RollbackCommand {

int run(const QString &program, QTextStream &out)
{
    auto say = [&out](const QString &text) {
        modService::LogEvent(text);
        out << text << '\n';
        out.flush();
    };
    std::array<ProgramInfo, 3> table = ProgramDiscovery::programTable();
    ProgramInfo *chosen = nullptr;
    for (ProgramInfo &p : table)
        if (p.key == program.trimmed().toUpper())
            chosen = &p;
    if (!chosen) {
        say(QCoreApplication::translate("RollbackCommand",
                                        "Application not recognized: %1\nRollback aborted.")
                .arg(program.trimmed().toUpper()));
        return 2;
    }
    ProgramDiscovery::discover(*chosen, chosen->key == QStringLiteral("CARVELL") ? Platform::programFolder()
                                                                                 : QString());
    // An interrupted update is undone first, so it is never taken for the last one applied.
    if (const auto recovered = UpdateBackup::recoverInterrupted(chosen->folder, say); !recovered)
        return 1;
    if (IsWindowOpen(chosen->windowTitle)) {
        say(QCoreApplication::translate("RollbackCommand", "Please close %1 before using this function")
                .arg(chosen->listText));
        return 1;
    }
    return UpdateBackup::rollback(chosen->folder, say) ? 0 : 1;
}

} // namespace RollbackCommand
