// SPDX-License-Identifier: MIT
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <utility>

// Owners of POSIX descriptors and mappings, as SqliteHandles.h is for SQLite's: every path out
// of a function closes exactly once. No Qt here, so the fuzzed parsers can use them.

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) noexcept : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd &&other) noexcept : m_fd(other.release()) {}
    UniqueFd &operator=(UniqueFd &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;

    int get() const noexcept { return m_fd; }
    explicit operator bool() const noexcept { return m_fd >= 0; }
    int release() noexcept { return std::exchange(m_fd, -1); }

    // Closing on the way out keeps errno: it still tells why the function gave up.
    void reset(int fd = -1) noexcept
    {
        if (m_fd >= 0) {
            const int saved = errno;
            ::close(m_fd);
            errno = saved;
        }
        m_fd = fd;
    }

    // Closes now for a caller that must know whether the written data made it: 0, or -1 with
    // errno (some file systems report a full disk only here).
    int close() noexcept { return m_fd < 0 ? 0 : ::close(std::exchange(m_fd, -1)); }

private:
    int m_fd = -1;
};

// A whole file mapped for reading. An empty file has no mapping but a valid empty view.
class ReadMapping {
public:
    ReadMapping() = default;
    ReadMapping(int fd, std::size_t size) noexcept : m_size(size)
    {
        if (size == 0)
            return;
        void *map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (map == MAP_FAILED)
            m_failed = true;
        else
            m_map = map;
    }
    ~ReadMapping()
    {
        if (m_map)
            ::munmap(m_map, m_size);
    }
    ReadMapping(const ReadMapping &) = delete;
    ReadMapping &operator=(const ReadMapping &) = delete;

    bool ok() const noexcept { return !m_failed; }
    const unsigned char *data() const noexcept
    {
        static const unsigned char nothing = 0;
        return m_map ? static_cast<const unsigned char *>(m_map) : &nothing;
    }
    std::size_t size() const noexcept { return m_size; }

private:
    void *m_map = nullptr;
    std::size_t m_size = 0;
    bool m_failed = false;
};
