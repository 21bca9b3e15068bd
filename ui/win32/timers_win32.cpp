// Timers on the main window, the worker's done message and the end of the
// message loop. A timer belongs to the thread that owns its window, and the
// quit message to the thread that runs the loop: a call from the worker is
// handed to the GUI thread through its message queue.
#include "ui/win32/main_window.h"

void startTimer(unsigned timerId, unsigned periodMs)
{
    if (onGuiThread())
        SetTimer(mainWindow(), timerId, periodMs, nullptr);
    else
        PostMessageW(mainWindow(), startTimerMessage, timerId, static_cast<LPARAM>(periodMs));
}

void stopTimer(unsigned timerId)
{
    if (onGuiThread())
        KillTimer(mainWindow(), timerId);
    else
        PostMessageW(mainWindow(), stopTimerMessage, timerId, 0);
}

void quitProgram()
{
    if (onGuiThread())
        PostQuitMessage(0);
    else
        PostThreadMessageW(win.guiThread, WM_QUIT, 0, 0);
}

void postWorkerDone()
{
    PostMessageW(mainWindow(), workerDoneMessage, 0, 0);
}
