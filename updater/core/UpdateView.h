// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// What package processing shows in the updater's window while it runs. The window
// implements it; tests and the benchmark may pass none, and every call is then dropped.
class UpdateView {
public:
    virtual ~UpdateView() = default;

    virtual void ShowBusy() {}
    virtual void ShowNotBusy() {}
    virtual void EnableUpdate(bool /*enabled*/) {}           // cmdUpdate
    virtual void SetStatusText(const QString & /*text*/) {}  // status bar, first panel
    virtual void SetStatusLabel(const QString & /*text*/) {} // lblStatus
};
