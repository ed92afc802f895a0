// SPDX-License-Identifier: MIT
#include "DataArray.h"
#include "Utf8Text.h"

#include <algorithm>

QString DataArray::text(int field, int row) const
{
    const std::string_view v = utf8(field, row);
    return storedText(v);
}

std::string_view DataArray::utf8(int field, int row) const
{
    const std::size_t i = cell(field, row);
    const std::size_t begin = i == 0 ? 0 : m_ends[i - 1];
    return {m_text.data() + begin, m_ends[i] - begin};
}

bool DataArray::isNull(int field, int row) const
{
    const std::size_t i = cell(field, row);
    return (m_nulls[i / 64] >> (i % 64)) & 1u;
}

DataArray::Kind DataArray::kind(int field, int row) const
{
    if (m_kinds.empty())
        return Kind::Text;
    const std::size_t i = cell(field, row);
    const auto it = std::lower_bound(m_kinds.begin(), m_kinds.end(), i,
                                     [](const auto &k, std::size_t c) { return k.first < c; });
    return it != m_kinds.end() && it->first == i ? it->second : Kind::Text;
}

void DataArray::markLast(Kind kind)
{
    if (!m_ends.empty() && kind != Kind::Text)
        m_kinds.emplace_back(m_ends.size() - 1, kind);
}

void DataArray::clear()
{
    *this = DataArray(m_textLimit);
}

void DataArray::start(int fields)
{
    clear();
    m_fields = fields;
}

bool DataArray::append(std::string_view utf8)
{
    if (m_text.size() + utf8.size() > m_textLimit)
        return false;
    m_text.append(utf8.data(), utf8.size());
    m_ends.push_back(std::uint32_t(m_text.size()));
    if (m_ends.size() > m_nulls.size() * 64)
        m_nulls.push_back(0);
    return true;
}

bool DataArray::appendNull()
{
    // Marked only once its cell exists: a refused cell must not turn the previous one null.
    if (!append({}))
        return false;
    m_nulls.back() |= std::uint64_t(1) << ((m_ends.size() - 1) % 64);
    return true;
}

void DataArray::finish()
{
    m_text.shrink_to_fit();
    m_ends.shrink_to_fit();
    m_nulls.shrink_to_fit();
    m_kinds.shrink_to_fit();
}

std::size_t DataArray::memoryBytes() const
{
    return sizeof(*this) + m_text.capacity() + m_ends.capacity() * sizeof(std::uint32_t) +
           m_nulls.capacity() * sizeof(std::uint64_t) + m_kinds.capacity() * sizeof(m_kinds[0]);
}
