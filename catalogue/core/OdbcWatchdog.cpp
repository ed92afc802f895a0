// SPDX-License-Identifier: MIT
#include "OdbcWatchdog.h"

#include <QCoreApplication>

#include <atomic>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<long long> g_boundMs{15000};

// The socket inode behind a descriptor of /proc/self/fd, or 0.
ino_t socketInode(int fd)
{
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode))
        return 0;
    return st.st_ino;
}

template <typename Each> void eachDescriptor(Each each)
{
    DIR *dir = opendir("/proc/self/fd");
    if (!dir)
        return;
    const int own = dirfd(dir);
    while (const dirent *entry = readdir(dir)) {
        char *end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == own)
            continue;
        each(int(fd));
    }
    closedir(dir);
}

} // namespace

std::chrono::milliseconds OdbcWatchdog::bound()
{
    return std::chrono::milliseconds(g_boundMs.load());
}

void OdbcWatchdog::setBound(std::chrono::milliseconds bound)
{
    g_boundMs.store(bound.count());
}

std::set<ino_t> OdbcWatchdog::sockets()
{
    std::set<ino_t> found;
    eachDescriptor([&](int fd) {
        if (const ino_t inode = socketInode(fd))
            found.insert(inode);
    });
    return found;
}

OdbcWatchdog::OdbcWatchdog(const std::set<ino_t> &before)
{
    int candidates = 0;
    eachDescriptor([&](int fd) {
        const ino_t inode = socketInode(fd);
        if (!inode || before.count(inode))
            return;
        int type = 0;
        socklen_t length = sizeof type;
        sockaddr_storage peer{};
        socklen_t peerLength = sizeof peer;
        if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) != 0 || type != SOCK_STREAM ||
            getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &peerLength) != 0)
            return;
        ++candidates;
        m_fd = fd;
        m_inode = inode;
    });
    if (candidates != 1) {
        m_fd = -1;
        return;
    }
    m_thread = std::thread([this] { watch(); });
}

OdbcWatchdog::~OdbcWatchdog()
{
    if (!m_thread.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void OdbcWatchdog::arm()
{
    if (m_fd < 0)
        return;
    const std::lock_guard lock(m_mutex);
    m_deadline = Clock::now() + bound();
    if (m_idle)
        m_wake.notify_one();
}

void OdbcWatchdog::disarm()
{
    if (m_fd < 0)
        return;
    // No wake-up: the watchdog finds the deadline gone when it next looks.
    const std::lock_guard lock(m_mutex);
    m_deadline = Clock::time_point::max();
}

// Bytes the connection has received; 0 where the kernel does not count them (a local socket).
unsigned long long OdbcWatchdog::received() const
{
    tcp_info info{};
    socklen_t length = sizeof info;
    if (getsockopt(m_fd, IPPROTO_TCP, TCP_INFO, &info, &length) != 0 ||
        length < socklen_t(offsetof(tcp_info, tcpi_bytes_received) + sizeof info.tcpi_bytes_received))
        return 0;
    return info.tcpi_bytes_received;
}

void OdbcWatchdog::watch()
{
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        if (m_fired || m_deadline == Clock::time_point::max()) {
            m_idle = true;
            m_wake.wait(lock);
            m_idle = false;
            continue;
        }
        if (Clock::now() < m_deadline) {
            if (m_deadline != m_noted) { // a call armed since the last look: count from here
                m_noted = m_deadline;
                m_received = received();
            }
            m_wake.wait_until(lock, m_deadline);
            continue;
        }
        // A long result still arriving is an answer: the bound counts from its last byte.
        if (const unsigned long long now = received(); now != m_received) {
            m_received = now;
            m_deadline = m_noted = Clock::now() + bound();
            continue;
        }
        // The descriptor stays the connection's while a call runs; the inode check guards
        // against one the driver closed and the process reused meanwhile.
        if (socketInode(m_fd) == m_inode)
            shutdown(m_fd, SHUT_RDWR);
        m_fired = true;
    }
}

void OdbcWatchdog::throwIfFired() const
{
    bool fired = false;
    {
        const std::lock_guard lock(m_mutex);
        fired = m_fired;
    }
    if (fired)
        throw DbError{QCoreApplication::translate("OdbcWatchdog",
                                                  "The database server did not answer within %1 seconds.")
                          .arg((bound().count() + 999) / 1000),
                      0, QStringLiteral("ODBC")};
}
