// The one process-wide state record. Created zeroed at start, never freed.
#pragma once
#include <atomic>
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

// What the program is doing. Close, Quit, the language items, SEARCH and
// START ask it before they touch the port.
enum class Activity : uint8_t { idle, countdown, searching, updating };

// How the last update job ended. Front ends, the exit status and the
// shutdown read it, never the log text.
enum class JobOutcome : uint8_t {
    none,                   // no job in this run
    updated,                // written, every reset acknowledged
    notStarted,             // the worker could not be started: nothing written
    failedWriting,          // at block jobBlock (or before the first block)
    stopped,                // stopped on request before block jobBlock (0: before the resets)
    failedAtSettingsReset,  // the settings reset was not acknowledged
    failedAtDeviceReset,    // the device reset was not acknowledged
};

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
    ThreadHandle jobThread;    // the worker's, while a search or a job runs (workflow/worker.h)
    SearchOutcome lastSearch;

    // Keeping the reader reachable
    Activity activity;
    JobOutcome lastJob;
    uint16_t jobBlock;         // the block the last job stopped at, 1-based (0: none)
    uint16_t blocksWritten;    // blocks acknowledged by the running or last job
    bool foundInBootloader;    // the last search found the reader already in its bootloader
    bool readerWhole;          // the reader is known to hold whole firmware (echoed the
                               // AT command in this run, nothing written since, or updated)
    uint32_t wholeReaderBarcode;  // whose firmware that is
    bool closePending;         // a close asked for while busy, carried out when idle
    bool sessionEnding;        // Windows is ending the session: send nothing more
};

// Asks the running job to stop before its next request (a signal handler or
// the end of the session may set it); cleared when a job starts.
extern std::atomic<bool> jobStopRequested;
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler sets jobStopRequested");

extern AppState app;

// Puts the state back to what a fresh process starts with (tests use it
// between cases; the program itself calls it once).
void resetAppState();
