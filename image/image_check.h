// The image check: every rule that the updater relies on, tried on a
// firmware hex file before a release is built from it. An image that passes
// packs, loads at start-up and streams every data byte once, at its own
// address, inside the flash it declares.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "link/device_info.h"

// One problem, at a line of the hex file (1 for the first).
struct ImageProblem {
    uint32_t line;
    std::string reason;
};

// One block that the update writes.
struct PlannedBlock {
    uint32_t address;
    uint8_t count;
};

struct ImageCheck {
    std::vector<ImageProblem> problems;  // in line order; none when the image passes
    bool configRead;                     // the configuration records were read into info
    DeviceInfo info;
    std::vector<PlannedBlock> blocks;  // what the update writes, in order (filled when the records allow)
    uint16_t dataSum;                  // what the reset-device request will carry
};

// Checks the bytes of a hex file (CR LF or LF line ends, as the packer takes
// it).
void checkImage(const uint8_t* file, uint32_t size, ImageCheck* check);

// "FILE:LINE: reason", as the tools print a problem.
std::string problemText(const char* file, const ImageProblem& problem);
