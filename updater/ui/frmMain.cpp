#include "frmMain.h"

#include "AppInfo.h"

frmMain::frmMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(caption());
}

QString frmMain::caption()
{
    return AppInfo::updaterTitle() + u' ' + QString::number(AppInfo::major) + u'.' +
           QString::number(AppInfo::minor) + QStringLiteral("   Build ") +
           QString::number(AppInfo::revision);
}
