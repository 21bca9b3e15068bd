// Moves a reader that runs its normal firmware into its bootloader: a plain
// AT command, confirmed by an echo.
#pragma once
#include <cstdint>

constexpr int bootloaderCommandLength = 12;
constexpr int bootloaderEchoLength = 20;

// "AT+BOOTL_KRU" for 0x0C00, "AT+BOOTL_KRM" for 0x0C01, "AT+BOOTL_USB" for
// any other type.
const char* bootloaderCommand(uint32_t deviceType);

// The echo the reader answers with: LF, CR, the command, " - OK!"
// (bootloaderEchoLength characters and a terminating zero).
void bootloaderEcho(uint32_t deviceType, char echo[bootloaderEchoLength + 1]);

// Sends the command for app.expectedInfo's device type on the open port,
// waits 160 ms, reads up to 32 bytes and compares the first 20 with the echo.
// True when they match.
bool switchToBootloader();
