// SPDX-License-Identifier: MIT
// Mendrel: wires the command line, the seam and the main window together;
// "--rollback <program>" undoes that program's last update, "--update" and "--check" update
// or ask the server, all without a window.

#include "common/core/AppInfo.h"
#include "common/core/CommandLine.h"
#include "common/core/Translations.h"
#include "common/ui/AppIcon.h"
#include "common/ui/QtUiServices.h"
#include "updater/ui/RollbackCommand.h"
#include "updater/ui/UnattendedCommand.h"
#include "updater/ui/frmMain.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstring>

int main(int argc, char **argv)
{
    const QString command = QStringLiteral("mendrel");
    QCommandLineParser parser;
    CommandLine::describe(
        parser,
        QCoreApplication::translate("mendrel", "Vantelo Update: updates Carvell, Dunmore or Orvana from the "
                                               "update server."));
    parser.addOption(QCommandLineOption(
        QStringLiteral("rollback"),
        QCoreApplication::translate("mendrel", "undo the last update of PROGRAM (Carvell, Dunmore or "
                                               "Orvana), without a window"),
        QCoreApplication::translate("mendrel", "PROGRAM")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("update"),
        QCoreApplication::translate("mendrel",
                                    "update PROGRAM without a window; exit status 0 updated, 1 "
                                    "failed, 2 wrong use, 3 a program is running, 4 nothing to do"),
        QCoreApplication::translate("mendrel", "PROGRAM")));
    parser.addOption(
        QCommandLineOption(QStringLiteral("wait"),
                           QCoreApplication::translate(
                               "mendrel", "with --update: wait up to SECONDS for running programs to close"),
                           QCoreApplication::translate("mendrel", "SECONDS")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("if-newer"),
        QCoreApplication::translate("mendrel", "with --update: only when the server has another package than "
                                               "the last one applied (else exit status 4)")));
    parser.addOption(QCommandLineOption(
        QStringLiteral("check"),
        QCoreApplication::translate("mendrel",
                                    "ask the server, without downloading, whether a newer package for "
                                    "PROGRAM is there: exit status 0 yes, 4 no, 1 failed"),
        QCoreApplication::translate("mendrel", "PROGRAM")));
    // Answered before the window system is asked for, so a console without a display works.
    if (const auto rc = CommandLine::answerHelpOrVersion(parser, command, CommandLine::arguments(argc, argv)))
        return *rc;

    if (argc >= 2 && std::strcmp(argv[1], "--rollback") == 0) {
        QCoreApplication app(argc, argv);
        Translations::install();
        QCoreApplication::setApplicationName(AppInfo::updaterTitle());
        QTextStream out(stdout);
        if (argc != 3) {
            out << QCoreApplication::translate("mendrel",
                                               "Usage: mendrel --rollback Carvell|Dunmore|Orvana\n");
            return 2;
        }
        return RollbackCommand::run(QString::fromLocal8Bit(argv[2]), out);
    }

    if (argc >= 2 && (std::strcmp(argv[1], "--update") == 0 || std::strcmp(argv[1], "--check") == 0)) {
        QCoreApplication app(argc, argv); // no display: these run from timers and scripts
        Translations::install();
        QCoreApplication::setApplicationName(AppInfo::updaterTitle());
        QString why;
        const auto options = UnattendedCommand::parse(CommandLine::arguments(argc, argv).mid(1), why);
        if (!options)
            return CommandLine::fail(command, why);
        return UnattendedCommand::run(*options);
    }

    // Misplaced, they would otherwise need a display just to be refused.
    for (int i = 1; i < argc; ++i)
        for (const char *option : {"--update", "--check", "--wait", "--if-newer"})
            if (std::strncmp(argv[i], option, std::strlen(option)) == 0)
                return CommandLine::fail(
                    command,
                    QCoreApplication::translate("mendrel", "--update or --check comes first, followed by "
                                                           "the program"));

    QApplication app(argc, argv); // takes the Qt options (-platform, -style ...) out of the arguments
    Translations::install();
    if (const auto rc = CommandLine::refuseTheRest(parser, command, QApplication::arguments()))
        return *rc;
    if (parser.isSet(QStringLiteral("rollback")))
        return CommandLine::fail(command, QCoreApplication::translate(
                                              "mendrel", "--rollback comes first, followed by the program"));
    for (const char *option : {"update", "check", "wait", "if-newer"})
        if (parser.isSet(QLatin1String(option)))
            return CommandLine::fail(
                command,
                QCoreApplication::translate("mendrel", "--update or --check comes first, followed by the "
                                                       "program"));

    QApplication::setApplicationName(AppInfo::updaterTitle());
    QApplication::setApplicationVersion(CommandLine::version());
    QApplication::setWindowIcon(AppIcon::updater());
    QGuiApplication::setDesktopFileName(AppIcon::updaterId());
    QtUiServices services;
    setUi(&services);

    frmMain window;
    window.show();
    const int rc = QApplication::exec();
    setUi(nullptr);
    return rc;
}
