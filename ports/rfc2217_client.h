// The client side of a serial port on an RFC 2217 server (Telnet Com Port
// Control Option), as a state machine over bytes: what the server sends goes
// in, the data bytes among it come out, and what the client has to say to
// the server waits in its output until the caller sends it. No socket and no
// clock: the network line (ports/network_line.h) drives it.
//
// The client asks for binary transmission both ways (so a CR is sent as it
// is, never followed by a NUL) and offers the COM-PORT option. Once the
// server takes it, the client sets the line to 19200 baud, 8 data bits, no
// parity, 1 stop bit and no flow control, and raises DTR and RTS as a COM
// port does when a program opens it. The line is ready when the server has
// agreed to both options and confirmed each setting; a setting it confirms
// with another value fails the client, then or at any later time. A server
// that ignores or refuses the DTR and RTS requests, or never tells of its
// line or modem state, is served all the same.
//
// Every other option is refused (DO with WONT, WILL with DONT). The server's
// request for the client's signature is answered once. FLOWCONTROL-SUSPEND
// and -RESUME set `suspended`, which asks the caller to hold its data; the
// server's notifications of line and modem state are read and passed over.
#pragma once
#include <cstdint>

#include "ports/telnet_options.h"
#include "ports/telnet_stream.h"

constexpr uint8_t telnetBinaryOption = 0;
constexpr uint8_t comPortOption = 44;

constexpr uint32_t rfc2217BaudRate = 19200;

// The most bytes rfc2217Receive takes at once, and the room for what the
// client has to say: what it answers to that many bytes, and its own
// requests.
constexpr int rfc2217FeedSize = 512;
constexpr int rfc2217OutputSize = 1024;

enum class Rfc2217Phase : uint8_t { negotiating, ready, failed };

// The settings the server confirmed (Rfc2217Client::confirmed).
enum Rfc2217Setting : uint8_t {
    baudConfirmed = 1,
    dataSizeConfirmed = 2,
    parityConfirmed = 4,
    stopSizeConfirmed = 8,
    flowControlConfirmed = 16,
    allSettingsConfirmed = 31,
};

struct Rfc2217Client {
    Rfc2217Phase phase;
    TelnetReader reader;
    OptionState ourBinary, theirBinary, ourComPort;
    bool heardServer;     // a command came from the server
    bool settingsSent;    // the line settings went to the output
    uint8_t confirmed;    // Rfc2217Setting bits
    uint8_t flowAnswers;  // how many flow control answers came (counting on)
    bool signatureSent;
    bool suspended;       // the server asked the client to hold its data
    uint8_t output[rfc2217OutputSize];  // to send to the server, in order
    int outputLength;
    char failure[96];     // why the phase is failed, in a few English words
};

// Starts a session: the client forgets everything and puts its option
// requests into its output.
void rfc2217Start(Rfc2217Client* client);

// Reads length bytes the server sent (at most rfc2217FeedSize), in any
// pieces. The data bytes among them go to data (room for length bytes), IAC
// IAC read as one 0xFF, every command and subnegotiation left out; what the
// client answers goes to its output. Returns how many data bytes came.
int rfc2217Receive(Rfc2217Client* client, const uint8_t* bytes, int length, uint8_t* data);

// Asks the server for its flow control setting (once the line is ready): a
// request the server answers at once, for measuring the round trip.
void rfc2217AskFlowControl(Rfc2217Client* client);

// The output was sent: empties it.
void rfc2217OutputSent(Rfc2217Client* client);

// The negotiation did not end within limitMs: the client fails, saying what
// it was still waiting for.
void rfc2217TimedOut(Rfc2217Client* client, int limitMs);
