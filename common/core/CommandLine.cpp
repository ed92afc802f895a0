// SPDX-License-Identifier: MIT
#include "CommandLine.h"

#include "AppInfo.h"
#include <QCoreApplication>
#include <QRegularExpression>

#include <cstdio>

namespace CommandLine {

QString version()
{
    return QString::number(AppInfo::kMajor) + u'.' + QString::number(AppInfo::kMinor) + u'.' +
           QString::number(AppInfo::kRevision);
}

QString versionText(const QString &command)
{
    return command + u' ' + version();
}

void describe(QCommandLineParser &parser, const QString &description)
{
    parser.setApplicationDescription(description);
    parser.addHelpOption();
    parser.addVersionOption();
}

QString helpText(const QCommandLineParser &parser, const QString &command)
{
    QString text = parser.helpText();
    // The parser names the command as it was started (or not at all, without an
    // application object); the usage line names it as a user types it.
    const QString started = QCoreApplication::instance() ? QCoreApplication::arguments().value(0)
                                                         : QStringLiteral("<executable_name>");
    if (text.startsWith(QStringLiteral("Usage: ") + started))
        text.replace(7, started.size(), command);
    // The Qt options need the window system; the man page lists them instead.
    text.remove(QRegularExpression(QStringLiteral("\\n *--help-all[^\\n]*")));
    return text;
}

std::optional<int> answerHelpOrVersion(const QCommandLineParser &parser, const QString &command,
                                       const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QStringLiteral("--"))
            break;
        if (a == QStringLiteral("-h") || a == QStringLiteral("--help") || a == QStringLiteral("-?") ||
            a == QStringLiteral("--help-all")) {
            std::fputs(helpText(parser, command).toLocal8Bit().constData(), stdout);
            return 0;
        }
        if (a == QStringLiteral("-v") || a == QStringLiteral("--version")) {
            std::fputs((versionText(command) + u'\n').toLocal8Bit().constData(), stdout);
            return 0;
        }
    }
    return std::nullopt;
}

int fail(const QString &command, const QString &what)
{
    std::fputs(QCoreApplication::translate("CommandLine", "%1: %2\nTry '%1 --help' for more information.\n")
                   .arg(command, what)
                   .toLocal8Bit()
                   .constData(),
               stderr);
    return 2;
}

QStringList arguments(int argc, char **argv)
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

std::optional<int> refuseTheRest(QCommandLineParser &parser, const QString &command,
                                 const QStringList &arguments)
{
    if (!parser.parse(arguments))
        return fail(command, parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return fail(command, QCoreApplication::translate("CommandLine", "unexpected argument '%1'")
                                 .arg(parser.positionalArguments().constFirst()));
    return std::nullopt;
}

} // namespace CommandLine
