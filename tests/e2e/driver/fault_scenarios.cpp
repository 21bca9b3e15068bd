#include "tests/e2e/driver/fault_scenarios.h"

namespace {

// The search's own waits: the countdown (100 ticks of 10 ms), 500 ms, and
// for each of COM5, COM6 and COM7 the switch's 160 ms and read time-out, on
// COM7 also 60 + 500 ms and the reply's read. The job's: about 0.1 s a block
// of the small image (nine blocks), and 500 attempts of 10 ms plus a 60 ms
// read time-out when a block is not acknowledged.
constexpr double searchMax = 8;
constexpr double quickJobMax = 8;
constexpr double ackWaitMin = 30;
constexpr double ackWaitMax = 75;

const std::vector<FaultScenario> scenarios = {
    // --- The search: every one ends with "Device not found!" ----------------
    {"switch-silent", "silence at the switch: no echo of the AT command", "--fault silent", FaultPhase::search,
     JobEnding::interrupted, false, false, "RX AT command", {"-- silent: no echo"}, {"RX identify", "] TX "}, 1,
     searchMax},
    {"identify-silent", "silence at identify: the switch is confirmed, identify is not answered",
     "--fault no-identify-reply", FaultPhase::search, JobEnding::interrupted, false, false, "RX identify (0xF0)",
     {"TX echo", "-- no identify reply"}, {"TX identify reply"}, 1, searchMax},
    {"identify-other-device", "another device's identify reply (a Karvo-7KRU)", "--fault other-device",
     FaultPhase::search, JobEnding::interrupted, false, false, "RX identify (0xF0)",
     {"TX identify reply (0xF0) device=0x00000C01 count=44", "type=0x00000C00"}, {}, 1, searchMax},
    {"identify-short", "a short identify reply (40 data bytes)", "--fault short-identify", FaultPhase::search,
     JobEnding::interrupted, false, false, "RX identify (0xF0)", {"TX identify reply (0xF0) device=0x00000C01 count=40"},
     {}, 1, searchMax},
    {"identify-bad-crc", "an identify reply with a bad CRC", "--fault bad-crc=identify", FaultPhase::search,
     JobEnding::interrupted, false, false, "RX identify (0xF0)", {"TX identify reply", " bad-crc"}, {}, 1, searchMax},
    {"identify-even-length", "an identify reply of even length", "--fault even-length=identify", FaultPhase::search,
     JobEnding::interrupted, false, false, "RX identify (0xF0)", {"TX identify reply", " even-length"}, {}, 1,
     searchMax},
    {"identify-garbage", "4 garbage bytes before the identify reply", "--fault garbage=identify", FaultPhase::search,
     JobEnding::interrupted, false, false, "RX identify (0xF0)", {"TX identify reply", " garbage-before"}, {}, 1,
     searchMax},

    // --- The update job ---------------------------------------------------------
    {"block-refused", "block 5 answered with code 0x55 instead of 0xAA", "--fault bad-ack=5", FaultPhase::job,
     JobEnding::interrupted, false, false, "RX write block (0xF1) #5 ", {"TX refusal (0x55)"}, {"RX reset"}, 0,
     quickJobMax},
    {"block-silent", "silence at block 5: no acknowledgement", "--fault no-ack=5", FaultPhase::job,
     JobEnding::interrupted, false, false, "RX write block (0xF1) #5 ", {"-- no acknowledgement of block 5"},
     {"RX reset"}, ackWaitMin, ackWaitMax},
    {"ack-late-inside", "block 5's acknowledgement 2 s late: inside the 500-attempt wait",
     "--fault late-ack=5:2000", FaultPhase::job, JobEnding::successful, false, false, "RX reset device (0xF3)",
     {"-- ack of block 5 held back 2000 ms", "TX ack (0xAA) device=0x00000C01 count=0 frame=13 late=2000ms",
      "sum matches"},
     {}, 2, quickJobMax + 2},
    {"ack-late-beyond", "block 5's acknowledgement 60 s late: beyond the 500-attempt wait",
     "--fault late-ack=5:60000", FaultPhase::job, JobEnding::interrupted, false, false, "RX write block (0xF1) #5 ",
     {"-- ack of block 5 held back 60000 ms"}, {"late=60000ms", "RX reset"}, ackWaitMin, ackWaitMax},
    {"hang-up", "hang-up after block 5: the reader and its COM port go away mid-transfer", "--fault hang-up=5",
     FaultPhase::job, JobEnding::interrupted, false, true, "RX write block (0xF1) #5 ",
     {"-- hang-up after block 5"}, {"RX reset"}, ackWaitMin, ackWaitMax},
    {"settings-silent", "silence at reset settings (the reset option chosen)", "--fault no-settings-ack",
     FaultPhase::job, JobEnding::settingsUnconfirmed, true, false, "RX reset settings (0xF2)",
     {"-- no acknowledgement of reset settings"}, {"RX reset device"}, 0, quickJobMax},
    {"settings-garbage", "4 garbage bytes before the reset-settings acknowledgement", "--fault garbage=settings",
     FaultPhase::job, JobEnding::settingsUnconfirmed, true, false, "RX reset settings (0xF2)",
     {"TX ack (0xAA)", " garbage-before"}, {"RX reset device"}, 0, quickJobMax},
    {"reset-silent", "silence at reset device", "--fault no-reset-ack", FaultPhase::job, JobEnding::resetUnconfirmed,
     false, false, "RX reset device (0xF3)", {"sum matches", "-- no acknowledgement of reset device"}, {}, 0,
     quickJobMax},
    {"reset-bad-crc", "a reset-device acknowledgement with a bad CRC", "--fault bad-crc=reset", FaultPhase::job,
     JobEnding::resetUnconfirmed, false, false, "RX reset device (0xF3)", {"sum matches", " bad-crc"}, {}, 0,
     quickJobMax},
    {"reset-even-length", "a reset-device acknowledgement of even length", "--fault even-length=reset",
     FaultPhase::job, JobEnding::resetUnconfirmed, false, false, "RX reset device (0xF3)",
     {"sum matches", " even-length"}, {}, 0, quickJobMax},
    {"update-with-settings", "no fault: the update with the reset option, for comparison", "", FaultPhase::job,
     JobEnding::successful, true, false, "RX reset device (0xF3)", {"(is eepromStart)", "sum matches"}, {}, 0,
     quickJobMax},
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
