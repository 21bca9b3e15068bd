// The fault matrix: what each fault of the reader is, where it strikes and
// what the window must show for it. The cases of cases_faults.cpp play them.
#pragma once
#include <string>
#include <vector>

enum class FaultPhase {
    search,  // the search does not find the reader: "Device not found!"
    job,     // the reader is found and START runs the update job
};

// How the update job ends (job phase).
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
    FaultPhase phase;
    JobEnding ending;        // job phase only
    bool resetSettings;      // the operator checks the reset option before START
    bool lineCut;            // the reader takes its line with it (sim_keeper.sh cuts COM7)
    const char* lastFrame;   // the last frame the reader received: its transcript line holds this
    std::vector<const char*> present;  // transcript texts that must be there
    std::vector<const char*> absent;   // and that must not
    // Bounds of the failing phase in seconds: SEARCH to the outcome (the
    // countdown included) or START to the job's result.
    double minSeconds;
    double maxSeconds;
};

const std::vector<FaultScenario>& faultScenarios();
const FaultScenario* findFaultScenario(const std::wstring& name);
bool knownFaultScenarios(const std::vector<std::wstring>& names);
