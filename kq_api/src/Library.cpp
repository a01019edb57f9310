#include "Library.h"

#include "kq_sim.h"

namespace kq {

Library::Library() : m_journal(KQSIM_JOURNAL_CAPACITY) {}

Library &Library::instance()
{
    static Library library;
    return library;
}

Board &Library::board()
{
    const int64_t now = m_clock.now();
    if (!m_board)
        m_board = std::make_unique<Board>(Board::fromEnvironment(now));
    m_board->advanceTo(now);
    return *m_board;
}

void Library::setLink(Link link)
{
    if (link != Link::Net && link != Link::Uart)
        m_remote.close();
    m_link = link;
    m_usbLost = false;
}

void Library::loseLink()
{
    if (m_link == Link::Usb)
        m_usbLost = true;
    else if (m_link != Link::None)
        m_remote.markLost();
}

int32_t Library::transact(const Request &r, Reply &reply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Board &local = board();
    if (records())
        m_journal.add(callText(r));
    if (failing(opName(r.op), true))
        return Injected;
    switch (m_link) {
    case Link::Usb:
        return m_usbLost ? LinkLost : execute(local, r, reply);
    case Link::Net:
    case Link::Uart:
        return m_remote.transact(r, reply);
    case Link::None:
        break;
    }
    return NoLink;
}

void Library::setFailure(const std::string &name, bool on)
{
    if (on)
        m_failures.insert(name);
    else
        m_failures.erase(name);
}

bool Library::failing(const char *name, bool boardCall) const
{
    return m_failures.count(name) > 0 || (boardCall && m_failures.count("*") > 0);
}

void Library::reset(int axes, int encoders, uint32_t resources)
{
    m_clock.reset();
    m_board = std::make_unique<Board>(axes, encoders, resources, m_clock.now());
    clearSession();
}

void Library::resetFromEnvironment()
{
    m_clock.reset();
    m_board = std::make_unique<Board>(Board::fromEnvironment(m_clock.now()));
    clearSession();
}

void Library::clearSession()
{
    setLink(Link::None);
    m_journal.clear();
    m_failures.clear();
    m_lastHelp.clear();
}

} // namespace kq
