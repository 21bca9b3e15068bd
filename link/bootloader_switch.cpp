#include "link/bootloader_switch.h"

#include <cstring>

#include "app/app_state.h"
#include "app/system.h"
#include "link/device_info.h"
#include "ports/port_access.h"

namespace {

constexpr unsigned echoWaitMs = 160;
constexpr int echoReadMaximum = 32;

}  // namespace

const char* bootloaderCommand(uint32_t deviceType)
{
    if (deviceType == deviceTypeKru)
        return "AT+BOOTL_KRU";
    if (deviceType == deviceTypeKrm)
        return "AT+BOOTL_KRM";
    return "AT+BOOTL_USB";
}

void bootloaderEcho(uint32_t deviceType, char echo[bootloaderEchoLength + 1])
{
    echo[0] = '\n';
    echo[1] = '\r';
    memcpy(echo + 2, bootloaderCommand(deviceType), bootloaderCommandLength);
    memcpy(echo + 2 + bootloaderCommandLength, " - OK!", 6);
    echo[bootloaderEchoLength] = '\0';
}

bool switchToBootloader()
{
    const char* command = bootloaderCommand(app.expectedInfo.deviceType);
    if (!writeBytes(reinterpret_cast<const uint8_t*>(command), bootloaderCommandLength))
        return false;
    sleepMs(echoWaitMs);
    uint8_t answer[echoReadMaximum];
    int count = 0;
    if (!readBytes(answer, echoReadMaximum, &count))
        return false;
    if (count < bootloaderEchoLength)
        return false;
    char echo[bootloaderEchoLength + 1];
    bootloaderEcho(app.expectedInfo.deviceType, echo);
    return memcmp(answer, echo, bootloaderEchoLength) == 0;
}
