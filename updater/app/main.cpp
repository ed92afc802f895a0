// Mendrel: wires the seam and the main window together.

#include "AppInfo.h"
#include "QtUiServices.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(AppInfo::updaterTitle());
    QtUiServices services;
    setUi(&services);

    frmMain window;
    window.show();
    const int rc = QApplication::exec();
    setUi(nullptr);
    return rc;
}
