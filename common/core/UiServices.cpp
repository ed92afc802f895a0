// SPDX-License-Identifier: MIT
#include "UiServices.h"

#include <QDebug>

namespace {

// Until a program installs its seam nothing can be shown; say so on stderr rather than crash.
class NullUi final : public NoDialogsUi {
public:
    MsgAnswer messageBox(const MessageBoxRequest &r) override
    {
        qWarning().noquote() << r.title << ":" << r.text;
        return MsgAnswer::Cancel;
    }
};

NullUi g_nullUi;
UiServices *g_ui = &g_nullUi;

} // namespace

UiServices &ui()
{
    return *g_ui;
}

void setUi(UiServices *services)
{
    g_ui = services ? services : &g_nullUi;
}

QString quotableText(const QString &text)
{
    // A box quoting a long value (a memo, a statement carrying one) grows past the screen and
    // hides its buttons; the log keeps the whole text. A line of a sentence that names a file
    // stays whole.
    constexpr qsizetype kLineChars = 400;
    constexpr qsizetype kLines = 30;
    const QString ellipsis(QChar(0x2026));
    QStringList lines = text.split(u'\n');
    // Cut once: a text cut before keeps its lines (the seam cuts again what MsgBox cut).
    const bool cutBefore = lines.size() == kLines + 1 && lines.constLast() == ellipsis;
    if (lines.size() > kLines && !cutBefore) {
        lines.resize(kLines);
        lines.append(ellipsis);
    }
    for (QString &line : lines) {
        const bool crlf = line.endsWith(u'\r');
        if (line.size() - (crlf ? 1 : 0) <= kLineChars)
            continue;
        qsizetype cut = kLineChars;
        if (line.at(cut - 1).isHighSurrogate())
            --cut;
        line = line.left(cut) + ellipsis + (crlf ? QStringLiteral("\r") : QString());
    }
    return lines.join(u'\n');
}

MsgAnswer MsgBox(const QString &text, MsgIcon icon, MsgButtons buttons, const QString &title)
{
    MessageBoxRequest r;
    r.text = quotableText(text);
    r.icon = icon;
    r.buttons = buttons;
    r.title = title;
    return ui().messageBox(r);
}
