// SPDX-License-Identifier: MIT
#include "modRegistry.h"

#include "AppInfo.h"

namespace modRegistry {

RegKey CreateKey(RegRoot root, const QString &keyPath)
{
    return RegKey::create(root, keyPath);
}

RegKey OpenKey(RegRoot root, const QString &keyPath)
{
    return RegKey::open(root, keyPath);
}

int SetStringValue(RegRoot root, const QString &keyPath, const QString &valueName, const QString &text)
{
    RegKey key = CreateKey(root, keyPath);
    if (!key)
        return 0;
    return key.setValue(valueName, REG_SZ, text.toUtf8()) ? 0 : 1;
}

QString GetStringValue(RegRoot root, const QString &keyPath, const QString &valueName)
{
    const RegKey key = OpenKey(root, keyPath);
    if (!key)
        return {};
    const auto v = key.value(valueName);
    if (!v || v->type != REG_SZ)
        return {};
    return QString::fromUtf8(v->data);
}

QString programKey()
{
    return QStringLiteral("Software\\Vantelo\\") + AppInfo::catalogueTitle();
}

void SaveAppSetting(const QString &valueName, const QString &text)
{
    SetStringValue(HKEY_CURRENT_USER, programKey(), valueName, text);
}

QString GetAppSetting(const QString &valueName)
{
    return GetStringValue(HKEY_CURRENT_USER, programKey(), valueName);
}

QString propertiesKey(const QString &group, const QString &category)
{
    return QStringLiteral("Software\\Vantelo\\") + AppInfo::catalogueTitle() +
           QStringLiteral("\\Properties\\") + group + u'\\' + category;
}

QString GetProperty(const QString &group, const QString &category, const QString &name,
                    const QString &defaultValue)
{
    const QString s = GetStringValue(HKEY_CURRENT_USER, propertiesKey(group, category), name).trimmed();
    return s.isEmpty() ? defaultValue : s;
}

void SaveProperty(const QString &group, const QString &category, const QString &name, const QString &text)
{
    SetStringValue(HKEY_CURRENT_USER, propertiesKey(group, category), name, text);
}

} // namespace modRegistry

namespace Reg {

QString programKey()
{
    return QStringLiteral("Software\\Vantelo\\") + AppInfo::updaterTitle();
}

void SaveAppSetting(const QString &valueName, const QString &text)
{
    modRegistry::SetStringValue(RegRoot::LocalMachine, programKey(), valueName, text);
}

QString GetAppSetting(const QString &valueName)
{
    return modRegistry::GetStringValue(RegRoot::LocalMachine, programKey(), valueName);
}

} // namespace Reg
