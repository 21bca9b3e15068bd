#include "tests/e2e/driver/fault_scenarios.h"

namespace {

// A block not acknowledged: 500 attempts of 10 ms plus a 60 ms read time-out.
constexpr double ackWaitMin = 30;
constexpr double ackWaitMax = 75;

// The one fault only the real Win32 serial layer shows; the reader's faulty
// replies are proven natively.
const std::vector<FaultScenario> scenarios = {
    {"hang-up", "hang-up after block 5: the reader and its COM port go away mid-transfer", "--fault hang-up=5",
     JobEnding::interrupted, true, "RX write block (0xF1) #5 ",
     {"-- hang-up after block 5"}, {"RX reset"}, ackWaitMin, ackWaitMax},
};

}  // namespace

const std::vector<FaultScenario>& faultScenarios()
{
    return scenarios;
}

const FaultScenario* findFaultScenario(const std::wstring& name)
{
    for (const FaultScenario& s : scenarios) {
        const std::string n = s.name;
        if (std::wstring(n.begin(), n.end()) == name)
            return &s;
    }
    return nullptr;
}

bool knownFaultScenarios(const std::vector<std::wstring>& names)
{
    for (const std::wstring& name : names)
        if (findFaultScenario(name) == nullptr)
            return false;
    return true;
}
