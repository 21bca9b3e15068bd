// The Karvo-7 reader models, one row each: everything that differs between
// them. A new model is one row here (and the simulator's identity options).
#pragma once
#include <cstdint>

// How the search reaches a model's reader.
enum class SearchPath : uint8_t {
    serial,        // every listed port in turn: AT command, then identify
    usbSwitched,   // switched through the port its USB identifiers lead to, identified there
    usbIdentified, // identified on the port its USB identifiers lead to, no switch
};

struct ReaderModel {
    uint32_t deviceType;
    const char* atCommand;     // moves its running firmware into the bootloader (12 characters)
    SearchPath search;
    bool toldToLeave;          // receives the leave-bootloader request at close
    uint32_t leaveDevice;      // the device field of that request
    const char* name;          // in the console's header: "Karvo-7KRM", "Karvo-7-USB"
    const char* boardLines;    // the header's board lines after the name ("" for none)
    const char* headerRule;    // the header's line of plus signs
    const char* reportName;    // in the device report: "Karvo-7-USB (pcb: MAIN)"
    const char* recordName;    // in the service record: "Karvo-7-USB MAIN"
};

// The row of a device type, or the row of unknown types (deviceType 0: the
// USB path without a switch, never told to leave, "Unknown device!").
const ReaderModel& readerModel(uint32_t deviceType);

// True for a device type that has a row of its own.
bool isKnownModel(uint32_t deviceType);
