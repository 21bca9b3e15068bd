#include "ports/rfc2217_client.h"

#include <cstdio>
#include <cstring>

namespace {

// COM-PORT commands: the client sends these codes, the server answers with
// the code + 100.
enum ComPortCommand : uint8_t {
    signatureCommand = 0,
    setBaudRate = 1,
    setDataSize = 2,
    setParity = 3,
    setStopSize = 4,
    setControl = 5,
    flowControlSuspend = 8,
    flowControlResume = 9,
};
constexpr uint8_t serverAnswer = 100;

// SET-DATASIZE, SET-PARITY, SET-STOPSIZE and SET-CONTROL values.
constexpr uint8_t eightDataBits = 8;
constexpr uint8_t noParity = 1;
constexpr uint8_t oneStopBit = 1;
constexpr uint8_t askFlowControl = 0;
constexpr uint8_t noFlowControl = 1;  // outbound/both
constexpr uint8_t dtrOn = 8;
constexpr uint8_t rtsOn = 11;

const char signature[] = "Flintwell";

bool isOutboundFlowControl(uint8_t value)
{
    // No flow control, XON/XOFF, hardware, DCD, DSR: the answers to a flow
    // control request, where DTR, RTS, BREAK and inbound flow control have
    // codes of their own.
    return value == 1 || value == 2 || value == 3 || value == 17 || value == 19;
}

void fail(Rfc2217Client* client, const char* why)
{
    if (client->phase == Rfc2217Phase::failed)
        return;  // the first reason stands
    client->phase = Rfc2217Phase::failed;
    snprintf(client->failure, sizeof client->failure, "%s", why);
}

void put(Rfc2217Client* client, const uint8_t* bytes, int length)
{
    if (client->outputLength + length > rfc2217OutputSize) {
        fail(client, "the server's negotiation does not end");
        return;
    }
    memcpy(client->output + client->outputLength, bytes, static_cast<size_t>(length));
    client->outputLength += length;
}

void putOption(Rfc2217Client* client, uint8_t verb, uint8_t option)
{
    const uint8_t command[] = {telnetIac, verb, option};
    put(client, command, sizeof command);
}

// IAC SB COM-PORT command value IAC SE, an IAC in the value doubled.
void putComPort(Rfc2217Client* client, uint8_t command, const uint8_t* value, int length)
{
    uint8_t bytes[4 + 2 * sizeof signature + 2] = {telnetIac, telnetSb, comPortOption, command};
    int n = 4 + telnetEscape(value, length, bytes + 4);
    bytes[n++] = telnetIac;
    bytes[n++] = telnetSe;
    put(client, bytes, n);
}

void putSetting(Rfc2217Client* client, uint8_t command, uint8_t value)
{
    putComPort(client, command, &value, 1);
}

void requestSettings(Rfc2217Client* client)
{
    const uint8_t baud[] = {static_cast<uint8_t>(rfc2217BaudRate >> 24), static_cast<uint8_t>(rfc2217BaudRate >> 16),
                            static_cast<uint8_t>(rfc2217BaudRate >> 8), static_cast<uint8_t>(rfc2217BaudRate)};
    putComPort(client, setBaudRate, baud, sizeof baud);
    putSetting(client, setDataSize, eightDataBits);
    putSetting(client, setParity, noParity);
    putSetting(client, setStopSize, oneStopBit);
    putSetting(client, setControl, noFlowControl);
    putSetting(client, setControl, dtrOn);
    putSetting(client, setControl, rtsOn);
    client->settingsSent = true;
}

void checkReady(Rfc2217Client* client)
{
    if (client->phase == Rfc2217Phase::negotiating && client->ourBinary == OptionState::yes &&
        client->theirBinary == OptionState::yes && client->ourComPort == OptionState::yes &&
        client->confirmed == allSettingsConfirmed)
        client->phase = Rfc2217Phase::ready;
}

void takeOption(Rfc2217Client* client, uint8_t verb, uint8_t option)
{
    const bool theirSide = verb == telnetWill || verb == telnetWont;
    OptionState* state = nullptr;
    OptionState unknown = OptionState::no;  // every other option stays off
    if (option == telnetBinaryOption)
        state = theirSide ? &client->theirBinary : &client->ourBinary;
    else if (option == comPortOption && !theirSide)
        state = &client->ourComPort;
    else
        state = &unknown;
    const bool wanted = state != &unknown;
    const OptionState before = *state;
    const uint8_t answer = answerOption(state, verb, wanted);
    if (answer)
        putOption(client, answer, option);
    if (!wanted)
        return;
    if (*state == OptionState::no) {
        fail(client, option == comPortOption ? "the server refuses the COM-PORT option"
                                             : "the server refuses binary transmission");
        return;
    }
    if (option == comPortOption && before != OptionState::yes && *state == OptionState::yes)
        requestSettings(client);
}

// A setting's answer: confirmed when it is the value asked for.
void checkSetting(Rfc2217Client* client, uint8_t bit, unsigned value, unsigned wanted, const char* what)
{
    if (value == wanted) {
        client->confirmed |= bit;
        return;
    }
    char why[sizeof client->failure];
    snprintf(why, sizeof why, "the server set %s %u, not %u", what, value, wanted);
    fail(client, why);
}

void takeComPort(Rfc2217Client* client)
{
    const TelnetReader& r = client->reader;
    if (r.subLength < 1)
        return;
    const uint8_t command = r.sub[0];
    const uint8_t* value = r.sub + 1;
    const int length = r.subCut ? telnetSubnegotiationSize : r.subLength - 1;
    if (command == serverAnswer + signatureCommand) {
        if (length == 0 && !client->signatureSent) {  // a request for ours
            client->signatureSent = true;
            putComPort(client, signatureCommand, reinterpret_cast<const uint8_t*>(signature),
                       static_cast<int>(sizeof signature - 1));
        }
        return;
    }
    if (command == serverAnswer + flowControlSuspend || command == serverAnswer + flowControlResume) {
        client->suspended = command == serverAnswer + flowControlSuspend;
        return;
    }
    // Answers to the settings: before the client asked, they tell of a line
    // the client has not set up yet.
    if (!client->settingsSent)
        return;
    const bool oneByte = length == 1;
    switch (command) {
    case serverAnswer + setBaudRate:
        if (length != 4)
            return fail(client, "the server's baud rate answer is malformed");
        return checkSetting(client, baudConfirmed,
                            static_cast<unsigned>(value[0]) << 24 | static_cast<unsigned>(value[1]) << 16 |
                                static_cast<unsigned>(value[2]) << 8 | value[3],
                            rfc2217BaudRate, "baud rate");
    case serverAnswer + setDataSize:
        if (!oneByte)
            return fail(client, "the server's data size answer is malformed");
        return checkSetting(client, dataSizeConfirmed, value[0], eightDataBits, "data size");
    case serverAnswer + setParity:
        if (!oneByte)
            return fail(client, "the server's parity answer is malformed");
        return checkSetting(client, parityConfirmed, value[0], noParity, "parity");
    case serverAnswer + setStopSize:
        if (!oneByte)
            return fail(client, "the server's stop size answer is malformed");
        return checkSetting(client, stopSizeConfirmed, value[0], oneStopBit, "stop size");
    case serverAnswer + setControl:
        // DTR, RTS and the rest: whatever the server answers, or not at all.
        if (oneByte && isOutboundFlowControl(value[0])) {
            ++client->flowAnswers;
            checkSetting(client, flowControlConfirmed, value[0], noFlowControl, "flow control");
        }
        return;
    default:
        return;  // notifications of line and modem state, mask and purge answers
    }
}

}  // namespace

