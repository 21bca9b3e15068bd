#include "ports/telnet_stream.h"

namespace {

enum ReaderState : uint8_t {
    betweenCommands = 0,
    afterIac,          // IAC read
    afterVerb,         // IAC WILL/WONT/DO/DONT read, the option comes next
    afterSb,           // IAC SB read, the option comes next
    inSubnegotiation,  // IAC SB option read
    afterSubIac,       // an IAC inside the subnegotiation
};

// The byte after an IAC, between commands or after a broken subnegotiation.
TelnetStep readCommand(TelnetReader* reader, uint8_t byte)
{
    if (byte == telnetIac) {
        reader->state = betweenCommands;
        return TelnetStep::data;
    }
    if (byte >= telnetWill) {  // WILL, WONT, DO, DONT
        reader->verb = byte;
        reader->state = afterVerb;
        return TelnetStep::none;
    }
    if (byte == telnetSb) {
        reader->state = afterSb;
        return TelnetStep::none;
    }
    reader->state = betweenCommands;  // a two-byte command: NOP, DM, GA, a stray SE, ...
    return TelnetStep::none;
}

void keep(TelnetReader* reader, uint8_t byte)
{
    if (reader->subLength < telnetSubnegotiationSize)
        reader->sub[reader->subLength++] = byte;
    else
        reader->subCut = true;
}

}  // namespace

TelnetStep telnetRead(TelnetReader* reader, uint8_t byte)
{
    switch (reader->state) {
    case afterIac:
        return readCommand(reader, byte);
    case afterVerb:
        reader->option = byte;
        reader->state = betweenCommands;
        return TelnetStep::option;
    case afterSb:
        reader->option = byte;
        reader->subLength = 0;
        reader->subCut = false;
        reader->state = inSubnegotiation;
        return TelnetStep::none;
    case inSubnegotiation:
        if (byte == telnetIac)
            reader->state = afterSubIac;
        else
            keep(reader, byte);
        return TelnetStep::none;
    case afterSubIac:
        if (byte == telnetIac) {
            keep(reader, byte);
            reader->state = inSubnegotiation;
            return TelnetStep::none;
        }
        if (byte == telnetSe) {
            reader->state = betweenCommands;
            return TelnetStep::subnegotiation;
        }
        return readCommand(reader, byte);
    default:
        if (byte == telnetIac) {
            reader->state = afterIac;
            return TelnetStep::none;
        }
        return TelnetStep::data;
    }
}

int telnetEscape(const uint8_t* bytes, int length, uint8_t* out)
{
    int n = 0;
    for (int i = 0; i < length; ++i) {
        out[n++] = bytes[i];
        if (bytes[i] == telnetIac)
            out[n++] = telnetIac;
    }
    return n;
}
