// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// Everything that talks to the user or hands work to the desktop goes through this
// one seam: message boxes, file/folder/colour/font dialogs, opening documents and
// starting programs. Production uses Qt; tests install a scripted implementation.

enum class MsgIcon { None, Information, Exclamation, Critical, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

struct MessageBoxRequest {
    QString text;
    QString title;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    int defaultButton = 0; // index into the buttons, left to right
    bool helpButton = false;
    int helpTopic = 0; // opened in the application's help file when Help is pressed
};

struct FileDialogRequest {
    QString title;
    QString initialFolder;
    QString initialFile;
    QStringList filters; // Qt form: "Text Files (*.txt)"
    int filterIndex = 0;
};

struct ProgressRequest {
    QString title;
    QString text;
    QString cancelText; // the stop button's text; "" for a task that cannot be stopped
    int quietMs = 0;    // a task that ends sooner shows nothing
};

// A long task's progress display; it closes when destroyed.
class Progress {
public:
    virtual ~Progress() = default;
    // How far the task is; false once the user asked to stop it.
    virtual bool update(long long done, long long total) = 0;
};

// Rows shown in a table, for reading or for choosing some of them.
struct TableRequest {
    QString title;
    QString text;
    QStringList headings;
    QList<QStringList> rows;
    QString acceptText; // the button that takes the selected rows; "" for a table only read
};

struct FontChoice {
    QString family;
    double pointSize = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

class UiServices {
public:
    virtual ~UiServices() = default;

    virtual MsgAnswer messageBox(const MessageBoxRequest &request) = 0;
    // An existing file's path, or "" when cancelled.
    virtual QString openFile(const FileDialogRequest &request) = 0;
    // A file's path to write (an existing file's only once the user agreed to replace it), or
    // "" when cancelled.
    virtual QString saveFile(const FileDialogRequest &request) = 0;
    // A folder's path ("/" for the root), or "" when cancelled.
    virtual QString browseForFolder(const QString &title, const QString &startFolder) = 0;
    // Colours are 0x00BBGGRR numbers, as stored by the programs; nullopt when cancelled.
    virtual std::optional<unsigned> chooseColor(unsigned initial) = 0;
    virtual std::optional<FontChoice> chooseFont(const FontChoice &initial) = 0;
    // Opens a document with the desktop's associated program; false when there is none.
    virtual bool openDocument(const QString &path) = 0;
    // Lets the user choose a program to open the document with, among the system's
    // programs; its path, or "" when cancelled. Nothing is remembered.
    virtual QString chooseProgram(const QString &document) = 0;
    // Starts a program detached, with an argument list (never a shell).
    virtual bool startProcess(const QString &program, const QStringList &arguments,
                              const QString &workingFolder = {}) = 0;
    // Shows how a long task goes on the user's thread, and lets the user stop it.
    virtual std::unique_ptr<Progress> progress(const ProgressRequest &request) = 0;
    // Shows the table; the rows selected when the accept button was pressed (indexes into
    // request.rows), nullopt when it was closed.
    virtual std::optional<QList<int>> showTable(const TableRequest &request) = 0;
};

// Progress that nobody sees and that never stops the task.
class SilentProgress final : public Progress {
public:
    bool update(long long, long long) override { return true; }
};

// Where no window can open: every dialog is cancelled and nothing is started; a long task
// runs to its end unseen. Message boxes are left to the subclass.
class NoDialogsUi : public UiServices {
public:
    QString openFile(const FileDialogRequest &) override { return {}; }
    QString saveFile(const FileDialogRequest &) override { return {}; }
    QString browseForFolder(const QString &, const QString &) override { return {}; }
    std::optional<unsigned> chooseColor(unsigned) override { return std::nullopt; }
    std::optional<FontChoice> chooseFont(const FontChoice &) override { return std::nullopt; }
    bool openDocument(const QString &) override { return false; }
    QString chooseProgram(const QString &) override { return {}; }
    bool startProcess(const QString &, const QStringList &, const QString &) override { return false; }
    std::unique_ptr<Progress> progress(const ProgressRequest &) override
    {
        return std::make_unique<SilentProgress>();
    }
    std::optional<QList<int>> showTable(const TableRequest &) override { return std::nullopt; }
};

// The installed implementation. Programs install the Qt one at start, tests a scripted one.
UiServices &ui();
void setUi(UiServices *services); // not owned; nullptr restores the default

// The text as a message box shows it: a line longer than 400 characters is cut there with
// "…", and a text of more than 30 lines ends with a line "…".
QString quotableText(const QString &text);

// Short forms for the common boxes; the text is shown as quotableText() gives it.
MsgAnswer MsgBox(const QString &text, MsgIcon icon, MsgButtons buttons, const QString &title);
