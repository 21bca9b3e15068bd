// A port as the program holds it: a value with the name it was listed or
// given by, its kind and, while it is open, the line behind it. Opened and
// closed in one place (ports/port_access.h); the link and port layers are
// handed it, nothing reads a port from the process state.
#pragma once
#include <cstdint>

#include "app/app_state.h"

enum class PortKind : uint8_t {
    serial,  // a COM port or a serial device (Win32, termios)
};

struct Port {
    char name[portNameSize];
    PortKind kind;
    PortHandle line = invalidPortHandle;  // the open line; invalidPortHandle while closed
};

inline bool portIsOpen(const Port& port)
{
    return port.line != invalidPortHandle;
}
