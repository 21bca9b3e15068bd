// A port as the user gives it, read into a value: a local serial port (COM7,
// /dev/ttyUSB0: any text without a scheme), or a serial port on the network,
// behind an RFC 2217 server (rfc2217://HOST:PORT) or a raw TCP one
// (socket://HOST:PORT). HOST is a name, an IPv4 address or an IPv6 address in
// brackets ([::1]).
#pragma once
#include <cstdint>

#include "app/found_reader.h"

enum class PortKind : uint8_t { serial, rfc2217, rawTcp };

constexpr int portAddressSize = portTextSize;  // the text as given, with its terminator

struct PortAddress {
    PortKind kind;
    char text[portAddressSize];  // as given
    char host[portAddressSize];  // without brackets; empty for a local port
    uint16_t tcpPort;            // 1 to 65535; 0 for a local port
};

// Reads text into *address. False when it is empty, too long or a malformed
// network address; *reason then says what is wrong, in a few English words
// (the address is left unspecified).
bool parsePortAddress(const char* text, PortAddress* address, const char** reason);
