// TCP on Linux: BSD sockets, non-blocking throughout; poll() gives connects,
// sends and receives their time limits.
#include "ports/tcp_line.h"

#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

#include "ports/posix/poll_wait.h"

namespace {

thread_local int lastError = 0;

int fdOf(TcpSocket socket)
{
    return static_cast<int>(socket);
}

// Waits until the descriptor is ready for events or the deadline passes;
// the revents, 0 on time-out, -1 on failure.
int waitFor(int fd, short events, long long deadline)
{
    const int r = pollUntil(fd, events, deadline);
    if (r < 0)
        lastError = errno;
    return r;
}

// The resolver has numbers of its own; the nearest system error stands in
// for them, so that the program can say the system's reason.
int resolverError(int code)
{
    switch (code) {
    case EAI_SYSTEM:
        return errno;
    case EAI_AGAIN:
        return EAGAIN;
    case EAI_MEMORY:
        return ENOMEM;
    case EAI_NONAME:
    case EAI_FAIL:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
        return ENXIO;  // "No such device or address"
    default:
        return EINVAL;
    }
}

// One address: the connected socket, or -1 with lastError set.
int connectOne(const addrinfo* a, long long deadline)
{
    const int fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
        lastError = errno;
        return -1;
    }
    if (connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
        if (errno != EINPROGRESS) {
            lastError = errno;
            close(fd);
            return -1;
        }
        const int events = waitFor(fd, POLLOUT, deadline);
        int error = 0;
        socklen_t size = sizeof error;
        if (events == 0)
            error = ETIMEDOUT;
        else if (events < 0)
            error = lastError;
        else if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
            error = errno;
        if (error != 0) {
            lastError = error;
            close(fd);
            return -1;
        }
    }
    // Small writes go at once; urgent data (a telnet Synch) stays in the
    // stream, where its IAC DM is read like any other command.
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    setsockopt(fd, SOL_SOCKET, SO_OOBINLINE, &on, sizeof on);
    return fd;
}

}  // namespace

TcpSocket tcpConnect(const char* host, uint16_t port, int limitMs, int* handshakeMs)
{
    const long long deadline = monotonicMs() + limitMs;
    *handshakeMs = 0;
    char service[8];
    snprintf(service, sizeof service, "%u", static_cast<unsigned>(port));
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* addresses = nullptr;
    const int resolved = getaddrinfo(host, service, &hints, &addresses);
    if (resolved != 0) {
        lastError = resolverError(resolved);
        return invalidTcpSocket;
    }
    int fd = -1;
    lastError = ETIMEDOUT;
    for (const addrinfo* a = addresses; a && fd < 0 && monotonicMs() < deadline; a = a->ai_next) {
        const long long start = monotonicMs();
        fd = connectOne(a, deadline);
        *handshakeMs = static_cast<int>(monotonicMs() - start);
    }
    freeaddrinfo(addresses);
    return fd < 0 ? invalidTcpSocket : fd;
}

bool tcpSendAll(TcpSocket socket, const uint8_t* bytes, int length, int limitMs)
{
    const long long deadline = monotonicMs() + limitMs;
    int done = 0;
    while (done < length) {
        const ssize_t n = send(fdOf(socket), bytes + done, static_cast<size_t>(length - done), MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            lastError = errno;
            return false;
        }
        // The send buffer is full: wait for room until the time runs out.
        const int events = waitFor(fdOf(socket), POLLOUT, deadline);
        if (events < 0)
            return false;
        if (events == 0) {
            lastError = ETIMEDOUT;
            return false;
        }
    }
    return true;
}

int tcpReceive(TcpSocket socket, uint8_t* buffer, int size, int timeoutMs)
{
    const int events = waitFor(fdOf(socket), POLLIN, monotonicMs() + timeoutMs);
    if (events < 0)
        return -1;
    if (events == 0)
        return 0;
    const ssize_t n = recv(fdOf(socket), buffer, static_cast<size_t>(size), MSG_DONTWAIT);
    if (n > 0)
        return static_cast<int>(n);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return 0;
    // Readable but nothing to read: the other end closed the connection.
    lastError = n < 0 ? errno : ECONNRESET;
    return -1;
}

void tcpClose(TcpSocket socket)
{
    close(fdOf(socket));
}

int tcpLastError()
{
    return lastError;
}
