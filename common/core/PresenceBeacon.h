// SPDX-License-Identifier: MIT
#pragma once

#include "PosixHandles.h"

#include <QString>

// A running program announces its title by holding an advisory lock on
// <runtime folder>/vantelo/<title>.lock for its whole life; the kernel drops the
// lock when the process ends, however it ends.
//
// The runtime folder is $XDG_RUNTIME_DIR; without it (as under sudo) the user's
// /run/user/<uid>, the invoking user's when SUDO_UID is set; without that the private
// folder /tmp/vantelo-<uid>, made 0700 and refused when another user owns it.
class PresenceBeacon final {
public:
    explicit PresenceBeacon(const QString &title);
    ~PresenceBeacon();
    PresenceBeacon(const PresenceBeacon &) = delete;
    PresenceBeacon &operator=(const PresenceBeacon &) = delete;

    bool held() const { return bool(m_fd); }

    static QString lockPath(const QString &title); // "" when no safe folder is found

    // Where the beacons live, from the given facts; "" when refused. With `create`,
    // the private fallback folder is made when missing.
    struct Places {
        QString runtimeDir; // $XDG_RUNTIME_DIR
        QString sudoUid;    // $SUDO_UID
        unsigned uid = 0;   // the process's own user
        QString runUser = QStringLiteral("/run/user");
        QString tmp = QStringLiteral("/tmp");
    };
    static QString lockFolder(const Places &places, bool create);

private:
    UniqueFd m_fd;
};

// True while some process holds the beacon of that exact title.
bool IsWindowOpen(const QString &title);
