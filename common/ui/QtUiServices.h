// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/UiServices.h"

// The production seam: Qt's message boxes and dialogs, the desktop's document
// service and detached processes.
class QtUiServices final : public UiServices {
public:
    MsgAnswer messageBox(const MessageBoxRequest &request) override;
    QString openFile(const FileDialogRequest &request) override;
    QString saveFile(const FileDialogRequest &request) override;
    QString browseForFolder(const QString &title, const QString &startFolder) override;
    std::optional<unsigned> chooseColor(unsigned initial) override;
    std::optional<FontChoice> chooseFont(const FontChoice &initial) override;
    bool openDocument(const QString &path) override;
    QString chooseProgram(const QString &document) override;
    bool startProcess(const QString &program, const QStringList &arguments,
                      const QString &workingFolder) override;
    std::unique_ptr<Progress> progress(const ProgressRequest &request) override;
    std::optional<QList<int>> showTable(const TableRequest &request) override;
};
