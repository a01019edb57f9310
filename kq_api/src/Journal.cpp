#include "Journal.h"

#include <cinttypes>
#include <cstdio>

namespace kq {

void CallText::separate()
{
    if (!m_args.empty())
        m_args += ',';
}

CallText &CallText::arg(int64_t v)
{
    separate();
    m_args += std::to_string(v);
    return *this;
}

CallText &CallText::arg(uint64_t v)
{
    separate();
    m_args += std::to_string(v);
    return *this;
}

CallText &CallText::arg(double v)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.9g", v);
    separate();
    m_args += buffer;
    return *this;
}

CallText &CallText::quoted(const char *text)
{
    separate();
    if (!text) {
        m_args += "NULL";
        return *this;
    }
    m_args += '"';
    m_args += text;
    m_args += '"';
    return *this;
}

void Journal::add(std::string entry)
{
    if (m_capacity == 0)
        return;
    if (m_entries.size() < m_capacity) {
        m_entries.push_back(std::move(entry));
        return;
    }
    m_entries[m_oldest] = std::move(entry);
    m_oldest = (m_oldest + 1) % m_capacity;
}

const std::string *Journal::at(int i) const
{
    if (i < 0 || static_cast<size_t>(i) >= m_entries.size())
        return nullptr;
    return &m_entries[(m_oldest + static_cast<size_t>(i)) % m_entries.size()];
}

void Journal::clear()
{
    m_entries.clear();
    m_oldest = 0;
}

} // namespace kq
