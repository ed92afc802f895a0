// SPDX-License-Identifier: MIT
// Orvana: wires the command line, the seam, the presence beacon and the main window together.

#include "catalogue/ui/frmParts.h"
#include "common/core/AppInfo.h"
#include "common/core/CommandLine.h"
#include "common/core/PresenceBeacon.h"
#include "common/core/Translations.h"
#include "common/ui/AppIcon.h"
#include "common/ui/QtUiServices.h"

#include <QApplication>

int main(int argc, char **argv)
{
    const QString command = QStringLiteral("orvana");
    QCommandLineParser parser;
    CommandLine::describe(parser, QCoreApplication::translate(
                                      "orvana", "Orvana, the parts catalogue: lists, finds and edits the "
                                                "parts of its database."));
    // Answered before the window system is asked for, so a console without a display works.
    if (const auto rc = CommandLine::answerHelpOrVersion(parser, command, CommandLine::arguments(argc, argv)))
        return *rc;

    QApplication app(argc, argv); // takes the Qt options (-platform, -style ...) out of the arguments
    Translations::install();
    if (const auto rc = CommandLine::refuseTheRest(parser, command, QApplication::arguments()))
        return *rc;

    QApplication::setApplicationName(AppInfo::catalogueTitle());
    QApplication::setApplicationVersion(CommandLine::version());
    QApplication::setWindowIcon(AppIcon::catalogue());
    QGuiApplication::setDesktopFileName(AppIcon::catalogueId());
    QtUiServices services;
    setUi(&services);
    // Held for the whole run: the updater refuses to update while it is held.
    PresenceBeacon beacon(AppInfo::catalogueTitle());

    frmParts window;
    window.show();
    const int rc = QApplication::exec();
    setUi(nullptr);
    return rc;
}
