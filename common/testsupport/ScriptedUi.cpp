// SPDX-License-Identifier: MIT
#include "ScriptedUi.h"

namespace {

MsgAnswer firstAnswerOf(MsgButtons b)
{
    switch (b) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel: return MsgAnswer::Ok;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel: return MsgAnswer::Yes;
    case MsgButtons::RetryCancel: return MsgAnswer::Retry;
    case MsgButtons::AbortRetryIgnore: return MsgAnswer::Abort;
    }
    return MsgAnswer::Ok;
}

template <typename T> T take(std::deque<T> &queue, T fallback)
{
    // Assigned into the fallback: GCC 12 at -O2 takes a fresh copy of an optional<FontChoice>
    // for uninitialised (a false -Wmaybe-uninitialized).
    if (!queue.empty()) {
        fallback = std::move(queue.front());
        queue.pop_front();
    }
    return fallback;
}

class ScriptedProgress final : public Progress {
public:
    explicit ScriptedProgress(ScriptedUi &ui) : m_ui(ui) {}
    bool update(long long done, long long total) override
    {
        m_ui.progressSteps.append({done, total});
        return !(m_ui.stopProgressAt && done >= *m_ui.stopProgressAt);
    }

private:
    ScriptedUi &m_ui;
};

} // namespace

ScriptedUi::ScriptedUi()
{
    setUi(this);
}

ScriptedUi::~ScriptedUi()
{
    setUi(nullptr);
}

QList<ScriptedUi::Call> ScriptedUi::callsOf(const QString &kind) const
{
    QList<Call> out;
    for (const Call &c : calls)
        if (c.kind == kind)
            out << c;
    return out;
}

void ScriptedUi::record(const Call &c)
{
    calls << c;
    if (onCall)
        onCall(c);
}

MsgAnswer ScriptedUi::messageBox(const MessageBoxRequest &r)
{
    record({QStringLiteral("message"), r.title, r.text, r.icon, r.buttons, {}, r.helpButton, r.helpTopic});
    return take(answers, firstAnswerOf(r.buttons));
}

QString ScriptedUi::openFile(const FileDialogRequest &r)
{
    lastFileRequest = r;
    record({QStringLiteral("openFile"), r.title, r.initialFolder, MsgIcon::None, MsgButtons::Ok, r.filters,
            false, 0});
    return take(files, QString());
}

QString ScriptedUi::saveFile(const FileDialogRequest &r)
{
    lastFileRequest = r;
    record({QStringLiteral("saveFile"), r.title, r.initialFolder, MsgIcon::None, MsgButtons::Ok, r.filters,
            false, 0});
    return take(files, QString());
}

QString ScriptedUi::browseForFolder(const QString &title, const QString &startFolder)
{
    record({QStringLiteral("folder"), title, startFolder, MsgIcon::None, MsgButtons::Ok, {}, false, 0});
    return take(folders, QString());
}

std::optional<unsigned> ScriptedUi::chooseColor(unsigned initial)
{
    record(
        {QStringLiteral("color"), {}, QString::number(initial), MsgIcon::None, MsgButtons::Ok, {}, false, 0});
    return take(colors, std::optional<unsigned>());
}

std::optional<FontChoice> ScriptedUi::chooseFont(const FontChoice &initial)
{
    record({QStringLiteral("font"), {}, initial.family, MsgIcon::None, MsgButtons::Ok, {}, false, 0});
    return take(fonts, std::optional<FontChoice>());
}

bool ScriptedUi::openDocument(const QString &path)
{
    record({QStringLiteral("open"), {}, path, MsgIcon::None, MsgButtons::Ok, {}, false, 0});
    return openDocumentResult;
}

QString ScriptedUi::chooseProgram(const QString &document)
{
    record({QStringLiteral("chooseProgram"), {}, document, MsgIcon::None, MsgButtons::Ok, {}, false, 0});
    return take(programs, QString());
}

bool ScriptedUi::startProcess(const QString &program, const QStringList &arguments,
                              const QString &workingFolder)
{
    record({QStringLiteral("start"), workingFolder, program, MsgIcon::None, MsgButtons::Ok, arguments, false,
            0});
    if (!runProcesses)
        return true;
    return QProcess::startDetached(program, arguments, workingFolder);
}

std::unique_ptr<Progress> ScriptedUi::progress(const ProgressRequest &r)
{
    record({QStringLiteral("progress"),
            r.title,
            r.text,
            MsgIcon::None,
            MsgButtons::Ok,
            {r.cancelText},
            false,
            0});
    return std::make_unique<ScriptedProgress>(*this);
}

std::optional<QList<int>> ScriptedUi::showTable(const TableRequest &request)
{
    QStringList arguments = request.headings;
    for (const QStringList &row : request.rows)
        arguments << row.join(u'|');
    lastTable = request;
    record({QStringLiteral("table"), request.title, request.text, MsgIcon::None, MsgButtons::Ok, arguments,
            false, 0});
    return take(tableChoices, std::optional<QList<int>>());
}
