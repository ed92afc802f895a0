// SPDX-License-Identifier: MIT
#include "HtmlHelpEngine.h"

#include "Platform.h"
#include "UiServices.h"

namespace HtmlHelpEngine {

namespace {
QList<Call> &log()
{
    static QList<Call> s_calls;
    return s_calls;
}
} // namespace

std::uintptr_t HtmlHelpA(std::uintptr_t owner, const QString &target, unsigned command, std::uintptr_t data)
{
    log() << Call{owner, target, command, data};
    // "file.chm>Main": the viewer only understands the file.
    const qsizetype gt = target.indexOf(u'>');
    const QString file = Platform::toLocalPath(gt < 0 ? target : target.left(gt));
    if (!ui().openDocument(file))
        return 0;
    return std::uintptr_t(log().size());
}

const QList<Call> &calls()
{
    return log();
}

void clearCalls()
{
    log().clear();
}

} // namespace HtmlHelpEngine
