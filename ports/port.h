// A port as the program holds it: a value with the name it was listed or
// given by, its kind and, while it is open, the line behind it. Opened and
// closed in one place (ports/port_access.h); the link and port layers are
// handed it, nothing reads a port from the process state.
#pragma once
#include <cstdint>

#include "app/app_state.h"
#include "ports/port_address.h"

// Its kind (ports/port_address.h): serial (a COM port or a serial device:
// Win32, termios), rfc2217 or rawTcp (a serial port on the network,
// ports/network_line.h).
struct Port {
    char name[portTextSize];
    PortKind kind;
    PortHandle line = invalidPortHandle;  // the open line; invalidPortHandle while closed
    bool failed = false;                  // a read or write failed since it opened: the line is gone
};

inline bool portIsOpen(const Port& port)
{
    return port.line != invalidPortHandle;
}

// The round trip the port's line measured when it opened, in ms: what every
// wait for an answer of the reader adds (0 on a local line).
int portRoundTripMs(const Port& port);
