// A serial line on the network, in the shape of the serial line facade
// (ports/serial_line.h): open by address, read a byte with the serial line's
// time-out, write a buffer whole, close. Two kinds of server carry it:
//
//   rfc2217://HOST:PORT  an RFC 2217 server: the client (ports/rfc2217_client.h)
//                        sets the line to 19200 8N1 without flow control, and
//                        the data goes in the telnet stream, 0xFF doubled;
//   socket://HOST:PORT   a raw TCP server, its line set up for 19200 8N1 by
//                        its operator: the data goes as it is.
//
// Portable: the connection itself is the TCP facade's (ports/tcp_line.h).
// A line is used by one thread at a time.
#pragma once
#include <cstdint>

#include "app/app_state.h"
#include "ports/port_address.h"

// How long the connection and the RFC 2217 negotiation may take, each.
constexpr int networkConnectLimitMs = 3000;
constexpr int networkNegotiationLimitMs = 3000;

// The most network lines open at once in one process.
constexpr int networkLineCount = 8;

// Connects to the server of a network address (PortKind::rfc2217 or
// PortKind::rawTcp) and, for RFC 2217, sets its line up. invalidPortHandle on
// failure: networkLastReason says what went wrong and networkLastError gives
// the system's error number where the system had a reason (0 where the server
// did not do its part).
PortHandle networkOpen(const PortAddress& address);

// Reads at most one byte: 1 when a byte came, 0 when about 60 ms passed
// without one (the serial line's one-byte read time-out), -1 when the
// connection failed, was closed or the server broke the session.
int networkReadByte(PortHandle handle, uint8_t* byte);

// Writes the buffer whole within the serial line's write time-out (10 ms a
// byte + 50 ms). False when it could not; otherwise *written = length.
bool networkWrite(PortHandle handle, const uint8_t* buffer, int length, int* written);

void networkClose(PortHandle handle);

// What the open measured as the link's round trip, in ms: for RFC 2217 the
// shorter of two request and answer exchanges with the server (the line
// settings and the first answer to them; a query of the flow control setting
// once the line is ready), for raw TCP the time the connection took to be
// taken. Waits that expect an answer from the reader add it.
int networkRoundTripMs(PortHandle handle);

// The system error number of the calling thread's last failed network call,
// or 0 when the failure was not the system's (a server that did not do its
// part, a session it broke).
int networkLastError();

// Why the calling thread's last network call failed, in a few English words.
const char* networkLastReason();
