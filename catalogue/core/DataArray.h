// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/RawBuffer.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

// The whole result of a query, cells indexed (field, row) from 0. A result without rows is
// "no array at all": isArray() is false and both counts are 0.
//
// Cells live in one UTF-8 buffer with an end offset and a null bit per cell, so a million
// parts cost little more than their text (a variant per cell would cost several times it).
// Numbers and dates are held as the text the database gives for them.
class DataArray final {
public:
    // The cells' text is limited by its 32-bit end offsets; a test may set a smaller limit.
    static constexpr std::size_t kTextLimit = 0xFFFFFFFFu;
    explicit DataArray(std::size_t textLimit = kTextLimit) : m_textLimit(textLimit) {}

    bool isArray() const { return m_rows > 0; }
    int fieldCount() const { return m_rows > 0 ? m_fields : 0; }
    int rowCount() const { return m_rows; }

    // The cell's text; a null cell gives "".
    QString text(int field, int row) const;
    std::string_view utf8(int field, int row) const;
    std::size_t length(int field, int row) const // of utf8()
    {
        const std::size_t i = cell(field, row);
        return m_ends[i] - (i == 0 ? 0 : m_ends[i - 1]);
    }
    bool isNull(int field, int row) const;

    // Where a cell's text is not the text the engine compares (for a search answered from a
    // list): binary data, and a number printed otherwise than the engine prints it. Rare, so
    // kept as a list of the cells concerned.
    enum class Kind : std::uint8_t { Text, Binary, Reprinted };
    Kind kind(int field, int row) const;
    bool allText() const { return m_kinds.empty(); }

    void clear();

    // Filling, used by the database engines: start(fields), then per row one append per field
    // followed by endRow(). Returns false, adding nothing, when the text would pass its limit.
    void start(int fields);
    bool append(std::string_view utf8);
    bool appendNull();
    void endRow() { ++m_rows; }
    // The cell appended last is not plain text.
    void markLast(Kind kind);
    // Gives back what the buffers reserved beyond their contents.
    void finish();

    // What the array occupies in memory, and the bytes of its cells' text alone.
    std::size_t memoryBytes() const;
    std::size_t textBytes() const { return m_text.size(); }

private:
    std::size_t cell(int field, int row) const { return std::size_t(row) * std::size_t(m_fields) + field; }

    std::size_t m_textLimit;
    int m_fields = 0;
    int m_rows = 0;
    RawBuffer<char> m_text;
    RawBuffer<std::uint32_t> m_ends;                   // end offset of each cell in m_text, row by row
    RawBuffer<std::uint64_t> m_nulls;                  // one bit per cell
    std::vector<std::pair<std::size_t, Kind>> m_kinds; // cells that are not text, in order
};
