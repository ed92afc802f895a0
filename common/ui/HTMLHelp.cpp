// SPDX-License-Identifier: MIT
#include "HTMLHelp.h"

#include "HtmlHelpEngine.h"
#include "Platform.h"
#include "UiServices.h"

namespace {

int s_instances = 0;

void classMessage(const QString &text)
{
    MsgBox(text, MsgIcon::Exclamation, MsgButtons::Ok, QStringLiteral("HTML Help Class"));
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
    classMessage(QStringLiteral("The file ") + m_chmFile + QStringLiteral(" does not exist.") + u'\n' +
                 QStringLiteral("Please make sure the correct path and file name have been specified."));
    return false;
}

void HTMLHelp::HHDisplayTopicID(const QWidget *caller)
{
    if (m_chmFile.right(3).compare(QStringLiteral("chm"), Qt::CaseInsensitive) != 0) {
        classMessage(m_chmFile + QStringLiteral(" is not a valid HTML Help file."));
        return;
    }
    if (!EnsureFileExists())
        return;
    const std::uintptr_t owner = m_showOnTop ? reinterpret_cast<std::uintptr_t>(caller) : 0;
    const QString target = m_window.trimmed().isEmpty() ? m_chmFile : m_chmFile + u'>' + m_window;
    m_wndHandle = HtmlHelpEngine::HtmlHelpA(owner, target, HtmlHelpEngine::HH_HELP_CONTEXT,
                                            std::uintptr_t(std::uint32_t(m_topicId)));
    if (m_wndHandle == 0)
        classMessage(QStringLiteral("The help file ") + m_chmFile +
                     QStringLiteral(" could not be shown: no program to show it was found.") + u'\n' +
                     QStringLiteral("Please install a viewer for HTML Help (.chm) files, such as xCHM."));
}
