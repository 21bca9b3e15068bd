// The console of the console front end: text out on stderr, answers in on
// stdin, Ctrl+C. One implementation per platform (win32/, posix/).
#pragma once
#include <string_view>

// Writes UTF-8 text to stderr: as UTF-16 to a Windows console, whatever its
// code page; as the UTF-8 bytes to a terminal, a pipe or a file.
void consoleWrite(std::string_view utf8);
// stderr is a terminal (or a console) on which lines can be redrawn in place
// with cursor movements (enabled on a Windows console that has them).
bool consoleCanRedraw();
// stdin is a terminal: a person can answer a question.
bool inputIsTerminal();

// Catches the requests to stop from now until the process ends: Ctrl+C,
// SIGTERM and SIGHUP (a closed terminal or SSH session) on Linux; on Windows
// the console's Ctrl+C and Ctrl+Break, its closing, the log-off and the
// shutdown (as console events, and as WM_ENDSESSION to a hidden window, the
// way Windows tells a process that has user32.dll loaded). Each sets
// jobStopRequested and prints a notice instead of ending the program: a job
// stops after the block in flight. Called once, at the start of the run.
void catchStopRequests();
// The run has done everything a stop asks for (the job ended, the port
// closed, the record written) and is about to end. Windows ends the process
// as soon as the handler of a close, log-off or shutdown returns, so that
// handler waits for this call (at most 4.5 s: Windows allows about 5).
// Harmless when no stop came.
void stopRequestsServed();
