#include "tools/karvo_sim/sim_options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const char simUsage[] =
    "Usage: karvo-sim (--pty LINK | --tty PATH) [options]\n"
    "\n"
    "A Karvo-7 reader on a serial line: its normal firmware, which takes the AT\n"
    "command of its model and restarts into the bootloader, and the bootloader,\n"
    "which answers identify, write block, reset settings, reset device and\n"
    "leave bootloader frames. Prints the path of the line's device on stdout\n"
    "when it is ready; SIGINT or SIGTERM end it after its outputs are written.\n"
    "\n"
    "Line:\n"
    "  --pty LINK          open a pseudo-terminal pair and make LINK a symbolic\n"
    "                      link to the end the updater opens (removed at exit)\n"
    "  --tty PATH          serve an existing serial device or pseudo-terminal end\n"
    "  --pace              send and read at the pace of 19200 baud (10 bits, about\n"
    "                      0.52 ms, a byte)\n"
    "  --start-in-bootloader  start in the bootloader instead of the firmware\n"
    "\n"
    "Identity (numbers decimal or 0x-hexadecimal; default in brackets):\n"
    "  --type N            device type [0xC01, Karvo-7KRM]; selects the AT command:\n"
    "                      0xC00 AT+BOOTL_KRU, 0xC01 AT+BOOTL_KRM, else AT+BOOTL_USB\n"
    "  --hardware N        hardware variant 0xXXSSCCPP [0x10203]\n"
    "  --version N         firmware version 0xMMmm [0x104, 1.04]\n"
    "  --barcode N         barcode [12345678]\n"
    "  --cipher N          cipher identifier [0xA000001]\n"
    "  --vidpid N          USB identifiers 0xVVVVPPPP [0x1234ABCD]\n"
    "  --flash START:END   flash range [0x8000000:0x8040000]\n"
    "  --eeprom START:END  EEPROM range [0x8080000:0x8081000]\n"
    "  --interface CODE:VERSION:PARAMETER  bootloader interface [0x61:0x100:128]\n"
    "\n"
    "Outputs:\n"
    "  --flash-out FILE    the flash received, as Intel HEX, written at every\n"
    "                      reset-device request and at exit\n"
    "  --transcript FILE   one line per frame received or sent, decoded\n"
    "\n"
    "Faults (--fault NAME[=ARG], repeatable; blocks count from 1 in each\n"
    "bootloader session; WHICH is identify, settings, reset, blocks or a block\n"
    "number):\n"
    "  silent              answer nothing at all, stay in the firmware\n"
    "  echo-cr-lf          echo the AT command with CR before LF (the reader\n"
    "                      still restarts into its bootloader)\n"
    "  echo-cut            echo only the first 19 bytes (and restart as well)\n"
    "  echo-typo           echo with its last character wrong ('.' for '!')\n"
    "  echo-extra          follow the echo with a line end and a prompt, as some\n"
    "                      readers do\n"
    "  other-device        identify as another model (0xC00, or 0xC01 for a\n"
    "                      0xC00 reader)\n"
    "  short-identify      identify reply with 40 data bytes instead of 44\n"
    "  no-identify-reply   confirm the switch, then answer no identify request\n"
    "  no-ack=K            leave block K unacknowledged\n"
    "  bad-ack=K           answer block K with code 0x55 instead of 0xAA\n"
    "  bad-crc=WHICH       spoil the CRC of those replies\n"
    "  even-length=WHICH   send those replies with one more filler byte (even length)\n"
    "  garbage=WHICH       send 4 garbage bytes right before those replies\n"
    "  ack-delay=MS        send every acknowledgement MS milliseconds late\n"
    "  late-ack=K:MS       hold block K's acknowledgement back MS milliseconds\n"
    "                      while serving the line (a signal ends the wait)\n"
    "  hang-up=K           after acknowledging block K close the line and exit\n"
    "  no-settings-ack     leave reset settings unacknowledged\n"
    "  no-reset-ack        leave reset device unacknowledged\n"
    "\n"
    "  --help              show this text\n"
    "\n"
    "Exit status: 0 after a signal or a hang-up fault, 1 when the line cannot be\n"
    "served, 2 on a usage error.\n";

