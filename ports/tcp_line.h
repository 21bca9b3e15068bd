// A TCP connection as the operating system offers it: one implementation per
// platform (ports/win32/ with Winsock, ports/posix/ with BSD sockets). The
// network line (ports/network_line.h) carries a serial line over it.
#pragma once
#include <cstdint>

// A socket, held opaquely so that the portable code never sees a platform
// header.
using TcpSocket = intptr_t;
constexpr TcpSocket invalidTcpSocket = -1;

// Connects to host (a name, an IPv4 or an IPv6 address) at port, trying every
// address the name stands for in turn until one takes the connection, all of
// them within limitMs together. The connection sends small writes at once
// (no Nagle delay). *handshakeMs receives how long the connection that was
// made took to be taken: one round trip to the server. invalidTcpSocket on
// failure: tcpLastError tells the last address's reason, or that the time
// ran out. Looking the name up is the system's resolver's and has no limit
// of ours; a numeric address needs no lookup.
TcpSocket tcpConnect(const char* host, uint16_t port, int limitMs, int* handshakeMs);

// Sends all length bytes, waiting at most limitMs in all for room to send.
// False when the connection failed or the time ran out.
bool tcpSendAll(TcpSocket socket, const uint8_t* bytes, int length, int limitMs);

// Receives what has arrived, at most size bytes, waiting at most timeoutMs
// for the first: the number received, 0 when nothing came in time, -1 when
// the connection failed or the other end closed it (said as a reset).
int tcpReceive(TcpSocket socket, uint8_t* buffer, int size, int timeoutMs);

void tcpClose(TcpSocket socket);

// The system error number of the calling thread's last failed call above.
int tcpLastError();
