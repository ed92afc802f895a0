// SPDX-License-Identifier: MIT
#include "clsRegisterAnyDLL.h"

#include "clsWinDir.h"
#include "common/core/Platform.h"
#include "common/core/Timings.h"
#include "common/core/UiServices.h"
#include "modServicePause.h"

#include <QFile>
#include <QFileInfo>

#include <exception>

namespace {

QString withSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

// A normal file of that name in the folder, spelled in any letter case.
QString fileIn(const QString &folder, const QString &name)
{
    if (folder.isEmpty() || folder == QStringLiteral("/"))
        return {};
    const QString found = Platform::findPathNoCase(withSlash(folder) + name);
    return Platform::FileExists(found) ? found : QString();
}

bool isNativeProgram(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(4);
    return head.startsWith("#!") || head == QByteArray("\x7f"
                                                       "ELF");
}

} // namespace

QString clsRegisterAnyDLL::GetShortName(const QString &longFileName)
{
    return clsWinDir::ShortPathOf(longFileName);
}

void clsRegisterAnyDLL::commandFor(const QString &tool, const QString &target, bool quiet, QString *program,
                                   QStringList *arguments)
{
    arguments->clear();
    if (isNativeProgram(tool)) {
        *program = tool;
    } else {
        *program = QStringLiteral("wine");
        *arguments << tool;
    }
    if (quiet)
        *arguments << QStringLiteral("/s");
    if (*program == QStringLiteral("wine"))
        *arguments << QStringLiteral("Z:") + QString(target).replace(u'/', u'\\');
    else
        *arguments << target;
}

void clsRegisterAnyDLL::RegisterDLL(bool blnQuiet)
{
    m_result = Started;
    try {
        locateAndStart(blnQuiet);
    } catch (const std::exception &) {
        m_result = RunTimeError;
    }
}

void clsRegisterAnyDLL::locateAndStart(bool quiet)
{
    if (m_dllName.trimmed().isEmpty()) {
        m_result = NameEmpty;
        return;
    }
    const QString appFolder = withSlash(Platform::programFolder());
    const QString sysFolder = clsWinDir().SystemDirectory();

    QString tool = fileIn(appFolder, toolName());
    if (tool.isEmpty())
        tool = fileIn(sysFolder, toolName());
    if (tool.isEmpty()) {
        m_result = ToolNotFound;
        return;
    }

    // The stored name, untrimmed, as the tool will be given it.
    QString target;
    if (!m_dllName.contains(u'/') && !m_dllName.contains(u'\\')) {
        target = fileIn(appFolder, m_dllName);
        if (target.isEmpty())
            target = fileIn(sysFolder, m_dllName);
        if (target.isEmpty()) {
            m_result = ComponentNotFound;
            return;
        }
    } else {
        target = Platform::findPathNoCase(Platform::toLocalPath(m_dllName));
        if (!Platform::FileExists(target)) {
            m_result = PathNotFound;
            return;
        }
    }

    QString program;
    QStringList arguments;
    commandFor(GetShortName(tool), GetShortName(QFileInfo(target).absoluteFilePath()), quiet, &program,
               &arguments);
    if (!ui().startProcess(program, arguments, {})) {
        m_result = NotStarted;
        return;
    }
    modService::Pause(timings().registrarWaitMs);
    modService::DoEvents();
}
