#include "link/bootloader_switch.h"

#include <cstring>

#include "app/app_state.h"
#include "app/system.h"
#include "link/device_info.h"
#include "link/reader_models.h"
#include "ports/port_access.h"

namespace {

constexpr unsigned echoWaitMs = 160;
constexpr int echoReadMaximum = 32;

// How an answer of count bytes to the command for deviceType reads.
EchoHeard judgeEcho(uint32_t deviceType, const uint8_t* answer, int count)
{
    char echo[bootloaderEchoLength + 1];
    bootloaderEcho(deviceType, echo);
    if (count >= bootloaderEchoLength && memcmp(answer, echo, bootloaderEchoLength) == 0)
        return EchoHeard::exact;
    // Any run of echoTraceLength characters of the command, anywhere.
    const char* command = bootloaderCommand(deviceType);
    for (int from = 0; from + echoTraceLength <= bootloaderCommandLength; ++from)
        for (int at = 0; at + echoTraceLength <= count; ++at)
            if (memcmp(answer + at, command + from, echoTraceLength) == 0)
                return EchoHeard::distorted;
    return EchoHeard::none;
}

}  // namespace

const char* bootloaderCommand(uint32_t deviceType)
{
    return readerModel(deviceType).atCommand;
}

void bootloaderEcho(uint32_t deviceType, char echo[bootloaderEchoLength + 1])
{
    echo[0] = '\n';
    echo[1] = '\r';
    memcpy(echo + 2, bootloaderCommand(deviceType), bootloaderCommandLength);
    memcpy(echo + 2 + bootloaderCommandLength, " - OK!", 6);
    echo[bootloaderEchoLength] = '\0';
}

EchoHeard switchToBootloader(Port& port)
{
    const char* command = bootloaderCommand(app.expectedInfo.deviceType);
    if (!writeBytes(port, reinterpret_cast<const uint8_t*>(command), bootloaderCommandLength))
        return EchoHeard::none;
    sleepMs(echoWaitMs + portRoundTripMs(port));
    uint8_t answer[echoReadMaximum];
    int count = 0;
    if (!readBytes(port, answer, echoReadMaximum, &count))
        return EchoHeard::none;
    return judgeEcho(app.expectedInfo.deviceType, answer, count);
}
