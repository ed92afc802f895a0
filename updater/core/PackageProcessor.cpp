// SPDX-License-Identifier: MIT
#include "PackageProcessor.h"

#include "ProcessFileText.h"
#include "Zip.h"
#include "common/core/AppInfo.h"
#include "common/core/LogStamp.h"
#include "common/core/Platform.h"
#include "common/core/PresenceBeacon.h"
#include "common/core/Timings.h"
#include "common/core/UiServices.h"
#include "modFileCopy.h"
#include "modPaths.h"
#include "modService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTime>

#include <exception>

using modService::DoEvents;
using modService::FolderOfPath;
using modService::Pause;
using ProcessFileText::decodeText;
using ProcessFileText::leadingNumber;
using ProcessFileText::nonEmptyLines;

namespace ProcessFileText {

// Windows-1252 where it differs from Latin-1 (0x80 to 0x9F); 0 marks an unused byte.
constexpr char16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Process files are written on Windows: UTF-8 when they are valid UTF-8, else the
// Windows code page.
QString decodeText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    text.clear();
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        const char16_t high = b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : 0;
        text += QChar(high ? high : char16_t(b));
    }
    return text;
}

QStringList nonEmptyLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text.at(i) != u'\r' && text.at(i) != u'\n')
            continue;
        if (i > start)
            lines << text.mid(start, i - start);
        if (i + 1 < text.size() && text.at(i) == u'\r' && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    return lines;
}

// The value of the leading decimal number, blanks ignored anywhere; 0 without one.
double leadingNumber(const QString &text)
{
    QString digits;
    bool point = false;
    for (const QChar c : text) {
        if (c == u' ' || c == u'\t')
            continue;
        if ((c == u'+' || c == u'-') && digits.isEmpty())
            digits += c;
        else if (c.isDigit() && c.unicode() < 128)
            digits += c;
        else if (c == u'.' && !point)
            point = true, digits += c;
        else
            break;
    }
    bool ok = false;
    const double v = digits.toDouble(&ok);
    return ok ? v : 0.0;
}

} // namespace ProcessFileText

