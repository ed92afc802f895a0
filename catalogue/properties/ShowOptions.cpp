// SPDX-License-Identifier: MIT
#include "ShowOptions.h"

#include "catalogue/core/modGlobal.h"
#include "frmProperties.h"

#include <QCoreApplication>

Result<> ShowOptions()
{
    {
        frmProperties sheet;
        sheet.setWindowTitle(
            QCoreApplication::translate("ShowOptions", "Tools - Options - General Settings"));
        sheet.m_strPropertyGroup = QStringLiteral("General");
        const QString general = QStringLiteral("General");
        const QString database = QStringLiteral("Database");
        const QString debug = QStringLiteral("Debug");
        sheet.AddProperty(general, database, QStringLiteral("Connection String"), PropertyKind::Text,
                          QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source="));
        sheet.AddProperty(general, database, QStringLiteral("Back End Database"), PropertyKind::File,
                          modGlobal::defaultBackEndDatabase());
        sheet.AddProperty(general, database, QStringLiteral("Display Field List"), PropertyKind::Text,
                          QStringLiteral("PartNumber, PartDescription, Bin"));
        sheet.AddProperty(general, debug, QStringLiteral("Debug Mode Active"), PropertyKind::Boolean,
                          QStringLiteral("False"));
        sheet.AddProperty(general, debug, QStringLiteral("Trace Mode Active"), PropertyKind::Boolean,
                          QStringLiteral("False"));
        sheet.AddProperty(general, debug, QStringLiteral("Log File Folder"), PropertyKind::Folder,
                          modGlobal::defaultLogFolder());
        sheet.m_blnSortAsAdded = true;
        sheet.Init();
        sheet.exec();
    }
    return modGlobal::LoadSettings();
}
