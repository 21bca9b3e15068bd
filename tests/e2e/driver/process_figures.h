// What a process holds, measured from inside Wine and from Linux.
#pragma once
#include <string>

#include "tests/e2e/driver/driver.h"
#include "tests/e2e/driver/sim_control.h"

struct ProcessFigures {
    long handles;       // from the system handle list: Wine's GetProcessHandleCount gives 0
    long workingSetKb;  // GetProcessMemoryInfo
    long privateKb;     // its PagefileUsage: committed private bytes
    long windows;       // top-level and child windows
    LinuxFigures onLinux;
};

ProcessFigures measureProcess(const Program& program, const std::wstring& programFile);
// "handles 41, working set 10240 KB, ..." for the report.
std::string describe(const ProcessFigures& figures);