namespace {

bool parseNumber(const char* text, uint32_t* value)
{
    if (!text || !*text || *text == '-' || *text == '+')
        return false;
    char* end = nullptr;
    const int base = (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) ? 16 : 10;
    const unsigned long long parsed = strtoull(text, &end, base);
    if (*end != '\0' || parsed > 0xFFFFFFFFull || (base == 16 && text[2] == '\0'))
        return false;
    *value = static_cast<uint32_t>(parsed);
    return true;
}

// "A:B" or "A:B:C" into up to three numbers.
bool parseNumbers(const char* text, uint32_t* values, int count)
{
    std::string rest = text;
    for (int i = 0; i < count; ++i) {
        const size_t colon = rest.find(':');
        const bool last = i == count - 1;
        if (last != (colon == std::string::npos))
            return false;
        const std::string part = last ? rest : rest.substr(0, colon);
        if (!parseNumber(part.c_str(), &values[i]))
            return false;
        rest = last ? "" : rest.substr(colon + 1);
    }
    return true;
}

bool parseSelector(const char* text, ReplySelector* selector)
{
    if (!strcmp(text, "identify"))
        selector->identify = true;
    else if (!strcmp(text, "settings"))
        selector->settings = true;
    else if (!strcmp(text, "reset"))
        selector->reset = true;
    else if (!strcmp(text, "blocks"))
        selector->allBlocks = true;
    else {
        uint32_t block = 0;
        if (!parseNumber(text, &block) || block == 0 || block > 0x7FFFFFFF)
            return false;
        selector->block = static_cast<int>(block);
    }
    return true;
}

bool parseBlockNumber(const char* text, int* block)
{
    uint32_t value = 0;
    if (!parseNumber(text, &value) || value == 0 || value > 0x7FFFFFFF)
        return false;
    *block = static_cast<int>(value);
    return true;
}

bool parseFault(const std::string& text, SimFaults* f)
{
    const size_t eq = text.find('=');
    const std::string name = text.substr(0, eq);
    const bool hasArg = eq != std::string::npos;
    const char* arg = hasArg ? text.c_str() + eq + 1 : "";
    struct Flag {
        const char* name;
        bool* flag;
    } flags[] = {{"silent", &f->silent},
                 {"echo-cr-lf", &f->echoCrFirst},
                 {"echo-cut", &f->echoCut},
                 {"echo-extra", &f->echoExtra},
                 {"echo-typo", &f->echoTypo},
                 {"other-device", &f->otherDevice},
                 {"short-identify", &f->shortIdentify},
                 {"no-identify-reply", &f->noIdentifyReply},
                 {"no-settings-ack", &f->noSettingsAck},
                 {"no-reset-ack", &f->noResetAck}};
    for (const Flag& flag : flags)
        if (name == flag.name) {
            *flag.flag = true;
            return !hasArg;
        }
    if (!hasArg)
        return false;
    if (name == "no-ack")
        return parseBlockNumber(arg, &f->noAckBlock);
    if (name == "bad-ack")
        return parseBlockNumber(arg, &f->badAckBlock);
    if (name == "hang-up")
        return parseBlockNumber(arg, &f->hangUpBlock);
    if (name == "ack-delay") {
        uint32_t ms = 0;
        if (!parseNumber(arg, &ms) || ms > 600000)
            return false;
        f->ackDelayMs = static_cast<int>(ms);
        return true;
    }
    if (name == "late-ack") {
        uint32_t values[2] = {};
        if (!parseNumbers(arg, values, 2) || values[0] == 0 || values[0] > 0x7FFFFFFF || values[1] == 0 ||
            values[1] > 600000)
            return false;
        f->lateAckBlock = static_cast<int>(values[0]);
        f->lateAckMs = static_cast<int>(values[1]);
        return true;
    }
    if (name == "bad-crc")
        return parseSelector(arg, &f->badCrc);
    if (name == "even-length")
        return parseSelector(arg, &f->evenLength);
    if (name == "garbage")
        return parseSelector(arg, &f->garbage);
    return false;
}

int usageError(const char* what, const char* value)
{
    fprintf(stderr, "karvo-sim: %s%s%s\nTry 'karvo-sim --help'.\n", what, value ? ": " : "", value ? value : "");
    return 2;
}

}  // namespace

