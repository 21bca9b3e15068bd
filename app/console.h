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

// While on, Ctrl+C and SIGTERM (on Windows the console's Ctrl+C, Ctrl+Break
// and close events) set jobStopRequested and print a notice instead of ending
// the program: the job stops after the block in flight.
void catchStopRequests(bool on);
