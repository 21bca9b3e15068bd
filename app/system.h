// Operating-system services the portable code needs: delays, the local
// time, a worker thread. One implementation per platform (win32/, posix/).
#pragma once
#include <cstdint>

#include "app/app_state.h"

void sleepMs(unsigned milliseconds);

// second (0-59) * 1000 + millisecond (0-999) of the current local time.
unsigned localTimeSeed();

// Starts body on a new thread, running at once. Returns its handle, or 0.
ThreadHandle startThread(void (*body)());
// Waits for the thread to end (used by front ends without a message loop).
void joinThread(ThreadHandle thread);
// Releases the handle of a thread that has ended or is about to.
void closeThreadHandle(ThreadHandle thread);
