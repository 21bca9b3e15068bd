// Steps that the fault matrix and the soak share: searching again, running
// the update job, the console a job must leave, where COM7 stands, and how
// long a phase took.
#pragma once
#include "tests/e2e/driver/fault_scenarios.h"
#include "tests/e2e/driver/operator.h"

// The time from a command to the outcome, and whether it came.
struct Outcome {
    bool came;
    double seconds;
};

// SEARCH: the countdown starts, the search runs and the window is enabled
// again; bounded by waitMs.
Outcome searchAgain(Session& s, int waitMs = 30000);
// START: the window is disabled for the job and enabled again with the
// result banner in the console; bounded by waitMs. Checks that the progress
// bar moved and is back at 0.
Outcome runJob(Session& s, const std::string& when, int waitMs);

// The console after a search that found the default reader (1.04) and
// offered the update, from the dots on.
std::wstring offeredAfterDots(const Session& s);
// What a job with that ending adds to the console (resetSettings: the
// option was chosen; writeError: a failed write's line before the
// interruption).
std::wstring jobConsole(const Session& s, JobEnding ending, bool resetSettings, const std::wstring& writeError = L"");

void expectFoundAndOffered(Session& s, const std::string& when);
void expectNotFound(Session& s, const std::string& when);
// COM7 as sim_keeper.sh sees it: "open" (held by the program), "closed" or "gone".
void expectComPort(const std::string& state, const std::string& when);

// Prints "time: WHAT took N.NN s" and checks the bounds.
void expectTime(const std::string& what, double seconds, double minSeconds, double maxSeconds);
