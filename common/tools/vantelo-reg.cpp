// vantelo-reg: reads and writes the programs' registry hives from the command line,
// in the manner of reg.exe, for administrators and scripts.

#include "RegCommandLine.h"
#include "RegistryHive.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

using namespace RegCommandLine;

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
        QString problem;
        if (!encodeData(o, type, bytes, problem)) {
            err(problem);
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
