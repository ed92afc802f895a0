// SPDX-License-Identifier: MIT
#include "AppIcon.h"

namespace {
QIcon fromResources(const QString &id)
{
    QIcon icon;
    for (const int size : {48, 256})
        icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(id).arg(size), QSize(size, size));
    return icon;
}
} // namespace

namespace AppIcon {
QIcon catalogue()
{
    return fromResources(catalogueId());
}
QIcon updater()
{
    return fromResources(updaterId());
}
} // namespace AppIcon
