// The console's control events on Windows, raised through the routine the
// system starts a thread on for each (CtrlRoutine), as Windows delivers them.
// Wine delivers only Ctrl+C from outside (e2e.Cli does that); the close,
// log-off and shutdown are raised here.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/console.h"

namespace {

struct Delivery {
    const char* name;
    DWORD event;
    int servedAfterMs;       // stopRequestsServed after this long; -1: never
    int atLeastMs, atMostMs;  // how long the handler holds the process
};

// The run's end is served only in the last case: after that nothing waits.
const Delivery deliveries[] = {
    {"Ctrl+C", CTRL_C_EVENT, -1, 0, 500},
    {"Ctrl+Break", CTRL_BREAK_EVENT, -1, 0, 500},
    {"log-off, never served", CTRL_LOGOFF_EVENT, -1, 4000, 5000},
    {"shutdown, never served", CTRL_SHUTDOWN_EVENT, -1, 4000, 5000},
    {"close, served after 600 ms", CTRL_CLOSE_EVENT, 600, 600, 1500},
};

}  // namespace

TEST(Win32StopEvents, EachAsksToStopTheEndingsHoldTheProcessUntilServedWithinFiveSeconds)
{
    using Routine = DWORD(WINAPI*)(void*);
    const auto raise = reinterpret_cast<Routine>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernelbase.dll"), "CtrlRoutine")));
    ASSERT_NE(raise, nullptr);
    catchStopRequests();
    for (const Delivery& d : deliveries) {
        SCOPED_TRACE(d.name);
        jobStopRequested = false;
        const ULONGLONG start = GetTickCount64();
        HANDLE handler = CreateThread(nullptr, 0, raise, reinterpret_cast<void*>(static_cast<uintptr_t>(d.event)), 0,
                                      nullptr);
        ASSERT_NE(handler, nullptr);
        if (d.servedAfterMs >= 0) {
            Sleep(static_cast<DWORD>(d.servedAfterMs));
            stopRequestsServed();
        }
        const bool returned = WaitForSingleObject(handler, 6000) == WAIT_OBJECT_0;
        const auto held = static_cast<int>(GetTickCount64() - start);
        if (!returned)
            stopRequestsServed();  // lets it go, and the cases after it
        WaitForSingleObject(handler, INFINITE);
        CloseHandle(handler);
        EXPECT_TRUE(jobStopRequested);
        EXPECT_TRUE(returned && held >= d.atLeastMs && held <= d.atMostMs) << "held " << held << " ms";
    }
}
