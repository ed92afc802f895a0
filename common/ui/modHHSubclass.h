// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class HTMLHelp;

// The one help entry of both programs.
namespace modHHSubclass {

// Each main window names its help file at start-up.
void setApplicationHelpFile(const QString &path);
QString applicationHelpFile();

// Opens the application's help file at the topic, in its "Main" window type.
void ShowHelpTopic(int topicId);

// The program's shared instance, made on first use and kept to the end.
HTMLHelp &sharedHelp();

} // namespace modHHSubclass
