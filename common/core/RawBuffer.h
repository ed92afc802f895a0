// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include <sys/mman.h>

// A growable array of plain values. Large buffers are mapped memory that grows by remapping
// its pages (mremap) instead of copying them, and asks for huge pages: copying and first
// touches of fresh pages were most of the cost of reading a big result. Small ones use malloc.
template <typename T> class RawBuffer final {
    static_assert(std::is_trivially_copyable_v<T>);
    static constexpr std::size_t kMapBytes = std::size_t(256) << 10;

public:
    RawBuffer() = default;
    ~RawBuffer() { release(); }
    RawBuffer(const RawBuffer &other) { append(other.m_data, other.m_size); }
    RawBuffer(RawBuffer &&other) noexcept { swap(other); }
    RawBuffer &operator=(const RawBuffer &other)
    {
        if (this != &other) {
            m_size = 0;
            append(other.m_data, other.m_size);
        }
        return *this;
    }
    RawBuffer &operator=(RawBuffer &&other) noexcept
    {
        RawBuffer gone(std::move(other));
        swap(gone);
        return *this;
    }

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    std::size_t capacity() const { return m_capacity; }
    const T *data() const { return m_data; }
    const T &operator[](std::size_t i) const { return m_data[i]; }
    T &operator[](std::size_t i) { return m_data[i]; }
    T &back() { return m_data[m_size - 1]; }
    T *begin() { return m_data; }
    T *end() { return m_data + m_size; }
    const T *begin() const { return m_data; }
    const T *end() const { return m_data + m_size; }

    // New elements take the given value. Shrinking keeps the capacity, as a vector does.
    void resize(std::size_t n, const T &value = T{})
    {
        if (n > m_capacity)
            reallocate(grown(n));
        for (std::size_t i = m_size; i < n; ++i)
            m_data[i] = value;
        m_size = n;
    }
    void insert(std::size_t at, const T &value)
    {
        if (m_size == m_capacity)
            reallocate(grown(m_size + 1));
        std::memmove(m_data + at + 1, m_data + at, (m_size - at) * sizeof(T));
        m_data[at] = value;
        ++m_size;
    }
    void erase(std::size_t at)
    {
        std::memmove(m_data + at, m_data + at + 1, (m_size - at - 1) * sizeof(T));
        --m_size;
    }
    template <typename Predicate> void eraseIf(Predicate drop)
    {
        m_size = std::size_t(std::remove_if(begin(), end(), drop) - begin());
    }

    void push_back(T value)
    {
        if (m_size == m_capacity)
            reallocate(grown(m_size + 1));
        m_data[m_size++] = value;
    }
    void append(const T *values, std::size_t n)
    {
        if (m_size + n > m_capacity)
            reallocate(grown(m_size + n));
        T *to = m_data + m_size;
        if (n <= 16) // most cells: a call to memcpy costs more than the copy
            for (std::size_t i = 0; i < n; ++i)
                to[i] = values[i];
        else
            std::memcpy(to, values, n * sizeof(T));
        m_size += n;
    }
    // Room for exactly n, when a caller knows how many more are coming.
    void reserve(std::size_t n)
    {
        if (n > m_capacity)
            reallocate(n);
    }
    void shrink_to_fit()
    {
        if (m_size < m_capacity)
            reallocate(m_size);
    }

private:
    // Mapped buffers grow by remapping, which copies nothing, so they grow in small steps:
    // what they hold beyond their contents stays small while a list read in steps is shown.
    std::size_t grown(std::size_t needed) const
    {
        if (m_mapped)
            return std::max(needed, m_capacity + std::max(m_capacity / 16, kMapBytes * 4 / sizeof(T)));
        return std::max({needed, std::size_t(16), m_capacity * 2});
    }

    static std::size_t pages(std::size_t bytes)
    {
        const std::size_t page = 4096;
        return (bytes + page - 1) / page * page;
    }

    void reallocate(std::size_t capacity)
    {
        const std::size_t bytes = capacity * sizeof(T);
        if (capacity == 0) {
            release();
            return;
        }
        void *p = nullptr;
        if (m_mapped) {
            p = mremap(m_data, pages(m_capacity * sizeof(T)), pages(bytes), MREMAP_MAYMOVE);
            if (p == MAP_FAILED)
                throw std::bad_alloc();
        } else if (bytes >= kMapBytes) {
            p = mmap(nullptr, pages(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (p == MAP_FAILED)
                throw std::bad_alloc();
            madvise(p, pages(bytes), MADV_HUGEPAGE);
            if (m_size)
                std::memcpy(p, m_data, m_size * sizeof(T));
            std::free(m_data);
            m_mapped = true;
        } else {
            p = std::realloc(m_data, bytes);
            if (!p)
                throw std::bad_alloc();
        }
        if (m_mapped && bytes > m_size * sizeof(T)) {
            // One call faults the new pages in, rather than one trap per page on first write.
            char *first = static_cast<char *>(p) + pages(m_size * sizeof(T));
            const std::size_t end = pages(bytes);
            if (end > pages(m_size * sizeof(T)))
                madvise(first, end - pages(m_size * sizeof(T)), MADV_POPULATE_WRITE);
        }
        m_data = static_cast<T *>(p);
        m_capacity = capacity;
    }
    void release()
    {
        if (m_mapped)
            munmap(m_data, pages(m_capacity * sizeof(T)));
        else
            std::free(m_data);
        m_data = nullptr;
        m_size = m_capacity = 0;
        m_mapped = false;
    }
    void swap(RawBuffer &other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
        std::swap(m_mapped, other.m_mapped);
    }

    T *m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
    bool m_mapped = false;
};
