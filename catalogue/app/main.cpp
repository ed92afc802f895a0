// Orvana: wires the seam, the presence beacon and the main window together.

#include "AppInfo.h"
#include "PresenceBeacon.h"
#include "QtUiServices.h"
#include "frmParts.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(AppInfo::catalogueTitle());
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
