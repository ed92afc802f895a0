// SPDX-License-Identifier: MIT
#include "AccessCatalogueSetup.h"

#include "AccessImport.h"
#include "SqliteConnection.h"
#include "common/core/AppInfo.h"
#include "common/core/Platform.h"
#include "common/core/UiServices.h"
#include "common/core/modRegistry.h"
#include "modGlobal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>
#include <unistd.h>

namespace {

void log(const QString &entry)
{
    // A log that cannot be written is reported by the operations that must log.
    modGlobal::WriteLog(entry, true);
}

bool writable(const QFileInfo &file)
{
    const QString folder = file.absolutePath();
    const bool folderOk = folder == QFileInfo(Platform::programFolder()).absoluteFilePath()
                              ? Platform::programFolderWritable()
                              : Platform::folderWritable(folder);
    return folderOk && ::access(QFile::encodeName(file.absoluteFilePath()).constData(), W_OK) == 0;
}

} // namespace

bool PrepareAccessCatalogue()
{
    if (g_DbConnect.contains(QStringLiteral("DSN=")))
        return true;
    const QString file = SqliteConnection::dataSource(g_DbConnect);
    if (file.isEmpty() || !AccessImport::isAccessFile(file))
        return true;

    const QFileInfo info(file);
    const QString name = info.fileName();
    const QString title = AppInfo::catalogueTitle();
    // The converted catalogue takes the Access file's name where it may; elsewhere it goes
    // where this user keeps data, and the setting follows it.
    const bool inPlace = writable(info);
    const QString target = inPlace ? file : Platform::userDataFolder() + u'/' + name;
    const QString question =
        inPlace
            ? QCoreApplication::translate(
                  "AccessCatalogueSetup",
                  "%1 is a Microsoft Access database. Convert it to the catalogue's own format? The Access "
                  "file is kept unchanged as %2.")
                  .arg(name, QFileInfo(AccessImport::keptName(file)).fileName())
            : QCoreApplication::translate(
                  "AccessCatalogueSetup",
                  "%1 is a Microsoft Access database. Convert it to the catalogue's own format? Its folder "
                  "cannot be written, so the converted catalogue is kept as %2; the Access file is kept "
                  "unchanged.")
                  .arg(name, target);
    if (MsgBox(question, MsgIcon::Question, MsgButtons::YesNo, title) != MsgAnswer::Yes) {
        log(QStringLiteral("%1 is a Microsoft Access database; not converted (declined).").arg(file));
        MsgBox(QCoreApplication::translate(
                   "AccessCatalogueSetup",
                   "%1 was not converted, so the catalogue cannot be opened: it is a Microsoft Access "
                   "database.")
                   .arg(name),
               MsgIcon::Exclamation, MsgButtons::Ok, title);
        return false;
    }

    Result<AccessImport::Summary> converted;
    {
        ProgressRequest request;
        request.title = title;
        request.text = QCoreApplication::translate("AccessCatalogueSetup",
                                                   "Converting %1 to the catalogue's own format...")
                           .arg(name);
        request.cancelText = QCoreApplication::translate("AccessCatalogueSetup", "Cancel");
        request.quietMs = 500;
        const std::unique_ptr<Progress> progress = ui().progress(request);
        AccessImport::Options options;
        options.progress = [&](long long done, long long total) { return progress->update(done, total); };
        if (inPlace) {
            converted = AccessImport::convertInPlace(file, options);
        } else {
            QDir().mkpath(QFileInfo(target).absolutePath());
            converted = AccessImport::convert(file, target, options);
        }
    }
    if (!converted) {
        const bool stopped = converted.error().code == AccessImport::kStopped;
        log(QStringLiteral("%1 not converted: %2").arg(file, converted.error().message));
        MsgBox(stopped ? QCoreApplication::translate(
                             "AccessCatalogueSetup",
                             "The conversion of %1 was stopped; every file is left as it was.")
                             .arg(name)
                       : QCoreApplication::translate(
                             "AccessCatalogueSetup",
                             "%1 could not be converted; every file is left as it was.\n%2")
                             .arg(name, converted.error().message),
               MsgIcon::Exclamation, MsgButtons::Ok, title);
        return false;
    }

    const QString what = AccessImport::describe(*converted);
    QString where;
    if (inPlace) {
        log(QStringLiteral("%1. The Access file is kept as %2.").arg(what, AccessImport::keptName(file)));
        where = QCoreApplication::translate("AccessCatalogueSetup",
                                            "%1. The Access file is kept unchanged as %2.")
                    .arg(what, QFileInfo(AccessImport::keptName(file)).fileName());
    } else {
        log(QStringLiteral("%1 into %2.").arg(what, target));
        g_BackEndDatabase = target;
        // The connection string as it stands names the Access file: only that name changes.
        const qsizetype at = g_DbConnect.lastIndexOf(file);
        g_DbConnect.replace(at, file.size(), target);
        where = QCoreApplication::translate(
                    "AccessCatalogueSetup",
                    "%1. The converted catalogue is %2; the Access file is left unchanged.")
                    .arg(what, target);
        // Not kept, the next start would find the Access file again and refuse to convert it
        // over the catalogue made now: the user must know where it is.
        if (const auto stored =
                modRegistry::StoreProperty(QStringLiteral("General"), QStringLiteral("Database"),
                                           QStringLiteral("Back End Database"), target);
            !stored)
            where += u'\n' + QCoreApplication::translate("AccessCatalogueSetup",
                                                         "The setting \"Back End Database\" could not be "
                                                         "changed to it (%1): set it in Tools > Options.")
                                 .arg(stored.error().message);
    }
    MsgBox(where, MsgIcon::Information, MsgButtons::Ok, title);
    return true;
}
