// Command line of karvo-sim: the line to serve, the reader's identity, the
// outputs and the faults to play.
#pragma once
#include <cstdint>
#include <string>

#include "link/device_info.h"

// Which replies a reply fault spoils.
struct ReplySelector {
    bool identify;
    bool settings;
    bool reset;
    bool allBlocks;
    int block;  // 1-based block number, 0 for none
};

struct SimFaults {
    bool silent;
    bool echoCrFirst;
    bool echoCut;
    bool echoTypo;   // '.' for the echo's last '!'
    bool echoExtra;  // "\r\n>" after the echo
    bool otherDevice;
    bool shortIdentify;
    bool noIdentifyReply;
    int noAckBlock;   // 0 for none
    int badAckBlock;  // 0 for none
    int hangUpBlock;  // 0 for none
    int ackDelayMs;
    int lateAckBlock;  // 0 for none
    int lateAckMs;
    bool noSettingsAck;
    bool noResetAck;
    ReplySelector badCrc;
    ReplySelector evenLength;
    ReplySelector garbage;
};

struct SimOptions {
    std::string ttyPath;   // --tty
    std::string ptyLink;   // --pty
    DeviceInfo identity;
    bool startInBootloader;
    bool pace;
    std::string flashOut;
    std::string transcript;
    SimFaults faults;
};

// The identity of the project's sample firmware, but version 1.04.
DeviceInfo defaultSimIdentity();

// Fills options from the arguments. Returns 0 to run, 1 when --help was
// printed, 2 on a usage error (the reason is on stderr).
int parseSimOptions(int argc, char** argv, SimOptions* options);

extern const char simUsage[];
