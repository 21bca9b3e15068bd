// Timers on the main window (the window thread alone starts and stops them),
// the worker's done message and the end of the message loop. The quit
// message belongs to the thread that runs the loop: a call from the worker
// is handed to it through its message queue.
#include "frontends/window/main_window.h"

void startTimer(unsigned timerId, unsigned periodMs)
{
    SetTimer(mainWindow(), timerId, periodMs, nullptr);
}

void stopTimer(unsigned timerId)
{
    KillTimer(mainWindow(), timerId);
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
