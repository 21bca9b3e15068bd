// Requests to the case's reader side (tests/e2e/sim_keeper.sh), which runs
// karvo-sim on COM7's Linux end: files in the work folder (--work), a
// request written whole and renamed into place, its answer likewise.
#pragma once
#include <string>
#include <vector>

// Ends the current reader and starts one with these karvo-sim arguments
// (the operator power-cycles the reader, or puts another one on the line).
// Returns its number (1 is the one the case started with), 0 on failure.
int restartReader(const std::string& arguments);
// The number and the karvo-sim arguments of the current reader.
int currentReader();
std::string readerArguments(int reader);
// The reader's transcript: one line per frame received or sent.
std::vector<std::string> transcriptLines(int reader);

// Who holds COM7's Windows end open (socat, which makes the line, apart):
// "closed", "open PID NAME ...", "gone" when the line is cut; empty when
// the keeper did not answer.
std::string comPortState();

// The Linux side of a process that runs the program FILE.exe.
struct LinuxFigures {
    bool known;
    long rssKb;    // VmRSS
    long sizeKb;   // VmSize
    long fds;      // open file descriptors
    long threads;
};
LinuxFigures linuxFigures(const std::wstring& programFile);
