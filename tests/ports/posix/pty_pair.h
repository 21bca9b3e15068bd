// A pseudo-terminal pair for the port tests: the program opens the slave by
// its path, the test plays the device on the master.
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <string>
#include <vector>

struct PtyPair {
    int master = -1;
    std::string slavePath;

    bool open()
    {
        int slave = -1;
        char name[128];
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
            return false;
        slavePath = name;
        ::close(slave);
        return true;
    }

    void closeMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }

    ~PtyPair() { closeMaster(); }

    bool send(const std::vector<uint8_t>& bytes) const
    {
        return ::write(master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

    // What arrives on the master within timeoutMs of quiet.
    std::vector<uint8_t> receive(int timeoutMs = 200) const
    {
        std::vector<uint8_t> bytes;
        pollfd p{master, POLLIN, 0};
        while (::poll(&p, 1, timeoutMs) > 0 && (p.revents & POLLIN)) {
            uint8_t buffer[512];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }
};

// How many descriptors the process holds (to see that nothing leaked).
inline int openDescriptorCount()
{
    int count = 0;
    for (int fd = 0; fd < 4096; ++fd)
        if (fcntl(fd, F_GETFD) != -1)
            ++count;
    return count;
}
