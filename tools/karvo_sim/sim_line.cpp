#include "tools/karvo_sim/sim_line.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

// 10 bit times at 19200 baud: start bit, 8 data bits, stop bit.
constexpr long long byteTimeUs = 10LL * 1000000 / 19200;

void sleepUntilUs(long long when)
{
    for (;;) {
        const long long left = when - monotonicUs();
        if (left <= 0)
            return;
        timespec ts{static_cast<time_t>(left / 1000000), static_cast<long>(left % 1000000) * 1000};
        nanosleep(&ts, nullptr);
    }
}

bool makeRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B19200);
    cfsetospeed(&t, B19200);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

void resetLine(SimLine* line, bool pace)
{
    line->fd = -1;
    line->holdFd = -1;
    line->device.clear();
    line->link.clear();
    line->pace = pace;
    line->nextReadUs = 0;
}

}  // namespace

long long monotonicUs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

bool openPtyLine(SimLine* line, const std::string& link, bool pace)
{
    resetLine(line, pace);
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        perror("karvo-sim: pseudo-terminal");
        if (master >= 0)
            close(master);
        return false;
    }
    char name[256];
    if (ptsname_r(master, name, sizeof name) != 0) {
        perror("karvo-sim: pseudo-terminal name");
        close(master);
        return false;
    }
    // Holding the updater's end open keeps the pair alive while the updater
    // closes and reopens its port, as a real line stays when a program lets go.
    const int hold = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (hold < 0 || !makeRaw(hold) || !makeRaw(master)) {
        perror("karvo-sim: raw mode");
        if (hold >= 0)
            close(hold);
        close(master);
        return false;
    }
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            fprintf(stderr, "karvo-sim: %s exists and is not a symbolic link\n", link.c_str());
            close(hold);
            close(master);
            return false;
        }
        unlink(link.c_str());
    }
    if (symlink(name, link.c_str()) != 0) {
        fprintf(stderr, "karvo-sim: cannot link %s: %s\n", link.c_str(), strerror(errno));
        close(hold);
        close(master);
        return false;
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    line->fd = master;
    line->holdFd = hold;
    line->device = name;
    line->link = link;
    return true;
}

bool openTtyLine(SimLine* line, const std::string& path, bool pace)
{
    resetLine(line, pace);
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        fprintf(stderr, "karvo-sim: cannot open %s: %s\n", path.c_str(), strerror(errno));
        return false;
    }
    if (!makeRaw(fd)) {
        fprintf(stderr, "karvo-sim: cannot set %s to raw mode: %s\n", path.c_str(), strerror(errno));
        close(fd);
        return false;
    }
    line->fd = fd;
    line->device = path;
    return true;
}

void closeLine(SimLine* line)
{
    if (line->fd >= 0)
        close(line->fd);
    if (line->holdFd >= 0)
        close(line->holdFd);
    if (!line->link.empty())
        unlink(line->link.c_str());
    line->fd = -1;
    line->holdFd = -1;
    line->link.clear();
}

int waitForInput(SimLine* line, int timeoutMs)
{
    if (line->pace) {
        // A byte taken early would arrive faster than the line carries it.
        const long long early = line->nextReadUs - monotonicUs();
        if (early > 0) {
            sleepUntilUs(line->nextReadUs);
            timeoutMs = 0;
        }
    }
    pollfd p{line->fd, POLLIN, 0};
    const int r = poll(&p, 1, timeoutMs);
    if (r < 0)
        return errno == EINTR ? 0 : -1;
    if (r == 0)
        return 0;
    if (p.revents & POLLIN)
        return 1;
    return -1;
}

int readInput(SimLine* line, uint8_t* buffer, int size)
{
    if (line->pace) {
        const long long now = monotonicUs();
        if (now < line->nextReadUs)
            return 0;
        size = 1;
    }
    const ssize_t n = read(line->fd, buffer, static_cast<size_t>(size));
    if (n > 0) {
        if (line->pace) {
            const long long now = monotonicUs();
            line->nextReadUs = (line->nextReadUs > now - byteTimeUs ? line->nextReadUs : now) + byteTimeUs;
        }
        return static_cast<int>(n);
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return 0;
    return -1;
}

bool writeOutput(SimLine* line, const uint8_t* bytes, int length)
{
    const long long start = monotonicUs();
    int done = 0;
    while (done < length) {
        int chunk = length - done;
        if (line->pace) {
            sleepUntilUs(start + done * byteTimeUs);
            chunk = 1;
        }
        const ssize_t n = write(line->fd, bytes + done, static_cast<size_t>(chunk));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        pollfd p{line->fd, POLLOUT, 0};
        if (poll(&p, 1, 1000) < 0 && errno != EINTR)
            return false;
        if (p.revents & (POLLERR | POLLHUP | POLLNVAL))
            return false;
    }
    if (line->pace)
        sleepUntilUs(start + length * byteTimeUs);
    return true;
}

void waitUntilTaken(SimLine* line, int timeoutMs)
{
    const long long deadline = monotonicUs() + timeoutMs * 1000LL;
    if (line->holdFd < 0) {
        tcdrain(line->fd);
        sleepUntilUs(deadline);
        return;
    }
    while (monotonicUs() < deadline) {
        int queued = 0;
        if (ioctl(line->holdFd, FIONREAD, &queued) != 0 || queued == 0)
            return;
        sleepUntilUs(monotonicUs() + 2000);
    }
}
