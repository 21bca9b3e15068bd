// The one process-wide state record. Created zeroed at start, never freed.
#pragma once
#include <atomic>
#include <cstdint>

#include "app/found_reader.h"
#include "app/device_info.h"
#include "app/link_reply.h"

struct TextTable;

// An operating-system handle of an open serial port, or of a thread, held
// opaquely so that the portable code never sees a platform header.
using PortHandle = intptr_t;
using ThreadHandle = intptr_t;
constexpr PortHandle invalidPortHandle = -1;

// How the last device search ended (for front ends and tests).
// stopped: a stop request ended it before a reader was found.
enum class SearchOutcome : uint8_t { none, noPorts, notFound, foundOffered, foundDeclined, stopped };

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
    const TextTable* texts;    // the current language's table (applyTexts); none yet: Russian

    // Main window
    int countdownTicks;

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
    FoundReader reader;        // the last search's reader (app/found_reader.h)
    bool closePending;         // a close asked for while busy, carried out when idle
    bool sessionEnding;        // Windows is ending the session: send nothing more (the
                               // window thread's; the worker reads jobStopRequested)
};

// Asks the running search or job to stop before its next port or request (a
// signal handler, a console event or the end of the session sets it). Once
// set, no job starts in this process. The one flag the worker reads.
extern std::atomic<bool> jobStopRequested;
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler sets jobStopRequested");

extern AppState app;

// Puts the state back to what a fresh process starts with (tests use it
// between cases; the program itself calls it once).
void resetAppState();
