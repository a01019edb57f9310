#include "ExitHalt.h"

#include "controller/AxisCommands.h"

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<bool> g_connected{false};

// Registered once the library has been used, so that it runs before the
// library's own clean-up at exit (handlers run in the reverse order of
// their registration).
void Halt_If_The_Process_Exits()
{
    [[maybe_unused]] static const bool registered = std::atexit(Halt_If_Still_Connected) == 0;
}

} // namespace

void Board_Connected()
{
    Halt_If_The_Process_Exits();
    g_connected = true;
}

void Board_Disconnected()
{
    g_connected = false;
}

bool Is_Board_Connected()
{
    return g_connected;
}

void Halt_If_Still_Connected()
{
    if (g_connected)
        AxisCommands::Halt_All();
}
