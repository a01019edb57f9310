// Serves one virtual board over TCP and/or a pseudo-terminal, one request
// and one reply per library call, with faults that tests can switch on.
//
// Single-threaded: one poll loop over the listening socket, the client
// connection, the pseudo-terminal, the control input and a stop descriptor.
// One TCP client at a time: while one is connected, a new connection gets
// one "busy" frame and is closed.
//
// Communication watchdog, as a real drive has: when the client's
// connection ends, or no complete frame has come from it for
// kWatchdogMs, every axis is halted (as KQ_Set_Axis_Halt_All) and the
// board is free for the next client.  The pseudo-terminal has no end of
// file: there the silence alone counts, from its first frame on.
#pragma once

#include "Board.h"
#include "Journal.h"
#include "SimClock.h"
#include "Wire.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace kq {

class BoardServer
{
public:
    static constexpr int kWatchdogMs = 2000;

    BoardServer(int axes, int encoders);
    ~BoardServer();
    BoardServer(const BoardServer &) = delete;
    BoardServer &operator=(const BoardServer &) = delete;

    // "ADDRESS:PORT" (IPv4 dotted); port 0 picks a free one.
    bool listenTcp(const std::string &addressPort, std::string &error);
    // A new pseudo-terminal; `linkPath`, when not empty, becomes a symlink to it.
    bool openPty(const std::string &linkPath, std::string &error);
    std::string tcpAddress() const { return m_tcpAddress; }
    std::string ptyPath() const { return m_ptyPath; }

    // Serves until `stopFd` becomes readable or a "quit" command arrives.
    // Control commands are read line by line from `controlFd` (-1: none)
    // and answered on `answerFd`.
    void run(int stopFd, int controlFd, int answerFd);

    // One control command; returns the answer lines.
    std::string command(const std::string &line);

    // The mechanics of an axis's stage (Axis::setBacklash, Axis::loseSteps);
    // false when the board has no such axis.
    bool setBacklash(int axis, int32_t steps);
    bool loseSteps(int axis, int32_t steps);

private:
    struct Channel {
        int fd = -1;
        uint64_t generation = 0; // a new connection gets a new one
        wire::Decoder decoder;
        bool watched = false;  // the watchdog runs for this channel
        int64_t lastFrame = 0; // board time of the last complete frame
    };
    struct Pending {
        int64_t due;
        Channel *channel;
        uint64_t generation;
        std::vector<uint8_t> bytes;
    };

    void acceptClient();
    void closeClient();
    // The client's connection is over: the axes are halted, then it is closed.
    void endClient(const char *why);
    void readChannel(Channel &c, bool isSocket, bool hungUp);
    void haltAll(const char *why);
    void checkWatchdog();
    int64_t watchdogDue(const Channel &c) const;
    void serveFrame(Channel &c, const wire::Frame &frame);
    void send(Channel &c, const std::vector<uint8_t> &bytes);
    void flushDue(int64_t now);
    int pollTimeout(int64_t now) const;
    void readControl(int controlFd);
    void answer(const std::string &text);
    void flushAnswer();
    // Brings the board up to now and changes the axis; false when there is
    // no such axis.
    template <typename Change>
    bool changeAxis(int axis, Change change);

    SimClock m_clock; // the board's time; a test may take it over
    Board m_board;
    Journal m_journal;
    int m_listenFd = -1;
    std::string m_tcpAddress;
    Channel m_client;
    Channel m_pty;
    int m_ptySlaveFd = -1; // held open so the master never sees a hang-up
    std::string m_ptyPath;
    std::string m_linkPath;
    uint64_t m_generations = 0;

    // Faults
    bool m_silent = false;
    int m_delayMs = 0;
    int m_corrupt = 0;

    std::deque<Pending> m_pending;
    std::string m_controlLine;
    int m_answerFd = -1;
    std::string m_answer; // answers not yet taken by the standard output
    bool m_controlOpen = true;
    bool m_quit = false;
};

} // namespace kq
