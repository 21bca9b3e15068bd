// The one process-wide state record. Created zeroed at start, never freed.
#pragma once
#include <cstdint>

#include "link/device_info.h"
#include "link/link_reply.h"

struct TextTable;

// An operating-system handle of an open serial port, or of a thread, held
// opaquely so that the portable code never sees a platform header.
using PortHandle = intptr_t;
using ThreadHandle = intptr_t;
constexpr PortHandle invalidPortHandle = -1;

constexpr int portNameSize = 7;  // "COM" and up to three digits, plus the terminator

// How the last device search ended (for front ends and tests).
enum class SearchOutcome : uint8_t { none, noPorts, notFound, foundOffered, foundDeclined };

struct AppState {
    // Texts and languages
    uint8_t language;          // 0 Russian, 1 English
    const TextTable* texts;    // the current language's table (applyTexts)

    // Main window
    int countdownTicks;

    // Serial port
    PortHandle portHandle;
    bool portOpen;
    char portName[portNameSize];

    // Device information: declared by the image, reported by the device
    DeviceInfo expectedInfo;
    DeviceInfo reportedInfo;
    LinkReply linkReply;

    // Configuration and update state
    bool resetSettingsDefault;
    bool updateDone;
    uint16_t flashDataSum;
    uint16_t upperAddress;
    ThreadHandle jobThread;
    SearchOutcome lastSearch;
};

extern AppState app;

// Puts the state back to what a fresh process starts with (tests use it
// between cases; the program itself calls it once).
void resetAppState();
