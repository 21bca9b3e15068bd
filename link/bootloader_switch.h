// Moves a reader that runs its normal firmware into its bootloader: a plain
// AT command, confirmed by an echo.
#pragma once
#include <cstdint>

#include "ports/port.h"

constexpr int bootloaderCommandLength = 12;
constexpr int bootloaderEchoLength = 20;

// "AT+BOOTL_KRU" for 0x0C00, "AT+BOOTL_KRM" for 0x0C01, "AT+BOOTL_USB" for
// any other type.
const char* bootloaderCommand(uint32_t deviceType);

// The echo the reader answers with: LF, CR, the command, " - OK!"
// (bootloaderEchoLength characters and a terminating zero).
void bootloaderEcho(uint32_t deviceType, char echo[bootloaderEchoLength + 1]);

// What came back to the AT command.
enum class EchoHeard : uint8_t {
    none,       // nothing of the command: no reader, or one already in its bootloader
    distorted,  // the command's text, but not the echo to the letter (CR LF swapped,
                // cut short, a spoiled character, text after it)
    exact,      // the echo: the reader confirmed the switch
};

// At least this many characters of the command, in a row, in the answer are
// the command's text: a bootloader's masked frames never spell them.
constexpr int echoTraceLength = 6;

// Sends the command for app.expectedInfo's device type on the open port,
// waits 160 ms, reads up to 32 bytes and compares the first 20 with the
// echo. Either kind of echo means the reader was running its firmware.
EchoHeard switchToBootloader(Port& port);

