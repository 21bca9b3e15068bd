#include "ports/network_line.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "ports/rfc2217_client.h"
#include "ports/tcp_line.h"

namespace {

// The serial line's time-outs: a one-byte read gives up after 60 ms, a write
// of n bytes after 10 n + 50 ms.
constexpr int byteTimeoutMs = 10;
constexpr int constantTimeoutMs = 50;
// What the client answers during a session is small and goes at once.
constexpr int answerLimitMs = 1000;

struct NetworkLine {
    std::atomic<bool> taken;
    PortKind kind;
    TcpSocket socket;
    Rfc2217Client client;
    uint8_t data[rfc2217FeedSize];  // received data not read yet: data[dataAt] to data[dataEnd - 1]
    int dataAt, dataEnd;
    int roundTripMs;
};

NetworkLine lines[networkLineCount];

thread_local int lastError = 0;
thread_local char lastReason[128] = "";

long long nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool fail(int error, const char* reason)
{
    lastError = error;
    snprintf(lastReason, sizeof lastReason, "%s", reason);
    return false;
}

NetworkLine* lineOf(PortHandle handle)
{
    if (handle >= 0 && handle < networkLineCount && lines[handle].taken.load())
        return &lines[handle];
    fail(0, "not an open network line");
    return nullptr;
}

// Sends what the RFC 2217 client has to say to the server.
bool sendAnswers(NetworkLine* line)
{
    Rfc2217Client& client = line->client;
    if (client.outputLength == 0)
        return true;
    if (!tcpSendAll(line->socket, client.output, client.outputLength, answerLimitMs))
        return fail(tcpLastError(), "cannot send to the server");
    rfc2217OutputSent(&client);
    return true;
}

// Receives once, waiting at most timeoutMs: the data bytes join the line's
// data, the client's answers go out. 1 when bytes came (data or not), 0 when
// nothing came in time, -1 on failure.
int receive(NetworkLine* line, int timeoutMs)
{
    if (line->dataAt > 0) {
        memmove(line->data, line->data + line->dataAt, static_cast<size_t>(line->dataEnd - line->dataAt));
        line->dataEnd -= line->dataAt;
        line->dataAt = 0;
    }
    const int room = static_cast<int>(sizeof line->data) - line->dataEnd;
    if (room == 0)
        return 1;  // the reader has plenty to read first
    uint8_t bytes[sizeof line->data];
    const int n = tcpReceive(line->socket, bytes, room, timeoutMs);
    if (n < 0) {
        fail(tcpLastError(), "the connection to the server was lost");
        return -1;
    }
    if (n == 0)
        return 0;
    if (line->kind == PortKind::rawTcp) {
        memcpy(line->data + line->dataEnd, bytes, static_cast<size_t>(n));
        line->dataEnd += n;
        return 1;
    }
    line->dataEnd += rfc2217Receive(&line->client, bytes, n, line->data + line->dataEnd);
    if (!sendAnswers(line))
        return -1;
    if (line->client.phase == Rfc2217Phase::failed) {
        fail(0, line->client.failure);
        return -1;
    }
    return 1;
}

// Sets the server's line up, and measures the link's round trip on the way.
//
// The first measure runs from the moment the settings went out to the
// server's answer to the first of them. But a server that holds a small
// write back while its last one is unacknowledged (Nagle's rule, which
// ser2net keeps) may hold that answer until this side's delayed
// acknowledgement of what it sent before: up to 40 ms on Linux, 200 ms on
// Windows. So once the line is ready, a query of the flow control setting
// goes out, carrying the acknowledgement of all the server sent before it,
// and its answer comes back after one round trip. The smaller is the link's.
bool negotiate(NetworkLine* line)
{
    Rfc2217Client& client = line->client;
    rfc2217Start(&client);
    if (!sendAnswers(line))
        return false;
    const long long deadline = nowMs() + networkNegotiationLimitMs;
    long long settingsSentAt = -1;
    while (client.phase == Rfc2217Phase::negotiating) {
        const long long left = deadline - nowMs();
        if (left <= 0) {
            rfc2217TimedOut(&client, networkNegotiationLimitMs);
            return fail(0, client.failure);
        }
        if (receive(line, static_cast<int>(left)) < 0)
            return false;
        const long long now = nowMs();
        if (client.settingsSent && settingsSentAt < 0)
            settingsSentAt = now;
        if ((client.confirmed & baudConfirmed) && line->roundTripMs < 0)
            line->roundTripMs = static_cast<int>(now - settingsSentAt);
    }
    if (client.phase != Rfc2217Phase::ready)
        return fail(0, client.failure);

    const uint8_t answersBefore = client.flowAnswers;
    rfc2217AskFlowControl(&client);
    if (!sendAnswers(line))
        return false;
    const long long askedAt = nowMs();
    // A server that does not answer the query leaves the first measure.
    while (client.flowAnswers == answersBefore && nowMs() < deadline)
        if (receive(line, static_cast<int>(deadline - nowMs())) < 0)
            return false;
    const int queryMs = static_cast<int>(nowMs() - askedAt);
    if (client.flowAnswers != answersBefore && queryMs < line->roundTripMs)
        line->roundTripMs = queryMs;
    return true;
}

// Sends data bytes, each 0xFF doubled on an RFC 2217 line, by the deadline.
bool sendData(NetworkLine* line, const uint8_t* bytes, int length, long long deadline)
{
    if (line->kind == PortKind::rawTcp)
        return tcpSendAll(line->socket, bytes, length, static_cast<int>(deadline - nowMs())) ||
               fail(tcpLastError(), "cannot send to the server");
    // The server asked to hold the data: wait for it to resume, reading on.
    while (line->client.suspended) {
        const long long left = deadline - nowMs();
        if (left <= 0)
            return fail(0, "the server held the data back past the write time-out");
        if (receive(line, static_cast<int>(left)) < 0)
            return false;
    }
    constexpr int piece = 256;
    uint8_t escaped[2 * piece];
    for (int at = 0; at < length; at += piece) {
        const int n = telnetEscape(bytes + at, length - at < piece ? length - at : piece, escaped);
        if (!tcpSendAll(line->socket, escaped, n, static_cast<int>(deadline - nowMs())))
            return fail(tcpLastError(), "cannot send to the server");
    }
    return true;
}

// Takes a free line for the caller: its index, or -1 when all are taken.
int claimLine()
{
    for (int i = 0; i < networkLineCount; ++i) {
        bool free = false;
        if (lines[i].taken.compare_exchange_strong(free, true))
            return i;
    }
    return -1;
}

}  // namespace

