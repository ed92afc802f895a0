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

MsgAnswer MsgBox(const QString &text, MsgIcon icon, MsgButtons buttons, const QString &title)
{
    MessageBoxRequest r;
    r.text = text;
    r.icon = icon;
    r.buttons = buttons;
    r.title = title;
    return ui().messageBox(r);
}
