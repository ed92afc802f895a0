#include "frmParts.h"

#include "FormPlacement.h"

#include <QCloseEvent>

frmParts::frmParts(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmParts"));
    setWindowTitle(QStringLiteral("Parts"));
}

void frmParts::closeEvent(QCloseEvent *event)
{
    FormPlacement::SaveFormPlacement(this);
    event->accept();
}
