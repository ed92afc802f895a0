#pragma once

#include <QString>

// A running program announces its title by holding an advisory lock on
// $XDG_RUNTIME_DIR/vantelo/<title>.lock for its whole life; the kernel drops the
// lock when the process ends, however it ends.
class PresenceBeacon final {
public:
    explicit PresenceBeacon(const QString &title);
    ~PresenceBeacon();
    PresenceBeacon(const PresenceBeacon &) = delete;
    PresenceBeacon &operator=(const PresenceBeacon &) = delete;

    bool held() const { return m_fd >= 0; }

    static QString lockPath(const QString &title);

private:
    int m_fd = -1;
};

// True while some process holds the beacon of that exact title.
bool IsWindowOpen(const QString &title);
