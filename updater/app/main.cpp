// Mendrel: wires the command line, the seam and the main window together.

#include "AppIcon.h"
#include "AppInfo.h"
#include "CommandLine.h"
#include "QtUiServices.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char **argv)
{
    const QString command = QStringLiteral("mendrel");
    QCommandLineParser parser;
    CommandLine::describe(parser,
                          QStringLiteral("Vantelo Update: updates Carvell, Dunmore or Orvana from the "
                                         "update server."));
    // Answered before the window system is asked for, so a console without a display works.
    if (const auto rc = CommandLine::answerHelpOrVersion(parser, command, CommandLine::arguments(argc, argv)))
        return *rc;

    QApplication app(argc, argv); // takes the Qt options (-platform, -style ...) out of the arguments
    if (!parser.parse(QApplication::arguments()))
        return CommandLine::fail(command, parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return CommandLine::fail(
            command,
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst()));

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
