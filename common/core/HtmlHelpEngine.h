// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

#include <cstdint>

// Stands in for the HTML Help engine: the help file is opened with the desktop's
// associated viewer through the user seam. Context IDs and window types have no
// meaning to those viewers, so every call is also kept for whoever wants to see
// what was asked for.
namespace HtmlHelpEngine {

inline constexpr unsigned HH_DISPLAY_TOPIC = 0;
inline constexpr unsigned HH_HELP_CONTEXT = 15;

struct Call {
    std::uintptr_t owner = 0;
    QString target; // help file, optionally followed by ">" and a window type
    unsigned command = 0;
    std::uintptr_t data = 0;
};

// Gives a non-zero handle when the viewer was started, 0 otherwise.
std::uintptr_t HtmlHelpA(std::uintptr_t owner, const QString &target, unsigned command, std::uintptr_t data);

const QList<Call> &calls();
void clearCalls();

} // namespace HtmlHelpEngine
