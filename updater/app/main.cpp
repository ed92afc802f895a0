// Mendrel: wires the seam and the main window together; "--rollback <program>" undoes
// that program's last update without a window.

#include "AppInfo.h"
#include "QtUiServices.h"
#include "RollbackCommand.h"
#include "frmMain.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstring>

int main(int argc, char **argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--rollback") == 0) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(AppInfo::updaterTitle());
        QTextStream out(stdout);
        if (argc != 3) {
            out << "Usage: mendrel --rollback Carvell|Dunmore|Orvana\n";
            return 2;
        }
        return RollbackCommand::run(QString::fromLocal8Bit(argv[2]), out);
    }

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
