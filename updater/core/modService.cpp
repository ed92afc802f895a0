// SPDX-License-Identifier: MIT
#include "modService.h"

#include <algorithm>

QString g_TargetFolder;
bool g_UpdateError = false;
bool g_PassiveMode = false;

namespace modService {

QString FolderOfPath(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return cut < 0 ? QString() : path.left(cut);
}

} // namespace modService