DeviceInfo defaultSimIdentity()
{
    DeviceInfo info{};
    info.interfaceCode = imageInterfaceCode;
    info.interfaceVersion = imageInterfaceVersion;
    info.interfaceParameter = imageInterfaceParameter;
    info.barcode = 12345678;
    info.cipherId = 0x0A000001;
    info.deviceType = deviceTypeKrm;
    info.hardware = 0x00010203;
    info.softwareVersion = 0x0104;
    info.vidPid = 0x1234ABCD;
    info.flashStart = 0x08000000;
    info.flashEnd = 0x08040000;
    info.eepromStart = 0x08080000;
    info.eepromEnd = 0x08081000;
    return info;
}

int parseSimOptions(int argc, char** argv, SimOptions* options)
{
    *options = SimOptions{};
    options->identity = defaultSimIdentity();
    DeviceInfo& id = options->identity;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        bool inlineValue = false;
        const size_t eq = name.find('=');
        if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            inlineValue = true;
        }
        if (name == "--help") {
            fputs(simUsage, stdout);
            return 1;
        }
        if (name == "--pace" || name == "--start-in-bootloader") {
            if (inlineValue)
                return usageError("takes no value", name.c_str());
            (name == "--pace" ? options->pace : options->startInBootloader) = true;
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= argc)
                return usageError("missing value", name.c_str());
            value = argv[++i];
        }
        const char* v = value.c_str();
        uint32_t n[3] = {};
        bool ok = true;
        if (name == "--tty")
            options->ttyPath = value;
        else if (name == "--pty")
            options->ptyLink = value;
        else if (name == "--flash-out")
            options->flashOut = value;
        else if (name == "--transcript")
            options->transcript = value;
        else if (name == "--fault")
            ok = parseFault(value, &options->faults);
        else if (name == "--type")
            ok = parseNumber(v, &id.deviceType);
        else if (name == "--hardware")
            ok = parseNumber(v, &id.hardware);
        else if (name == "--version")
            ok = parseNumber(v, &id.softwareVersion);
        else if (name == "--barcode")
            ok = parseNumber(v, &id.barcode);
        else if (name == "--cipher")
            ok = parseNumber(v, &id.cipherId);
        else if (name == "--vidpid")
            ok = parseNumber(v, &id.vidPid);
        else if (name == "--flash") {
            ok = parseNumbers(v, n, 2);
            id.flashStart = n[0];
            id.flashEnd = n[1];
        } else if (name == "--eeprom") {
            ok = parseNumbers(v, n, 2);
            id.eepromStart = n[0];
            id.eepromEnd = n[1];
        } else if (name == "--interface") {
            ok = parseNumbers(v, n, 3) && n[0] <= 0xFF && n[1] <= 0xFFFF && n[2] <= 0xFF;
            id.interfaceCode = static_cast<uint8_t>(n[0]);
            id.interfaceVersion = static_cast<uint16_t>(n[1]);
            id.interfaceParameter = static_cast<uint8_t>(n[2]);
        } else
            return usageError("unknown option", name.c_str());
        if (!ok || value.empty())
            return usageError(("bad value for " + name).c_str(), v);
    }
    if (options->ttyPath.empty() == options->ptyLink.empty())
        return usageError("give exactly one of --pty LINK and --tty PATH", nullptr);
    return 0;
}