void rfc2217Start(Rfc2217Client* client)
{
    memset(client, 0, sizeof *client);
    client->phase = Rfc2217Phase::negotiating;
    client->ourBinary = OptionState::asked;
    client->theirBinary = OptionState::asked;
    client->ourComPort = OptionState::asked;
    putOption(client, telnetWill, telnetBinaryOption);
    putOption(client, telnetDo, telnetBinaryOption);
    putOption(client, telnetWill, comPortOption);
}

int rfc2217Receive(Rfc2217Client* client, const uint8_t* bytes, int length, uint8_t* data)
{
    int n = 0;
    for (int i = 0; i < length; ++i) {
        const TelnetStep step = telnetRead(&client->reader, bytes[i]);
        if (step == TelnetStep::data) {
            data[n++] = bytes[i];
            continue;
        }
        if (step == TelnetStep::none || client->phase == Rfc2217Phase::failed)
            continue;  // a failed session says nothing more
        client->heardServer = true;
        if (step == TelnetStep::option)
            takeOption(client, client->reader.verb, client->reader.option);
        else if (client->reader.option == comPortOption)
            takeComPort(client);
        checkReady(client);
    }
    return n;
}

void rfc2217AskFlowControl(Rfc2217Client* client)
{
    putSetting(client, setControl, askFlowControl);
}

void rfc2217OutputSent(Rfc2217Client* client)
{
    client->outputLength = 0;
}

void rfc2217TimedOut(Rfc2217Client* client, int limitMs)
{
    const char* waitingFor = !client->heardServer                    ? "sent no telnet negotiation"
                             : client->ourComPort != OptionState::yes ? "did not take the COM-PORT option"
                             : client->ourBinary != OptionState::yes || client->theirBinary != OptionState::yes
                                 ? "did not agree to binary transmission"
                                 : "did not confirm 19200 8N1 without flow control";
    char why[sizeof client->failure];
    if (limitMs % 1000 == 0)
        snprintf(why, sizeof why, "the server %s within %d s", waitingFor, limitMs / 1000);
    else
        snprintf(why, sizeof why, "the server %s within %d ms", waitingFor, limitMs);
    fail(client, why);
}