namespace {

// g_TargetFolder as a local path without trailing separators ("/" stays "/").
QString targetFolder()
{
    QString folder = Platform::toLocalPath(g_TargetFolder);
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

} // namespace

PackageProcessor::PackageProcessor(UpdateView *view) : m_view(view ? view : &m_noView) {}

QString PackageProcessor::processFileName(const QString &packageFileName)
{
    return packageFileName.left(std::max<qsizetype>(0, packageFileName.size() - 4)) + QStringLiteral(".INI");
}

bool PackageProcessor::processPackage(const QString &targetFolder, const QString &packageFileName,
                                      UpdateView *view)
{
    g_TargetFolder = targetFolder;
    g_UpdateError = false;
    PackageProcessor(view).ProcessFile(packageFileName);
    return !g_UpdateError;
}

void PackageProcessor::log(const QString &text)
{
    m_log.write(text);
}

bool PackageProcessor::keepForRollback(const QString &path)
{
    if (!m_backup)
        return true;
    const auto kept = m_backup->keep(path);
    if (kept)
        return true;
    runTimeError(75,
                 QStringLiteral("Not changed, as it cannot be kept for a rollback: ") + kept.error().message);
    return false;
}

// Noted before the change, so an interrupted update knows what to take away again.
bool PackageProcessor::noteAdded(const QString &path, bool folder)
{
    if (!m_backup)
        return true;
    const auto noted = folder ? m_backup->addedFolder(path) : m_backup->added(path);
    if (noted)
        return true;
    runTimeError(75, QStringLiteral("Not changed, as it cannot be kept for a rollback: ") +
                         noted.error().message);
    return false;
}

void PackageProcessor::saveBackup(bool last)
{
    if (!m_backup)
        return;
    if (const auto saved = last ? m_backup->commit() : m_backup->save(); !saved) {
        log(QStringLiteral("Backup Error: ") + saved.error().message);
        g_UpdateError = true;
    }
}

void PackageProcessor::ProcessFile(const QString &packageFileName)
{
    m_unzipError = 0;
    m_batchResult = 0;
    m_target = targetFolder();

    // Whatever fails in between, the window is handed back idle below: nothing may
    // escape into the download's completion event and leave the window busy.
    m_backup = std::make_unique<UpdateBackup>(m_target);
    QString step = QStringLiteral("Begin Process File");
    try {
        log(step);
        m_view->ShowBusy();
        m_view->EnableUpdate(false);
        // A folder that an interrupted update left half changed is put right first; an
        // update is only begun once its journal can be written.
        step = QStringLiteral("Update journal");
        auto recovered = UpdateBackup::recoverInterrupted(m_target, [this](const QString &l) { log(l); });
        Result<> begun = recovered ? m_backup->beginJournal() : Result<>(tl::unexpected(recovered.error()));
        if (!begun) {
            m_backup.reset();
            reportOutside(step, begun.error().message);
        } else {
            step = QStringLiteral("Begin Process File");
            Pause(timings().pauseMs);
            unpackAndRun(packageFileName, step);
        }
    } catch (const std::exception &e) {
        reportOutside(step, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportOutside(step, QStringLiteral("unknown error"));
    }

    try {
        saveBackup(true);
        m_backup.reset();
        m_view->ShowNotBusy();
        m_view->EnableUpdate(true);
        log(QStringLiteral("End Process File"));
        m_view->SetStatusLabel(
            QCoreApplication::translate("PackageProcessor", "Update process completed at %1")
                .arg(LogStamp::longTime(QTime::currentTime())));
        if (g_UpdateError)
            modService::ShowLog();
    } catch (...) {
        g_UpdateError = true;
    }
}

void PackageProcessor::unpackAndRun(const QString &packageFileName, QString &step)
{
    const QString written = m_target + u'/' + packageFileName;
    const QString package = m_names.resolvePath(written);
    if (!Platform::FileExists(package)) {
        MsgBox(QCoreApplication::translate("PackageProcessor", "File not found: %1").arg(written),
               MsgIcon::Exclamation, MsgButtons::Ok,
               QCoreApplication::translate("PackageProcessor", "Process File"));
        log(QStringLiteral("File not found: ") + written);
        g_UpdateError = true;
        return;
    }

    Pause(timings().pauseShortMs);
    m_view->SetStatusText(QCoreApplication::translate("PackageProcessor", "Unzipping"));
    step = QStringLiteral("UnZIP: ") + package;
    log(step);
    const auto unzipped = Zip::UnzipPackage(package, m_target, m_backup.get());
    m_names = NameIndex(); // the folders have changed
    if (!unzipped) {
        m_unzipError = unzipped.error().code;
        const QString number = QString::number(m_unzipError);
        m_view->SetStatusLabel(
            QCoreApplication::translate("PackageProcessor", "Error during UnZip: %1").arg(number));
        log(QStringLiteral("Error during UnZip: ") + number + QStringLiteral(" (") + package + u')');
        log(QStringLiteral("UnZIP: ") + unzipped.error().message);
        QString text = QCoreApplication::translate("PackageProcessor", "Error Number: %1  (%2)\n%3")
                           .arg(number, package, unzipped.error().message);
        // A package that can never unpack goes, as a failed download does; one that
        // failed for want of room or rights here is kept for another attempt.
        if (Zip::packageAtFault(m_unzipError)) {
            const auto deleted = modFileCopy::DeleteFile(package);
            log(deleted ? QStringLiteral("Delete ") + package +
                              QStringLiteral(" (damaged or unsafe: nothing unpacked)")
                        : QStringLiteral("UnZIP: the damaged package could not be deleted: ") +
                              deleted.error().message);
            if (deleted)
                text += u'\n' + QCoreApplication::translate(
                                    "PackageProcessor", "The package is damaged or unsafe and was deleted.");
        } else {
            log(QStringLiteral("UnZIP: the package is kept: ") + package);
        }
        MsgBox(text, MsgIcon::Exclamation, MsgButtons::Ok,
               QCoreApplication::translate("PackageProcessor", "Error During UnZIP"));
        g_UpdateError = true;
        return;
    }

    m_view->SetStatusLabel(package);
    step = QStringLiteral("Delete ") + package;
    log(step);
    if (const auto kept = m_backup ? m_backup->keepPackage(package) : Result<>(); !kept) {
        reportOutside(step, kept.error().message);
        return;
    }
    if (const auto deleted = modFileCopy::DeleteFile(package); !deleted) {
        reportOutside(step, QString::number(deleted.error().code) + QStringLiteral(" -- ") +
                                deleted.error().message);
        return;
    }

    saveBackup();
    const QString processFile = m_names.resolvePath(m_target + u'/' + processFileName(packageFileName));
    if (Platform::FileExists(processFile)) {
        step = QStringLiteral("Process file: ") + processFile;
        log(step);
        m_batchResult = RunBatchIni(processFile);
    } else {
        log(QStringLiteral("Process file not found: ") + processFile);
    }
}

// A failure outside the interpreter: told to the user and logged, never silent.
void PackageProcessor::reportOutside(const QString &step, const QString &description)
{
    log(QStringLiteral("Process File Error: ") + step + QStringLiteral(" - ") + description);
    MsgBox(QCoreApplication::translate("PackageProcessor", "Process File Error\n\nStep: %1\nDescription: %2")
               .arg(step, description),
           MsgIcon::Critical, MsgButtons::Ok,
           QCoreApplication::translate("PackageProcessor", "Process File"));
    g_UpdateError = true;
}

short PackageProcessor::RunBatchIni(const QString &file)
{
    if (m_target.isEmpty())
        m_target = targetFolder();
    for (const auto &[title, name] :
         {std::pair{QStringLiteral("Carvell"), QStringLiteral("Carvell")},
          std::pair{QStringLiteral("Dunmore Service Management System"), QStringLiteral("Dunmore")}}) {
        if (!IsWindowOpen(title))
            continue;
        const QString text = QStringLiteral("Batch process terminated.  Running instance of ") + name +
                             QStringLiteral(" detected");
        log(text);
        MsgBox(QCoreApplication::translate(
                   "PackageProcessor",
                   "Batch process terminated.  Running instance of %1 detected. Please close %1 "
                   "and start again.")
                   .arg(name),
               MsgIcon::Exclamation, MsgButtons::Ok, AppInfo::updaterTitle());
        return SiblingRunning;
    }
    if (!Platform::FileExists(file)) {
        log(QStringLiteral("Batch process terminated.  File not found: ") + file);
        return NotFound;
    }

    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        log(QStringLiteral("Batch process terminated.  The process file cannot be read: ") + file +
            QStringLiteral(" (") + in.errorString() + u')');
        g_UpdateError = true;
        return Unreadable;
    }
    const QStringList lines = nonEmptyLines(decodeText(in.readAll()));
    in.close();

    m_from.clear();
    m_to.clear();
    for (const QString &line : lines) {
        try {
            runLine(line);
        } catch (const std::exception &e) {
            runTimeError(0, QString::fromLocal8Bit(e.what()));
        }
        saveBackup(); // a killed updater still leaves what it did on record
    }

    log(QStringLiteral("Delete: ") + file);
    if (const auto deleted = modFileCopy::DeleteFile(file); !deleted)
        runTimeError(deleted.error().code, deleted.error().message);
    return Completed;
}

void PackageProcessor::runTimeError(int number, const QString &description)
{
    log(QStringLiteral("File Update Error:     - ") + m_from + QStringLiteral("\n     - ") + m_to +
        QStringLiteral("\n     - ") + QString::number(number) + QStringLiteral(" -- ") + description);
    g_UpdateError = true;
}

void PackageProcessor::runLine(const QString &line)
{
    if (line.startsWith(u'-'))
        return;
    const QStringList fields = line.split(u'|');
    if (fields.size() < 3) {
        // Never run with the paths of the line before.
        m_from.clear();
        m_to.clear();
        runTimeError(9, QStringLiteral("Subscript out of range: the line \"") + line +
                            QStringLiteral("\" has fewer than three fields and is skipped"));
        return;
    }
    m_code = fields.at(0);
    const modPaths::Resolved from = modPaths::FromPath(m_target, fields.at(1), m_names);
    const modPaths::Resolved to = modPaths::ToPath(m_target, fields.at(2), m_names);
    if (!from.ok() || !to.ok()) {
        // Nothing outside the program folder, except where an absolute To names it.
        m_from.clear();
        m_to.clear();
        log(QStringLiteral("File Update Error: Line refused, ") + (from.ok() ? to.refusal : from.refusal) +
            QStringLiteral(": ") + line);
        g_UpdateError = true;
        return;
    }
    m_from = from.path;
    m_to = to.path;
    log(QStringLiteral("From: ") + m_from);
    log(QStringLiteral("To: ") + m_to);

    const double code = leadingNumber(m_code);
    if (code == 0)
        folderCopy();
    else if (code == 1)
        fileCopy();
    else if (code == 3)
        deleteFiles();
    else if (code == 4)
        registerComponent(false);
    else if (code == 5) {
        log(QStringLiteral("Show File: ") + m_from);
        modService::ShellOpen(m_from);
    } else if (code == 6)
        registerComponent(true);
    else {
        log(QStringLiteral("File Update Error: Unable to process command: ") + m_code +
            QStringLiteral(" - ") + m_from + QStringLiteral(" - ") + m_to);
        g_UpdateError = true;
    }
}

void PackageProcessor::folderCopy()
{
    QString pattern = QStringLiteral("*.*");
    if (m_backup && !modFileCopy::FolderExists(m_to))
        if (!noteAdded(m_to, true)) // before its files, so a rollback empties it first
            return;
    modFileCopy::BulkCopy(m_from + u'/', m_to + u'/', pattern,
                          [this](const QString &from, const QString &to) {
                              if (!modPaths::staysInside(m_target, from))
                                  return false; // a link in the folder that leads out of it
                              const bool existed = QFileInfo::exists(to);
                              if (!keepForRollback(to))
                                  return false;
                              return existed || noteAdded(to, false);
                          });
    m_names.forget(m_to);
    log(QStringLiteral("Bulk Copy ") + m_from + QStringLiteral(" to ") + m_to);
}

void PackageProcessor::fileCopy()
{
    const QString folder = FolderOfPath(m_to);
    log(QStringLiteral("Check for folder:") + folder);
    if (!modFileCopy::FolderExists(folder)) {
        log(QStringLiteral("Create Folder: ") + folder);
        QStringList missing; // outermost first, as they are made
        for (QString level = folder; !level.isEmpty() && !QFileInfo::exists(level);
             level = FolderOfPath(level))
            missing.prepend(level);
        for (const QString &level : std::as_const(missing))
            if (m_backup && !noteAdded(level, true))
                return;
        modFileCopy::CreateFolderPath(folder);
    }
    log(QStringLiteral("File Copy: ") + m_from + QStringLiteral(" to ") + m_to);
    const bool existed = QFileInfo::exists(m_to);
    if (!keepForRollback(m_to))
        return;
    if (m_backup && !existed && !noteAdded(m_to, false))
        return;
    if (const auto copied = modFileCopy::CopyFileReplace(m_from, m_to); !copied)
        runTimeError(copied.error().code, copied.error().message);
    DoEvents();
}

void PackageProcessor::deleteFiles()
{
    log(QStringLiteral("Check Delete: ") + m_from);
    QStringList doomed;
    const QString folder = FolderOfPath(m_from);
    const QString leaf = m_from.mid(folder.size() + 1);
    if (modPaths::hasWildcard(leaf)) {
        const QStringList names = QDir(folder.isEmpty() ? QStringLiteral("/") : folder)
                                      .entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString &name : names)
            if (modFileCopy::MatchesPattern(name, leaf))
                doomed << folder + u'/' + name;
    } else if (Platform::FileExists(m_from)) {
        doomed << m_from;
    }
    if (doomed.isEmpty())
        return;
    log(QStringLiteral("Delete: ") + m_from);
    Error first;
    for (const QString &path : doomed) {
        if (!keepForRollback(path))
            continue;
        if (const auto deleted = modFileCopy::DeleteFile(path); !deleted && first.code == 0)
            first = deleted.error();
    }
    m_names.forget(folder);
    if (first.code != 0)
        runTimeError(first.code, first.message);
}

void PackageProcessor::registerComponent(bool quiet)
{
    const QString kind = quiet ? QStringLiteral("Quiet Register: ") : QStringLiteral("Register: ");
    log(QStringLiteral("Check ") + kind + m_to);
    const QString extension = m_to.right(4).toUpper();
    if (extension != QStringLiteral(".DLL") && extension != QStringLiteral(".OCX"))
        return;
    Pause(timings().pauseLongMs);
    DoEvents();
    log(kind + m_to);
    if (modService::RegisterObject(m_to, quiet)) {
        log(QStringLiteral("Failed to register DLL: ") + m_to);
        g_UpdateError = true;
    }
    DoEvents();
}
