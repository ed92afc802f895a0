// SPDX-License-Identifier: MIT
#include "HTMLHelp.h"

#include "common/core/HtmlHelpEngine.h"
#include "common/core/Platform.h"
#include "common/core/UiServices.h"

#include <QCoreApplication>

namespace {

int s_instances = 0;

void classMessage(const QString &text)
{
    MsgBox(text, MsgIcon::Exclamation, MsgButtons::Ok,
           QCoreApplication::translate("HTMLHelp", "HTML Help Class"));
}

} // namespace

HTMLHelp::HTMLHelp()
{
    ++s_instances;
}

int HTMLHelp::instancesCreated()
{
    return s_instances;
}

bool HTMLHelp::EnsureFileExists() const
{
    if (Platform::FileExists(Platform::toLocalPath(m_chmFile)))
        return true;
    classMessage(QCoreApplication::translate("HTMLHelp", "The file %1 does not exist.\n"
                                                         "Please make sure the correct path and file name "
                                                         "have been specified.")
                     .arg(m_chmFile));
    return false;
}

void HTMLHelp::HHDisplayTopicID(const QWidget *caller)
{
    if (m_chmFile.right(3).compare(QStringLiteral("chm"), Qt::CaseInsensitive) != 0) {
        classMessage(
            QCoreApplication::translate("HTMLHelp", "%1 is not a valid HTML Help file.").arg(m_chmFile));
        return;
    }
    if (!EnsureFileExists())
        return;
    const std::uintptr_t owner = m_showOnTop ? reinterpret_cast<std::uintptr_t>(caller) : 0;
    const QString target = m_window.trimmed().isEmpty() ? m_chmFile : m_chmFile + u'>' + m_window;
    m_wndHandle = HtmlHelpEngine::HtmlHelpA(owner, target, HtmlHelpEngine::HH_HELP_CONTEXT,
                                            std::uintptr_t(std::uint32_t(m_topicId)));
    if (m_wndHandle == 0)
        classMessage(QCoreApplication::translate("HTMLHelp",
                                                 "The help file %1 could not be shown: no program to "
                                                 "show it was found.\nPlease install a viewer for HTML "
                                                 "Help (.chm) files, such as xCHM.")
                         .arg(m_chmFile));
}