PortHandle networkOpen(const PortAddress& address)
{
    if (address.kind == PortKind::serial) {
        fail(0, "not a network address");
        return invalidPortHandle;
    }
    const int index = claimLine();
    if (index < 0) {
        fail(0, "too many network lines open");
        return invalidPortHandle;
    }
    NetworkLine& line = lines[index];
    line.kind = address.kind;
    line.dataAt = line.dataEnd = 0;
    line.roundTripMs = -1;
    int handshakeMs = 0;
    line.socket = tcpConnect(address.host, address.tcpPort, networkConnectLimitMs, &handshakeMs);
    if (line.socket == invalidTcpSocket) {
        fail(tcpLastError(), "cannot connect to the server");
        line.taken.store(false);
        return invalidPortHandle;
    }
    if (line.kind == PortKind::rawTcp) {
        line.roundTripMs = handshakeMs;
    } else if (!negotiate(&line)) {
        tcpClose(line.socket);
        line.taken.store(false);
        return invalidPortHandle;
    }
    return index;
}

int networkReadByte(PortHandle handle, uint8_t* byte)
{
    NetworkLine* line = lineOf(handle);
    if (!line)
        return -1;
    const long long deadline = nowMs() + byteTimeoutMs + constantTimeoutMs;
    while (line->dataAt == line->dataEnd) {
        const long long left = deadline - nowMs();
        const int got = receive(line, left > 0 ? static_cast<int>(left) : 0);
        if (got < 0)
            return -1;
        if (line->dataAt == line->dataEnd && (got == 0 || left <= 0))
            return 0;
    }
    *byte = line->data[line->dataAt++];
    return 1;
}

bool networkWrite(PortHandle handle, const uint8_t* buffer, int length, int* written)
{
    NetworkLine* line = lineOf(handle);
    if (!line)
        return false;
    if (length < 0)
        return fail(0, "a negative length to write");
    const long long deadline = nowMs() + static_cast<long long>(byteTimeoutMs) * length + constantTimeoutMs;
    if (!sendData(line, buffer, length, deadline))
        return false;
    *written = length;
    return true;
}

void networkClose(PortHandle handle)
{
    NetworkLine* line = lineOf(handle);
    if (!line)
        return;
    tcpClose(line->socket);
    line->taken.store(false);
}

int networkRoundTripMs(PortHandle handle)
{
    NetworkLine* line = lineOf(handle);
    return line && line->roundTripMs > 0 ? line->roundTripMs : 0;
}

int networkLastError()
{
    return lastError;
}

const char* networkLastReason()
{
    return lastReason;
}
