// The faults of the reader that only the real Win32 serial layer shows in
// full, with what the window must show for each; cases_faults.cpp plays them.
#pragma once
#include <string>
#include <vector>

// How the update job ends.
enum class JobEnding {
    interrupted,          // a block not acknowledged: "recording interrupted", failed
    settingsUnconfirmed,  // "No confirmation of reset!"
    resetUnconfirmed,     // "No confirmation of device reset!"
    successful,
};

struct FaultScenario {
    const char* name;
    const char* what;        // one line for --help and the report
    const char* readerArgs;  // karvo-sim's arguments
    JobEnding ending;
    bool lineCut;            // the reader takes its line with it (sim_keeper.sh cuts COM7)
    const char* lastFrame;   // the last frame the reader received: its transcript line holds this
    std::vector<const char*> present;  // transcript texts that must be there
    std::vector<const char*> absent;   // and that must not
    // Bounds in seconds from START to the job's result.
    double minSeconds;
    double maxSeconds;
};

const std::vector<FaultScenario>& faultScenarios();
const FaultScenario* findFaultScenario(const std::wstring& name);
bool knownFaultScenarios(const std::vector<std::wstring>& names);
