#include "ports/port_address.h"

#include <cstring>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A host name or an IPv4 address: letters, digits, hyphens, dots, underscores.
bool isNameCharacter(char c)
{
    return isLetter(c) || isDigit(c) || c == '-' || c == '.' || c == '_';
}

// The length of a URI scheme followed by "://" at the start of text, or 0.
int schemeLength(const char* text)
{
    if (!isLetter(text[0]))
        return 0;
    int n = 1;
    while (isLetter(text[n]) || isDigit(text[n]) || text[n] == '+' || text[n] == '-' || text[n] == '.')
        ++n;
    return strncmp(text + n, "://", 3) == 0 ? n : 0;
}

bool sameLetters(const char* text, int n, const char* lowerWord)
{
    if (static_cast<int>(strlen(lowerWord)) != n)
        return false;
    for (int i = 0; i < n; ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (c != lowerWord[i])
            return false;
    }
    return true;
}

bool fail(const char** reason, const char* why)
{
    *reason = why;
    return false;
}

// Reads ":PORT" and the end of the text.
bool readTcpPort(const char* at, uint16_t* port, const char** reason)
{
    if (*at == '\0')
        return fail(reason, "no port after the host");
    if (*at != ':')
        return fail(reason, "junk after the host");
    ++at;
    if (!isDigit(*at))
        return fail(reason, "no port after the colon");
    long value = 0;
    for (; isDigit(*at); ++at)
        if (value <= 65535)
            value = value * 10 + (*at - '0');
    if (*at != '\0')
        return fail(reason, "junk after the port");
    if (value == 0)
        return fail(reason, "port 0");
    if (value > 65535)
        return fail(reason, "port over 65535");
    *port = static_cast<uint16_t>(value);
    return true;
}

// Reads HOST:PORT after the scheme.
bool readHostAndPort(const char* at, PortAddress* address, const char** reason)
{
    const char* hostStart = at;
    const char* hostEnd;
    const char* afterHost;
    if (*at == '[') {
        hostStart = at + 1;
        hostEnd = strchr(hostStart, ']');
        if (!hostEnd)
            return fail(reason, "unbalanced brackets around the host");
        for (const char* c = hostStart; c < hostEnd; ++c)
            if (!isHexDigit(*c) && *c != ':' && *c != '.')
                return fail(reason, "not an IPv6 address in the brackets");
        if (hostEnd > hostStart && !memchr(hostStart, ':', static_cast<size_t>(hostEnd - hostStart)))
            return fail(reason, "not an IPv6 address in the brackets");
        afterHost = hostEnd + 1;
    } else {
        hostEnd = at;
        while (isNameCharacter(*hostEnd))
            ++hostEnd;
        afterHost = hostEnd;
        if (*hostEnd == '[' || *hostEnd == ']')
            return fail(reason, "unbalanced brackets around the host");
        if (*hostEnd == ':' && strchr(hostEnd + 1, ':'))
            return fail(reason, "an IPv6 host needs brackets");
        if (*hostEnd != ':' && *hostEnd != '\0')
            return fail(reason, "a character a host cannot have");
    }
    if (hostEnd == hostStart)
        return fail(reason, "empty host");
    if (!readTcpPort(afterHost, &address->tcpPort, reason))
        return false;
    const size_t n = static_cast<size_t>(hostEnd - hostStart);
    memcpy(address->host, hostStart, n);
    address->host[n] = '\0';
    return true;
}

}  // namespace

bool parsePortAddress(const char* text, PortAddress* address, const char** reason)
{
    if (!text || text[0] == '\0')
        return fail(reason, "no port given");
    const size_t length = strlen(text);
    if (length >= sizeof address->text)
        return fail(reason, "port name too long");
    memcpy(address->text, text, length + 1);
    address->host[0] = '\0';
    address->tcpPort = 0;
    const int scheme = schemeLength(text);
    if (scheme == 0) {
        address->kind = PortKind::serial;
        return true;
    }
    if (sameLetters(text, scheme, "rfc2217"))
        address->kind = PortKind::rfc2217;
    else if (sameLetters(text, scheme, "socket"))
        address->kind = PortKind::rawTcp;
    else
        return fail(reason, "unknown scheme (rfc2217:// or socket://)");
    return readHostAndPort(text + scheme + 3, address, reason);
}
