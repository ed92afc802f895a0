// SPDX-License-Identifier: MIT
#include "RollbackCommand.h"

#include "Platform.h"
#include "PresenceBeacon.h"
#include "ProgramDiscovery.h"
#include "UpdateBackup.h"
#include "modService.h"

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
        say(QStringLiteral("Application not recognized: ") + program.trimmed().toUpper() +
            QStringLiteral("\nRollback aborted."));
        return 2;
    }
    ProgramDiscovery::discover(*chosen, chosen->key == QStringLiteral("CARVELL") ? Platform::programFolder()
                                                                                 : QString());
    if (IsWindowOpen(chosen->windowTitle)) {
        say(QStringLiteral("Please close ") + chosen->listText +
            QStringLiteral(" before using this function"));
        return 1;
    }
    return UpdateBackup::rollback(chosen->folder, say) ? 0 : 1;
}

} // namespace RollbackCommand
