// The console on Windows: UTF-16 to a console, UTF-8 bytes to a pipe or a
// file; the console's control events.
#include <windows.h>

#include "app/app_state.h"
#include "app/console.h"
#include "app/win32/utf16.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace {

bool isConsole(HANDLE handle)
{
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

// Set by stopRequestsServed: the run has ended its job, closed the port and
// written its record.
HANDLE runServed = nullptr;

// Windows allows a handler of a close, and a window at the end of the
// session, about 5 s before it ends the process.
constexpr DWORD endingWaitMs = 4500;

// Runs on a thread the system starts for the event (or on the session
// window's, below).
BOOL WINAPI stopJob(DWORD event)
{
    jobStopRequested = true;
    consoleWrite("\n-- stopping after the block in flight\n");
    // After a close, log-off or shutdown Windows ends the process as soon as
    // this returns: the run gets the time to stop its job, close the port and
    // write its record. After Ctrl+C and Ctrl+Break the program ends by itself.
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && runServed != nullptr)
        WaitForSingleObject(runServed, endingWaitMs);
    return TRUE;
}

// A process with user32.dll loaded (SetupAPI loads it) gets no log-off or
// shutdown event at its console handler: Windows sends those to its top-level
// windows as WM_ENDSESSION, and ends the process when that returns.
LRESULT CALLBACK sessionEnds(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENDSESSION && wParam) {
        stopJob(CTRL_LOGOFF_EVENT);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A hidden top-level window on a thread of its own for the end of the
// session. Without a desktop to put it on, nothing.
DWORD WINAPI watchSession(void*)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = sessionEnds;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"FlintwellSessionEnd";
    if (!RegisterClassW(&windowClass) || !CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 0,
                                                          0, nullptr, nullptr, windowClass.hInstance, nullptr))
        return 0;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}

}  // namespace

void consoleWrite(std::string_view utf8)
{
    HANDLE out = GetStdHandle(STD_ERROR_HANDLE);
    if (out == INVALID_HANDLE_VALUE || out == nullptr)
        return;
    DWORD written = 0;
    if (isConsole(out)) {
        const std::wstring text = utf8ToUtf16(utf8);
        WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    } else {
        WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    }
}

bool consoleCanRedraw()
{
    HANDLE out = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(out, &mode))
        return false;
    // Windows 10 and later move the cursor on escape sequences once asked to;
    // older consoles get plain lines.
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

bool inputIsTerminal()
{
    return isConsole(GetStdHandle(STD_INPUT_HANDLE));
}

void catchStopRequests()
{
    runServed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // A process started in a process group of its own (as the batch starts
    // its readers, process_win32.cpp) begins with Ctrl+C ignored: take it.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(stopJob, TRUE);
    if (HANDLE watcher = CreateThread(nullptr, 0, watchSession, nullptr, 0, nullptr))
        CloseHandle(watcher);
}

void stopRequestsServed()
{
    if (runServed != nullptr)
        SetEvent(runServed);
}
