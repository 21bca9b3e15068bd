// Operating-system services the portable code needs: delays, the local
// time, a worker thread, child processes, the system's own texts. One
// implementation per platform (win32/, posix/).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

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

// --- Processes ----------------------------------------------------------------
// A child process whose standard output comes back through a pipe; its
// standard input and error are the caller's.
struct ChildRun {
    intptr_t process;  // pid, or the process handle
    intptr_t output;   // the read end of its standard output
};

// Starts program with the arguments (UTF-8). False when it cannot be started.
bool startProcess(const char* program, const std::vector<std::string>& args, ChildRun* child);
// What the child wrote since the last call, without waiting: the bytes read,
// 0 when nothing is there now, -1 once its output is closed.
int readProcessOutput(ChildRun* child, char* buffer, int size);
// Passes a stop request on: SIGTERM on Linux, Ctrl+Break to the child's own
// process group on Windows (the child takes it as it takes Ctrl+C).
void askProcessToStop(const ChildRun& child);
// Waits for the child to end and releases it; its exit status, or -1 when it
// did not end normally.
int waitProcess(ChildRun* child);
// The path of the running program, UTF-8.
std::string ownProgramPath();

// --- What the system says -------------------------------------------------------
// The system's text for an error number (strerror; FormatMessageW), UTF-8,
// without a trailing line break.
std::string systemErrorText(int error);
// The computer's name, UTF-8.
std::string computerName();
// The current UTC time as "YYYY-MM-DD hh:mm:ss".
std::string utcTimeText();
