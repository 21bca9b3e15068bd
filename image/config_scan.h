// Reads the configuration records of the image text (which device, hardware,
// memory layout, USB identifiers and firmware version it is for) into
// app.expectedInfo.
#pragma once
#include <cstdint>

#include "link/device_info.h"

// Room for one hex line: at most 63 characters, LF included, and a zero.
constexpr int hexLineSize = 64;

// True when the identity and version records were found and converted; then
// app.expectedInfo is filled, otherwise it is left untouched. A configuration
// line that does not fit hexLineSize, or that the text ends inside (no LF),
// makes it fail; a longer line that is none of the four is stepped over whole.
bool scanImageConfig(const uint8_t* text, uint32_t length);

// Why the scan stopped.
enum class ConfigScanEnd : uint8_t {
    found,
    noIdentityRecord,   // no line starts with ":10480000"
    identityLinesCut,   // the text ends before the two lines after it are whole
    noVersionRecord,    // no line after those starts with ":10540000"
    versionRecordLast,  // the version record is the last line of the text
    lineTooLong,        // a configuration line does not fit the line buffer
    notHex,             // a configuration byte is not two upper-case hex digits
};

// What the scan read: the image's device information, where it found its
// four lines (text offsets of the identity line, the two after it and the
// version line, as far as it came) and where it stopped.
struct ImageConfig {
    DeviceInfo info;
    uint32_t lineAt[4];
    ConfigScanEnd stop;
    uint32_t stopAt;
};

// The scan of scanImageConfig, leaving app alone.
ConfigScanEnd readImageConfig(const uint8_t* text, uint32_t length, ImageConfig* config);

// Copies the next line of the text (up to and including its LF) into line,
// which it first clears, and returns its length. Bounded by the text and by
// lineSize (a zero always follows the copy). Returns 0 when there is no
// whole line to take: the text is used up, the text ends before an LF, or
// the line with its LF needs more than lineSize - 1 characters; line then
// holds what fitted of it.
int readHexLine(char* line, int lineSize, const uint8_t* source, uint32_t sourceLeft);

// Two upper-case hex digits to a byte; anything else (lower case included) fails.
bool hexPairToByte(const char* chars, uint8_t* value);


