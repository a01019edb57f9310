// State of the library as a whole: the in-process board, the open link, the
// clock, the journal and the injected failures.  Every entry point takes the
// lock, brings the board's motion up to the present, writes its journal
// entry and then does its work.
#pragma once

#include "Board.h"
#include "Calls.h"
#include "Journal.h"
#include "RemoteLink.h"
#include "SimClock.h"
#include "kq_sim.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace kq {

// Status codes of the board calls, as tests see them through kq_sim.h.
enum Status : int32_t {
    Ok = 0,
    Injected = KQSIM_ERR_INJECTED,
    NoLink = KQSIM_ERR_NO_LINK,
    NoAxis = KQSIM_ERR_NO_AXIS,
    NullOut = KQSIM_ERR_NULL,
    BadArgument = KQSIM_ERR_ARGUMENT,
    NoBoard = KQSIM_ERR_NO_BOARD,
    HomeFailed = KQSIM_ERR_HOME_FAILED,
    LinkLost = KQSIM_ERR_LINK_LOST,
};

enum class Link { None = 0, Uart = 1, Usb = 2, Net = 3 };

class Library
{
public:
    static Library &instance();

    std::mutex &mutex() { return m_mutex; }

    // The board, created on first use; its motion is brought up to now.
    Board &board();
    void sync() { board(); }

    SimClock &clock() { return m_clock; }
    Link link() const { return m_link; }
    // Closes whatever link is open and makes `link` the open one.
    void setLink(Link link);
    // The open link is lost (kqsim_lose_link) or a remote link found its
    // board gone.
    void loseLink();
    bool linkLost() const { return m_usbLost || m_remote.lost(); }
    RemoteLink &remote() { return m_remote; }

    // One board call: journaled, then failed by injection, refused without
    // a link, run on the in-process board or sent over the open link.
    int32_t transact(const Request &r, Reply &reply);

    Journal &journal() { return m_journal; }
    // Whether calls are journaled (and the last conversion remembered): from
    // the first kqsim_ call of the process on, unless kqsim_journal_record
    // said otherwise.  A process that never uses kqsim_ (the program, the
    // command-line runner) formats no entry at all.
    bool records() const { return m_records.load(std::memory_order_relaxed) == Recording::On; }
    void touchedBySimControl()
    {
        Recording untouched = Recording::Untouched;
        m_records.compare_exchange_strong(untouched, Recording::On);
    }
    void setRecording(bool on) { m_records = on ? Recording::On : Recording::Off; }
    void setFailure(const std::string &name, bool on);
    bool failing(const char *name, bool boardCall) const;

    std::string &lastHelpCall() { return m_lastHelp; }

    void reset(int axes, int encoders, uint32_t resources);
    void resetFromEnvironment();

private:
    Library();
    void clearSession(); // links, journal, failures

    std::mutex m_mutex;
    SimClock m_clock;
    std::unique_ptr<Board> m_board;
    Link m_link = Link::None;
    bool m_usbLost = false; // the in-process board's link, lost on a test's word
    RemoteLink m_remote;
    Journal m_journal;
    enum class Recording { Untouched, On, Off };
    std::atomic<Recording> m_records{Recording::Untouched};
    std::set<std::string> m_failures;
    std::string m_lastHelp;
};

// Entry-point helper for the link calls themselves, which work without a
// link.  Board calls go through Library::transact.
template <typename Fn>
int32_t linkCall(const CallText &call, Fn &&fn)
{
    Library &lib = Library::instance();
    std::lock_guard<std::mutex> lock(lib.mutex());
    lib.sync();
    if (lib.records())
        lib.journal().add(call.text());
    if (lib.failing(call.name(), false))
        return Injected;
    return fn(lib);
}

} // namespace kq
