// SPDX-License-Identifier: MIT
#include "RegCommandLine.h"

#include <QCoreApplication>

#include <cstring>

namespace RegCommandLine {

bool splitKey(const QString &full, RegRoot &root, QString &path)
{
    const qsizetype slash = full.indexOf(u'\\');
    const QString head = (slash < 0 ? full : full.left(slash)).toUpper();
    path = slash < 0 ? QString() : full.mid(slash + 1);
    if (head == QStringLiteral("HKCU") || head == QStringLiteral("HKEY_CURRENT_USER"))
        root = RegRoot::CurrentUser;
    else if (head == QStringLiteral("HKLM") || head == QStringLiteral("HKEY_LOCAL_MACHINE"))
        root = RegRoot::LocalMachine;
    else
        return false;
    return !RegKey::normalisePath(path).isEmpty();
}

Result<> parseOptions(const QString &verb, const QStringList &args, Options &o)
{
    QStringList seen;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString a = args[i].toLower();
        if (a != QStringLiteral("/v") && a != QStringLiteral("/d") && a != QStringLiteral("/t") &&
            a != QStringLiteral("/f"))
            return fail(QCoreApplication::translate("RegCommandLine", "\"%1\" is not a switch of %2.")
                            .arg(args[i], verb.toUpper()));
        if (seen.contains(a))
            return fail(QCoreApplication::translate("RegCommandLine", "%1 is given more than once.").arg(a));
        seen << a;
        if (verb != QStringLiteral("add") && (a == QStringLiteral("/d") || a == QStringLiteral("/t")))
            return fail(QCoreApplication::translate("RegCommandLine", "%1 belongs to ADD only.").arg(a));
        if (verb == QStringLiteral("query") && a == QStringLiteral("/f"))
            return fail(QCoreApplication::translate("RegCommandLine", "/f belongs to ADD and DELETE only."));
        if (a == QStringLiteral("/f"))
            continue;
        if (i + 1 >= args.size())
            return fail(QCoreApplication::translate("RegCommandLine", "%1 needs a %2 after it.")
                            .arg(a, a == QStringLiteral("/v")
                                        ? QCoreApplication::translate("RegCommandLine", "value name")
                                    : a == QStringLiteral("/d")
                                        ? QCoreApplication::translate("RegCommandLine", "data text")
                                        : QCoreApplication::translate("RegCommandLine", "type")));
        const QString &next = args[++i];
        if (a == QStringLiteral("/v")) {
            o.name = next;
            o.hasName = true;
        } else if (a == QStringLiteral("/d")) {
            o.data = next;
            o.hasData = true;
        } else {
            o.type = next.toUpper();
        }
    }
    if (verb != QStringLiteral("query") && !o.hasName)
        return fail(QCoreApplication::translate("RegCommandLine", "%1 needs /v NAME.").arg(verb.toUpper()));
    if (verb == QStringLiteral("add") && !o.hasData)
        return fail(QCoreApplication::translate("RegCommandLine", "ADD needs /d DATA."));
    return {};
}

Result<> encodeData(const Options &o, int &type, QByteArray &bytes)
{
    if (o.type == QStringLiteral("REG_SZ") || o.type == QStringLiteral("REG_EXPAND_SZ")) {
        type = o.type == QStringLiteral("REG_SZ") ? REG_SZ : REG_EXPAND_SZ;
        bytes = o.data.toUtf8();
        return {};
    }
    if (o.type == QStringLiteral("REG_DWORD")) {
        bool ok = false;
        const quint32 n = o.data.toUInt(&ok, 0);
        if (!ok)
            return fail(QCoreApplication::translate("RegCommandLine", "ERROR: Invalid REG_DWORD data: %1")
                            .arg(o.data));
        type = REG_DWORD;
        bytes = QByteArray(reinterpret_cast<const char *>(&n), 4);
        return {};
    }
    return fail(QCoreApplication::translate("RegCommandLine", "ERROR: Unsupported type %1.").arg(o.type));
}

QString typeName(int type)
{
    switch (type) {
    case REG_SZ: return QStringLiteral("REG_SZ");
    case REG_EXPAND_SZ: return QStringLiteral("REG_EXPAND_SZ");
    case REG_BINARY: return QStringLiteral("REG_BINARY");
    case REG_DWORD: return QStringLiteral("REG_DWORD");
    default: return QStringLiteral("REG_NONE");
    }
}

QString dataText(const RegValue &v)
{
    if (v.type == REG_SZ || v.type == REG_EXPAND_SZ)
        return QString::fromUtf8(v.data);
    if (v.type == REG_DWORD && v.data.size() == 4) {
        quint32 n = 0;
        std::memcpy(&n, v.data.constData(), 4);
        return QStringLiteral("0x%1").arg(n, 0, 16);
    }
    return QString::fromLatin1(v.data.toHex().toUpper());
}

} // namespace RegCommandLine
