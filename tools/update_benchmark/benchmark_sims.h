// The benchmark's programs: the tools built next to it, and simulators
// started on pseudo-terminals.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

// The path of a program of the build's tools/ folder.
std::string besideThisProgram(const char* name);

// Starts the simulator with these arguments after its line and transcript
// (both in folder) and returns the line it serves ("" on failure).
std::string startSimulator(const std::string& program, const std::string& folder, std::vector<std::string> extra,
                           pid_t* pid);

// The console updater's batch on one paced reader and on readers paced
// readers at once: wall time, their ratio, CPU per reader. 0 when every
// update succeeded.
int benchmarkReaders(const std::string& simulator, const std::string& cli, const std::string& folder, int readers);
