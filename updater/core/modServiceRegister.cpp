// SPDX-License-Identifier: MIT
// modService: component registration, reported in the designed boxes.
#include "modServiceRegister.h"

#include "clsRegisterAnyDLL.h"
#include "common/core/AppInfo.h"
#include "common/core/UiServices.h"

#include <QCoreApplication>

namespace modService {

bool RegisterObject(const QString &path, bool quiet)
{
    clsRegisterAnyDLL registrar;
    registrar.setDLLName(path);
    registrar.RegisterDLL(quiet);
    const int result = registrar.Result();
    if (result == clsRegisterAnyDLL::Started)
        return false;

    const QString title = AppInfo::updaterTitle() + u' ';
    QString suffix;
    QString text;
    switch (result) {
    case clsRegisterAnyDLL::ToolNotFound:
        suffix = QCoreApplication::translate("modService", "File missing");
        text =
            QCoreApplication::translate("modService", "Could not find Regsvr32.exe, Register Object Failure");
        break;
    case clsRegisterAnyDLL::ComponentNotFound:
        suffix = QCoreApplication::translate("modService", "File missing");
        text = QCoreApplication::translate("modService", "Could not find: %1, Register Object Failure!")
                   .arg(path);
        break;
    case clsRegisterAnyDLL::NameEmpty:
        suffix = QCoreApplication::translate("modService", "DLL Name missing");
        text = QCoreApplication::translate("modService", "No DLL name provided: %1Register Object Failure!")
                   .arg(path);
        break;
    case clsRegisterAnyDLL::PathNotFound:
        suffix = QCoreApplication::translate("modService", "Bad DLL Name");
        text =
            QCoreApplication::translate("modService", "DLL Name provided was bad: %1Register Object Failure!")
                .arg(path);
        break;
    case clsRegisterAnyDLL::NotStarted:
    case clsRegisterAnyDLL::RunTimeError:
        suffix = QCoreApplication::translate("modService", "DLL Register Error");
        text = QCoreApplication::translate("modService",
                                           "Unknown error registering: %1,Register Object Failure!")
                   .arg(path);
        break;
    default:
        suffix = QCoreApplication::translate("modService", "DLL Register Error");
        text = QCoreApplication::translate("modService", "Unexpected value returned when registering DLL: ") +
               path;
        break;
    }
    MsgBox(text, MsgIcon::Critical, MsgButtons::Ok, title + suffix);
    return true;
}

} // namespace modService
