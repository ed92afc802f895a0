// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/UiServices.h"

// The user seam for the fuzz targets: no window ever opens; every message box is counted
// and its text kept, so a target can tell a refusal or a failure report from success.
class FuzzUi final : public NoDialogsUi {
public:
    int boxes = 0;
    QString lastText;
    QString lastTitle;

    FuzzUi() { setUi(this); }
    ~FuzzUi() override { setUi(nullptr); }
    FuzzUi(const FuzzUi &) = delete;
    FuzzUi &operator=(const FuzzUi &) = delete;

    void reset()
    {
        boxes = 0;
        lastText.clear();
        lastTitle.clear();
    }

    MsgAnswer messageBox(const MessageBoxRequest &r) override
    {
        ++boxes;
        lastText = r.text;
        lastTitle = r.title;
        return r.buttons == MsgButtons::YesNo || r.buttons == MsgButtons::YesNoCancel ? MsgAnswer::No
                                                                                      : MsgAnswer::Ok;
    }
};
