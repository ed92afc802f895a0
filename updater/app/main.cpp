// SPDX-License-Identifier: MIT
// Mendrel: wires the command line, the seam and the main window together;
// "--rollback <program>" undoes that program's last update without a window.

#include "AppIcon.h"
#include "AppInfo.h"
#include "CommandLine.h"
#include "QtUiServices.h"
#include "RollbackCommand.h"
#include "Translations.h"
#include "frmMain.h"

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

    QApplication app(argc, argv); // takes the Qt options (-platform, -style ...) out of the arguments
    Translations::install();
    if (const auto rc = CommandLine::refuseTheRest(parser, command, QApplication::arguments()))
        return *rc;
    if (parser.isSet(QStringLiteral("rollback")))
        return CommandLine::fail(command, QCoreApplication::translate(
                                              "mendrel", "--rollback comes first, followed by the program"));

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
