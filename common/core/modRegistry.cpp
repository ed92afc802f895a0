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
    return ReadStringValue(root, keyPath, valueName).value_or(QString());
}

Result<QString> ReadStringValue(RegRoot root, const QString &keyPath, const QString &valueName)
{
    const Result<RegKey> key = RegKey::tryOpen(root, keyPath);
    if (!key)
        return tl::unexpected(key.error());
    const Result<std::optional<RegValue>> v = key->read(valueName);
    if (!v)
        return tl::unexpected(v.error());
    if (!*v || (*v)->type != REG_SZ)
        return QString();
    return QString::fromUtf8((*v)->data);
}

Result<> WriteStringValue(RegRoot root, const QString &keyPath, const QString &valueName, const QString &text)
{
    Result<RegKey> key = RegKey::tryCreate(root, keyPath);
    if (!key)
        return tl::unexpected(key.error());
    return key->write(valueName, REG_SZ, text.toUtf8());
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

Result<> StoreProperty(const QString &group, const QString &category, const QString &name,
                       const QString &text)
{
    return WriteStringValue(HKEY_CURRENT_USER, propertiesKey(group, category), name, text);
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

Result<QString> ReadAppSetting(const QString &valueName)
{
    return modRegistry::ReadStringValue(RegRoot::LocalMachine, programKey(), valueName);
}

} // namespace Reg
