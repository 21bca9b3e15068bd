// The reader that the last search found, as one value: who it is, how the
// search came to it and what this run knows of its firmware. The decision,
// the job, the shutdown, the console updater's result and the service
// record read it; nothing else answers "which reader, and is it whole?".
#pragma once
#include <cstdint>

#include "app/device_info.h"

constexpr int portNameSize = 7;    // a listed COM name: "COM" and up to three digits, plus the terminator
constexpr int portTextSize = 256;  // a port as given: "COM7", "/dev/ttyUSB0", "rfc2217://host:4001"

// How the search came to the reader.
enum class FoundBy : uint8_t {
    nothing,              // no reader (yet) in this search
    echo,                 // it answered the AT command with its echo: it was running its firmware
    distortedEcho,        // it sent the command's text back, spoiled: it was running its firmware too
    silenceThenIdentify,  // nothing came back to the AT command, but it answered identify
};

// What this run knows of the reader's firmware.
enum class FirmwareKnown : uint8_t {
    nothing,       // no reader, or nothing known
    whole,         // it ran its firmware in this run and nothing was written since, or this run updated it
    inBootloader,  // found in its bootloader: its firmware may be incomplete
    halfWritten,   // a job of this run began writing it and did not finish
};

struct FoundReader {
    FoundBy how;
    FirmwareKnown firmware;
    bool identified;          // info holds its identify reply (else only the switch was seen)
    DeviceInfo info;          // as it identified itself: identity, firmware version, ...
    char port[portTextSize];  // where it was found, as listed or given; on USB the port it came back on
};

// One reader is another only when type, hardware, barcode and cipher id all
// agree: never by the barcode alone.
inline bool sameReader(const DeviceInfo& a, const DeviceInfo& b)
{
    return a.deviceType == b.deviceType && a.hardware == b.hardware && a.barcode == b.barcode &&
           a.cipherId == b.cipherId;
}
