// SPDX-License-Identifier: MIT
// vantelo-reg: reads and writes the programs' registry hives from the command line,
// in the manner of reg.exe, for administrators and scripts.

#include "common/core/CommandLine.h"
#include "common/core/RegCommandLine.h"
#include "common/core/RegistryHive.h"
#include "common/core/Translations.h"

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

const QString kCommand = QStringLiteral("vantelo-reg");

void describe(QCommandLineParser &parser)
{
    CommandLine::describe(
        parser, QCoreApplication::translate(
                    "vantelo-reg",
                    "Reads and writes the Vantelo programs' registry hives, in the manner of reg.exe.\n"
                    "\n"
                    "  vantelo-reg query KEY [/v NAME]\n"
                    "  vantelo-reg add KEY /v NAME /d DATA [/t REG_SZ|REG_EXPAND_SZ|REG_DWORD] [/f]\n"
                    "  vantelo-reg delete KEY /v NAME [/f]\n"
                    "\n"
                    "KEY begins with HKCU\\ or HKLM\\ (or HKEY_CURRENT_USER\\, HKEY_LOCAL_MACHINE\\).\n"
                    "The hives are in $VANTELO_HIVE_DIR when it is set."));
    parser.addPositionalArgument(
        QCoreApplication::translate("vantelo-reg", "operation"),
        QCoreApplication::translate("vantelo-reg", "query, add or delete"),
        QCoreApplication::translate("vantelo-reg",
                                    "query|add|delete KEY [/v NAME] [/d DATA] [/t TYPE] [/f]"));
}

// reg.exe's way of saying it: the reason, then where to read the syntax.
int syntaxError(const QString &what)
{
    err(QCoreApplication::translate("vantelo-reg", "ERROR: Invalid syntax. %1").arg(what));
    err(QCoreApplication::translate("vantelo-reg", "Type \"vantelo-reg --help\" for usage."));
    return 2;
}

QString cannotWrite(RegRoot root)
{
    return QCoreApplication::translate(
               "vantelo-reg", "ERROR: The hive %1 cannot be written (no permission, or the file is damaged).")
        .arg(hivePath(root));
}

const char *const kNotFound = QT_TRANSLATE_NOOP(
    "vantelo-reg", "ERROR: The system was unable to find the specified registry key or value.");

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Translations::install();
    QCoreApplication::setApplicationVersion(CommandLine::version());
    QCommandLineParser parser;
    describe(parser);
    QStringList args = QCoreApplication::arguments();
    // Options come before the operation only, so data such as "-1" stays data.
    if (args.size() > 1 && (args[1].startsWith(u'-') || args[1] == QStringLiteral("/?"))) {
        if (const auto rc = CommandLine::answerHelpOrVersion(
                parser, kCommand,
                args[1] == QStringLiteral("/?") ? QStringList{args[0], QStringLiteral("--help")}
                                                : args.mid(0, 2)))
            return *rc;
        return syntaxError(QCoreApplication::translate("vantelo-reg", "Unknown option \"%1\".").arg(args[1]));
    }
    args.removeFirst();
    if (args.isEmpty())
        return syntaxError(QCoreApplication::translate(
            "vantelo-reg", "An operation (QUERY, ADD or DELETE) and a KEY are needed."));
    const QString verbText = args.takeFirst();
    const QString verb = verbText.toLower();
    if (verb != QStringLiteral("query") && verb != QStringLiteral("add") && verb != QStringLiteral("delete"))
        return syntaxError(QCoreApplication::translate(
                               "vantelo-reg", "\"%1\" is not an operation; use QUERY, ADD or DELETE.")
                               .arg(verbText));
    if (args.isEmpty())
        return syntaxError(QCoreApplication::translate("vantelo-reg", "%1 needs a KEY.").arg(verb.toUpper()));
    RegRoot root{};
    QString path;
    if (!splitKey(args.takeFirst(), root, path)) {
        err(QCoreApplication::translate("vantelo-reg",
                                        "ERROR: Invalid key name; it must begin with HKCU\\ or HKLM\\."));
        return 2;
    }
    Options o;
    if (const auto parsed = parseOptions(verb, args, o); !parsed)
        return syntaxError(parsed.error().message);

    if (verb == QStringLiteral("query")) {
        const RegKey key = RegKey::open(root, path);
        if (!key) {
            err(QCoreApplication::translate("vantelo-reg", kNotFound));
            return 1;
        }
        if (o.hasName) {
            const auto v = key.value(o.name);
            if (!v) {
                err(QCoreApplication::translate("vantelo-reg", kNotFound));
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
        QByteArray bytes;
        int type = REG_SZ;
        if (const auto encoded = encodeData(o, type, bytes); !encoded) {
            err(encoded.error().message);
            return 2;
        }
        RegKey key = RegKey::create(root, path);
        if (!key || !key.setValue(o.name, type, bytes)) {
            err(cannotWrite(root));
            return 1;
        }
        out(QCoreApplication::translate("vantelo-reg", "The operation completed successfully."));
        return 0;
    }

    if (verb == QStringLiteral("delete")) {
        if (!RegKey::open(root, path) || !RegKey::open(root, path).value(o.name)) {
            err(QCoreApplication::translate("vantelo-reg", kNotFound));
            return 1;
        }
        RegKey key = RegKey::create(root, path);
        if (!key || !key.deleteValue(o.name)) {
            err(cannotWrite(root));
            return 1;
        }
        out(QCoreApplication::translate("vantelo-reg", "The operation completed successfully."));
        return 0;
    }
    return 2;
}
