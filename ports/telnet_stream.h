// The telnet stream (RFC 854) as a serial line over the network carries it:
// data bytes, with 0xFF (IAC) sent twice, and among them commands that start
// with a single IAC: option negotiation (IAC WILL/WONT/DO/DONT option),
// subnegotiations (IAC SB option ... IAC SE) and two-byte commands (NOP, GA,
// DM, ...). The reader takes the stream a byte at a time, so a command split
// across receives reads the same as a whole one.
#pragma once
#include <cstdint>

constexpr uint8_t telnetIac = 255;
constexpr uint8_t telnetDont = 254;
constexpr uint8_t telnetDo = 253;
constexpr uint8_t telnetWont = 252;
constexpr uint8_t telnetWill = 251;
constexpr uint8_t telnetSb = 250;
constexpr uint8_t telnetSe = 240;

// The longest subnegotiation kept whole; a longer one is read to its end and
// reported cut.
constexpr int telnetSubnegotiationSize = 64;

enum class TelnetStep : uint8_t {
    none,            // the byte belongs to an unfinished command or to one of no meaning here
    data,            // the byte is a data byte (the second IAC of IAC IAC included)
    option,          // an option command ended: reader.verb about reader.option
    subnegotiation,  // IAC SE ended a subnegotiation about reader.option
};

struct TelnetReader {
    uint8_t state;   // where in a command the reader stands; 0 between commands
    uint8_t verb;    // WILL, WONT, DO or DONT
    uint8_t option;  // of the option command or the subnegotiation
    uint8_t sub[telnetSubnegotiationSize];  // the bytes after the option, IAC IAC read as one 0xFF
    int subLength;                          // how many of them sub holds
    bool subCut;                            // there were more than sub holds
};

// Reads one byte of the stream. Starts from a zeroed reader.
//
// Inside a subnegotiation, IAC followed by anything but SE or IAC ends it
// unreported, and that byte is read as the command after an IAC.
TelnetStep telnetRead(TelnetReader* reader, uint8_t byte);

// Writes bytes to out with every 0xFF doubled (out holds 2 * length bytes);
// the number of bytes written.
int telnetEscape(const uint8_t* bytes, int length, uint8_t* out);
