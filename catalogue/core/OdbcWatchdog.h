// SPDX-License-Identifier: MIT
#pragma once

#include "DbError.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include <sys/types.h>

// Bounds the driver's calls on one connection. A server that is stopped (not gone) keeps its
// sockets open and its kernel acknowledges everything, so neither the driver's time-outs nor
// keep-alives end a call waiting for its answer, and a cancel request waits for it too. After
// the bound without a byte from the server, the watchdog shuts the connection's socket down
// from its own thread: the call then fails at once and the connection is lost.
class OdbcWatchdog final {
public:
    // How long a call may go without an answer; also the log-in time-out. Tests shorten it.
    static std::chrono::milliseconds bound();
    static void setBound(std::chrono::milliseconds bound);

    // The sockets this process has open, by inode: taken before the connection is opened,
    // so that the one the driver opened is the one that is new afterwards.
    static std::set<ino_t> sockets();

    // Watches the one stream socket opened since `before`; with none or several (a driver
    // without sockets, another thread's) it watches nothing.
    explicit OdbcWatchdog(const std::set<ino_t> &before);
    ~OdbcWatchdog();
    OdbcWatchdog(const OdbcWatchdog &) = delete;
    OdbcWatchdog &operator=(const OdbcWatchdog &) = delete;

    // Runs one driver call under the bound.
    template <typename Call> auto run(Call call)
    {
        arm();
        struct Disarm {
            OdbcWatchdog *w;
            ~Disarm() { w->disarm(); }
        } disarm{this};
        return call();
    }

    // Throws the time-out's report once the watchdog has cut the connection.
    void throwIfFired() const;
    bool watching() const { return m_fd >= 0; }

private:
    using Clock = std::chrono::steady_clock;

    void arm();
    void disarm();
    void watch();
    unsigned long long received() const;

    int m_fd = -1;
    ino_t m_inode = 0;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    Clock::time_point m_deadline = Clock::time_point::max();
    Clock::time_point m_noted; // the deadline `m_received` was taken for
    unsigned long long m_received = 0;
    bool m_idle = false;
    bool m_stop = false;
    bool m_fired = false;
    std::thread m_thread; // last: started once the rest is set
};
