// TCP on Windows: Winsock 2, started once for the process; sockets are
// non-blocking throughout and select() gives connects, sends and receives
// their time limits.
#include "ports/tcp_line.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdio>

namespace {

thread_local int lastError = 0;

SOCKET socketOf(TcpSocket socket)
{
    return static_cast<SOCKET>(socket);
}

long long nowMs()
{
    return static_cast<long long>(GetTickCount64());
}

bool winsockStarted()
{
    // Started on first use, by whichever thread comes first; never cleaned
    // up: the process's end does that.
    static const int started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data);
    }();
    if (started != 0)
        lastError = started;
    return started == 0;
}

// Waits until the socket can be read (forWrite false) or written to, or the
// deadline passes: 1 ready, 0 time-out, -1 failure. A connect that failed
// shows in the exception set, which otherwise tells of urgent data (kept in
// line, see connectOne) and is not asked for.
int waitFor(SOCKET s, bool forWrite, bool connecting, long long deadline)
{
    long long left = deadline - nowMs();
    if (left < 0)
        left = 0;
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    timeval limit{static_cast<long>(left / 1000), static_cast<long>(left % 1000) * 1000};
    const int r = select(0, forWrite ? nullptr : &ready, forWrite ? &ready : nullptr, connecting ? &failed : nullptr,
                         &limit);
    if (r == SOCKET_ERROR) {
        lastError = WSAGetLastError();
        return -1;
    }
    if (r == 0)
        return 0;
    if (connecting && FD_ISSET(s, &failed)) {
        int error = 0;
        int size = sizeof error;
        getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
        lastError = error != 0 ? error : WSAECONNRESET;
        return -1;
    }
    return 1;
}

// One address: the connected socket, or INVALID_SOCKET with lastError set.
SOCKET connectOne(const addrinfo* a, long long deadline)
{
    const SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (s == INVALID_SOCKET) {
        lastError = WSAGetLastError();
        return INVALID_SOCKET;
    }
    u_long nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        lastError = WSAGetLastError();
        closesocket(s);
        return INVALID_SOCKET;
    }
    if (connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0) {
        const int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK) {
            lastError = error;
            closesocket(s);
            return INVALID_SOCKET;
        }
        const int ready = waitFor(s, true, true, deadline);
        if (ready <= 0) {
            if (ready == 0)
                lastError = WSAETIMEDOUT;
            closesocket(s);
            return INVALID_SOCKET;
        }
    }
    // Small writes go at once; urgent data (a telnet Synch) stays in the
    // stream, where its IAC DM is read like any other command.
    const BOOL on = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    setsockopt(s, SOL_SOCKET, SO_OOBINLINE, reinterpret_cast<const char*>(&on), sizeof on);
    return s;
}

}  // namespace

TcpSocket tcpConnect(const char* host, uint16_t port, int limitMs, int* handshakeMs)
{
    const long long deadline = nowMs() + limitMs;
    *handshakeMs = 0;
    if (!winsockStarted())
        return invalidTcpSocket;
    char service[8];
    snprintf(service, sizeof service, "%u", static_cast<unsigned>(port));
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* addresses = nullptr;
    const int resolved = getaddrinfo(host, service, &hints, &addresses);
    if (resolved != 0) {
        lastError = resolved;  // a Winsock error number (WSAHOST_NOT_FOUND, ...)
        return invalidTcpSocket;
    }
    SOCKET s = INVALID_SOCKET;
    lastError = WSAETIMEDOUT;
    for (const addrinfo* a = addresses; a && s == INVALID_SOCKET && nowMs() < deadline; a = a->ai_next) {
        const long long start = nowMs();
        s = connectOne(a, deadline);
        *handshakeMs = static_cast<int>(nowMs() - start);
    }
    freeaddrinfo(addresses);
    return s == INVALID_SOCKET ? invalidTcpSocket : static_cast<TcpSocket>(s);
}

bool tcpSendAll(TcpSocket socket, const uint8_t* bytes, int length, int limitMs)
{
    const long long deadline = nowMs() + limitMs;
    int done = 0;
    while (done < length) {
        const int n = send(socketOf(socket), reinterpret_cast<const char*>(bytes + done), length - done, 0);
        if (n > 0) {
            done += n;
            continue;
        }
        const int error = WSAGetLastError();
        if (n == SOCKET_ERROR && error != WSAEWOULDBLOCK) {
            lastError = error;
            return false;
        }
        // The send buffer is full: wait for room until the time runs out.
        const int ready = waitFor(socketOf(socket), true, false, deadline);
        if (ready < 0)
            return false;
        if (ready == 0) {
            lastError = WSAETIMEDOUT;
            return false;
        }
    }
    return true;
}

int tcpReceive(TcpSocket socket, uint8_t* buffer, int size, int timeoutMs)
{
    const int ready = waitFor(socketOf(socket), false, false, nowMs() + timeoutMs);
    if (ready <= 0)
        return ready;
    const int n = recv(socketOf(socket), reinterpret_cast<char*>(buffer), size, 0);
    if (n > 0)
        return n;
    if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK)
        return 0;
    // Readable but nothing to read: the other end closed the connection.
    lastError = n == 0 ? WSAECONNRESET : WSAGetLastError();
    return -1;
}

void tcpClose(TcpSocket socket)
{
    closesocket(socketOf(socket));
}

int tcpLastError()
{
    return lastError;
}
