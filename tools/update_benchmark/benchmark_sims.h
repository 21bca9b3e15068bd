// The benchmark's programs: the tools built next to it, and simulators
// started on pseudo-terminals.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

// A program's run, timed: its wall time, the CPU time of the processes it
// started and waited for, its exit status.
struct TimedRun {
    double wall = 0;
    double cpu = 0;
    int status = -1;
};

// Starts args[0] with args, its stdout into output + ".out" and its stderr
// into output + ".err"; -1 when it cannot be started.
pid_t spawnProgram(std::vector<std::string> args, const std::string& output);
// The same, waited for and timed.
TimedRun timeProgram(std::vector<std::string> args, const std::string& output);

// The path of a program of the build: folder "tools" (the simulator, the
// delay proxy) or "bin" (the shipped programs).
std::string buildProgram(const char* folder, const char* name);

// Starts the simulator with these arguments after its line and transcript
// (both in folder) and returns the line it serves ("" on failure).
std::string startSimulator(const std::string& program, const std::string& folder, std::vector<std::string> extra,
                           pid_t* pid);

// The console updater's batch on one paced reader and on readers paced
// readers at once: wall time, their ratio, CPU per reader. 0 when every
// update succeeded.
int benchmarkReaders(const std::string& simulator, const std::string& cli, const std::string& folder, int readers);

// The same paced reader locally and behind ser2net (RFC 2217 on loopback,
// then with 20 ms added each way by the delay proxy), and networkReaders
// readers behind one ser2net in one batch against one alone: wall times,
// their ratios to the aims, the round trip the link measured, CPU per
// reader. 0 when every update succeeded.
int benchmarkNetwork(const std::string& simulator, const std::string& cli, const std::string& proxy,
                     const std::string& folder, int networkReaders);
