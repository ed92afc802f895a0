// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QString>

// The programs' own icons, built into the executables so the window and the About box
// show them wherever the program runs from; installed copies serve the desktop's menu.
namespace AppIcon {
QIcon catalogue();
QIcon updater();

// Names of the desktop entries, icons and AppStream components.
inline QString catalogueId()
{
    return QStringLiteral("com.vantelo.Orvana");
}
inline QString updaterId()
{
    return QStringLiteral("com.vantelo.Mendrel");
}
} // namespace AppIcon
