#pragma once
// Work that must run on the application's main thread (every call into the
// controller library does), asked for from any thread.
#include <functional>

// Runs `work` on the main thread and answers true once it has run there.
// Called on the main thread it runs at once; from another thread it is
// handed to the main thread's event loop and waited for at most
// `timeoutMs`: false when the main thread did not take it in time, and it
// then never runs.  False too when there is no application object.  What
// `work` throws on the main thread is dropped there.
bool Run_On_Main_Thread(const std::function<void()> &work, int timeoutMs);
