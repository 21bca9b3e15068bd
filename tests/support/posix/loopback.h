// TCP on 127.0.0.1 for the network tests: a free port to give a server, and
// whether a server listens on one yet.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

// A port nothing listens on now: the kernel's pick for a socket bound and
// let go (0 when there is none).
inline uint16_t freeLoopbackPort()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    uint16_t port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        port = ntohs(a.sin_port);
    close(fd);
    return port;
}

// Whether a socket listens on 127.0.0.1:port, by the kernel's table, without
// connecting to it.
inline bool listensOnLoopback(uint16_t port)
{
    // The table shows an address as its bytes in network order read as one
    // number of this machine's order.
    char local[16];
    snprintf(local, sizeof local, "%08X:%04X", static_cast<unsigned>(htonl(INADDR_LOOPBACK)), port);
    std::ifstream table("/proc/net/tcp");
    std::string slot, address, remote, state;
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        if (fields >> slot >> address >> remote >> state && address == local && state == "0A")
            return true;
    }
    return false;
}
