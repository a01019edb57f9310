// The record of library calls, and the text of one call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kq {

// "Name(arg,arg,...)": integers in decimal, floating values with up to 9
// significant digits, a port name in double quotes.
class CallText
{
public:
    explicit CallText(const char *name) : m_name(name) {}

    CallText &arg(int64_t v);
    CallText &arg(uint64_t v);
    CallText &arg(int32_t v) { return arg(static_cast<int64_t>(v)); }
    CallText &arg(uint32_t v) { return arg(static_cast<uint64_t>(v)); }
    CallText &arg(uint16_t v) { return arg(static_cast<uint64_t>(v)); }
    CallText &arg(uint8_t v) { return arg(static_cast<uint64_t>(v)); }
    CallText &arg(double v);
    CallText &arg(float v) { return arg(static_cast<double>(v)); }
    CallText &quoted(const char *text); // NULL is written without quotes

    const char *name() const { return m_name; }
    std::string text() const { return std::string(m_name) + "(" + m_args + ")"; }

private:
    void separate();

    const char *m_name;
    std::string m_args;
};

// The most recent `capacity` entries, oldest first.
class Journal
{
public:
    explicit Journal(size_t capacity) : m_capacity(capacity) {}

    void add(std::string entry);
    int size() const { return static_cast<int>(m_entries.size()); }
    const std::string *at(int i) const; // nullptr when out of range
    void clear();

private:
    size_t m_capacity;
    std::vector<std::string> m_entries; // a ring once full
    size_t m_oldest = 0;
};

} // namespace kq
