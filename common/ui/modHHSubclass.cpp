// SPDX-License-Identifier: MIT
#include "modHHSubclass.h"

#include "HTMLHelp.h"

namespace modHHSubclass {

namespace {
QString &helpFile()
{
    static QString s_file;
    return s_file;
}
} // namespace

void setApplicationHelpFile(const QString &path)
{
    helpFile() = path;
}

QString applicationHelpFile()
{
    return helpFile();
}

HTMLHelp &sharedHelp()
{
    static HTMLHelp s_help;
    return s_help;
}

void ShowHelpTopic(int topicId)
{
    HTMLHelp &help = sharedHelp();
    help.setCHMFile(applicationHelpFile());
    help.setHHTopicID(topicId);
    help.setHHWindow(QStringLiteral("Main"));
    help.HHDisplayTopicID();
}

} // namespace modHHSubclass
