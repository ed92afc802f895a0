// vantelo-reg: reads and writes the programs' registry hives from the command line,
// in the manner of reg.exe, for administrators and scripts.

#include "RegistryHive.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <cstring>

namespace {

void out(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
}
void err(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stderr);
}

int usage()
{
    err(QStringLiteral("Usage:\n"
                       "  vantelo-reg query KEY [/v NAME]\n"
                       "  vantelo-reg add KEY /v NAME /d DATA [/t REG_SZ|REG_EXPAND_SZ|REG_DWORD] [/f]\n"
                       "  vantelo-reg delete KEY /v NAME [/f]\n"
                       "KEY begins with HKCU\\ or HKLM\\ (or HKEY_CURRENT_USER\\, HKEY_LOCAL_MACHINE\\).\n"
                       "The hives are in $VANTELO_HIVE_DIR when it is set."));
    return 2;
}

bool splitKey(const QString &full, RegRoot &root, QString &path)
{
    const int slash = full.indexOf(u'\\');
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

struct Options {
    QString name;
    QString data;
    QString type = QStringLiteral("REG_SZ");
    bool hasName = false;
    bool hasData = false;
};

bool parseOptions(const QStringList &args, Options &o)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString a = args[i].toLower();
        const bool hasNext = i + 1 < args.size();
        if (a == QStringLiteral("/v") && hasNext) {
            o.name = args[++i];
            o.hasName = true;
        } else if (a == QStringLiteral("/d") && hasNext) {
            o.data = args[++i];
            o.hasData = true;
        } else if (a == QStringLiteral("/t") && hasNext) {
            o.type = args[++i].toUpper();
        } else if (a != QStringLiteral("/f")) {
            return false;
        }
    }
    return true;
}

QString cannotWrite(RegRoot root)
{
    return QStringLiteral("ERROR: The hive %1 cannot be written (no permission, or the file is damaged).")
        .arg(hivePath(root));
}

const QString kNotFound =
    QStringLiteral("ERROR: The system was unable to find the specified registry key or value.");

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return usage();
    const QString verb = args.takeFirst().toLower();
    RegRoot root{};
    QString path;
    if (!splitKey(args.takeFirst(), root, path)) {
        err(QStringLiteral("ERROR: Invalid key name; it must begin with HKCU\\ or HKLM\\."));
        return 2;
    }
    Options o;
    if (!parseOptions(args, o))
        return usage();

    if (verb == QStringLiteral("query")) {
        const RegKey key = RegKey::open(root, path);
        if (!key) {
            err(kNotFound);
            return 1;
        }
        if (o.hasName) {
            const auto v = key.value(o.name);
            if (!v) {
                err(kNotFound);
                return 1;
            }
            out(QStringLiteral("%1    %2    %3").arg(v->name, typeName(v->type), dataText(*v)));
            return 0;
        }
        for (const RegValue &v : key.values())
            out(QStringLiteral("%1    %2    %3").arg(v.name, typeName(v.type), dataText(v)));
        return 0;
    }

    if (verb == QStringLiteral("add")) {
        if (!o.hasName || !o.hasData)
            return usage();
        QByteArray bytes;
        int type = REG_SZ;
        if (o.type == QStringLiteral("REG_SZ") || o.type == QStringLiteral("REG_EXPAND_SZ")) {
            type = o.type == QStringLiteral("REG_SZ") ? REG_SZ : REG_EXPAND_SZ;
            bytes = o.data.toUtf8();
        } else if (o.type == QStringLiteral("REG_DWORD")) {
            bool ok = false;
            const quint32 n = o.data.toUInt(&ok, 0);
            if (!ok) {
                err(QStringLiteral("ERROR: Invalid REG_DWORD data: %1").arg(o.data));
                return 2;
            }
            type = REG_DWORD;
            bytes = QByteArray(reinterpret_cast<const char *>(&n), 4);
        } else {
            err(QStringLiteral("ERROR: Unsupported type %1.").arg(o.type));
            return 2;
        }
        RegKey key = RegKey::create(root, path);
        if (!key || !key.setValue(o.name, type, bytes)) {
            err(cannotWrite(root));
            return 1;
        }
        out(QStringLiteral("The operation completed successfully."));
        return 0;
    }

    if (verb == QStringLiteral("delete")) {
        if (!o.hasName)
            return usage();
        if (!RegKey::open(root, path) || !RegKey::open(root, path).value(o.name)) {
            err(kNotFound);
            return 1;
        }
        RegKey key = RegKey::create(root, path);
        if (!key || !key.deleteValue(o.name)) {
            err(cannotWrite(root));
            return 1;
        }
        out(QStringLiteral("The operation completed successfully."));
        return 0;
    }
    return usage();
}
