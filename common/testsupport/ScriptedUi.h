// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/UiServices.h"

#include <QProcess>

#include <deque>
#include <functional>
#include <optional>
#include <utility>

// The seam as tests drive it: every call is recorded, answers come from queues.
// An empty queue gives the first button / a cancelled dialog, so a forgotten answer
// never blocks a test.
class ScriptedUi final : public UiServices {
public:
    struct Call {
        QString kind; // "message", "openFile", "saveFile" (answered from `files` too), "folder", "color",
                      // "font", "open", "chooseProgram", "start", "progress" (arguments: the stop button's
                      // text), "table" (arguments: the headings, then each row's cells joined by "|")
        QString title;
        QString text; // message text, or the path / program
        MsgIcon icon = MsgIcon::None;
        MsgButtons buttons = MsgButtons::Ok;
        QStringList arguments;
        bool helpButton = false;
        int helpTopic = 0;
    };

    ScriptedUi();           // installs itself
    ~ScriptedUi() override; // restores the default seam

    std::deque<MsgAnswer> answers;
    std::deque<QString> files;
    std::deque<QString> folders;
    std::deque<std::optional<unsigned>> colors;
    std::deque<std::optional<FontChoice>> fonts;
    bool openDocumentResult = true;
    std::deque<QString> programs; // answers of chooseProgram
    // Answers of showTable (the rows chosen); an empty queue closes the table.
    std::deque<std::optional<QList<int>>> tableChoices;
    // The whole request of the latest showTable.
    TableRequest lastTable;
    bool runProcesses = true; // start programs for real (tests check their effects)
    // A progress display asks the task to stop at its first step at or past this one.
    std::optional<long long> stopProgressAt;
    // Every step shown by any progress display: (done, total).
    QList<std::pair<long long, long long>> progressSteps;

    // Called on every call after it was recorded, while the "dialog" is up.
    std::function<void(const Call &)> onCall;

    QList<Call> calls;
    FileDialogRequest lastFileRequest; // the whole request of the latest openFile or saveFile
    QList<Call> callsOf(const QString &kind) const;
    QList<Call> messages() const { return callsOf(QStringLiteral("message")); }
    void clear() { calls.clear(); }

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

private:
    void record(const Call &c);
};
