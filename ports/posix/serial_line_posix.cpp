// The serial line on Linux: termios on a tty or a pseudo-terminal. The
// descriptor stays non-blocking; poll() gives reads and writes their time-outs.
#include "ports/serial_line.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "ports/posix/poll_wait.h"
#include "ports/posix/posix_ports.h"

namespace {

thread_local int lastError = 0;

constexpr int byteTimeoutMs = 10;
constexpr int constantTimeoutMs = 50;

int fdOf(PortHandle handle)
{
    return static_cast<int>(handle);
}

bool fail(int error)
{
    lastError = error;
    return false;
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

bool speedOf(uint32_t baudRate, speed_t* speed)
{
    static const struct {
        uint32_t rate;
        speed_t speed;
    } speeds[] = {{1200, B1200},   {2400, B2400},   {4800, B4800},     {9600, B9600},
                  {19200, B19200}, {38400, B38400}, {57600, B57600},   {115200, B115200},
                  {230400, B230400}};
    for (const auto& s : speeds)
        if (s.rate == baudRate) {
            *speed = s.speed;
            return true;
        }
    return false;
}

}  // namespace

bool serialDevicePath(const char* portName, char* path, int size)
{
    if (!portName || size <= 0)
        return false;
    path[0] = '\0';
    const std::string device = portName[0] == '/' ? std::string(portName) : posixPortPath(portName);
    if (device.empty() || device.size() >= static_cast<size_t>(size))
        return false;
    memcpy(path, device.c_str(), device.size() + 1);
    return true;
}

PortHandle serialOpen(const char* devicePath)
{
    const int fd = open(devicePath, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        lastError = errno;
        return invalidPortHandle;
    }
    // Exclusive: TIOCEXCL turns away other openers (but not root), the lock
    // turns away anyone else who asks for it, root included.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Held by another program: said as the system says a busy device.
        lastError = errno == EWOULDBLOCK ? EBUSY : errno;
        close(fd);
        return invalidPortHandle;
    }
    ioctl(fd, TIOCEXCL);  // fails on what is not a tty; configuring then fails too
    return fd;
}

bool serialSetTimeouts(PortHandle handle)
{
    // The waits themselves are poll()'s; the terminal must only never block
    // a read on its own.
    termios t{};
    if (tcgetattr(fdOf(handle), &t) != 0)
        return fail(errno);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(fdOf(handle), TCSANOW, &t) != 0)
        return fail(errno);
    return true;
}

bool serialSetLine(PortHandle handle, uint32_t baudRate)
{
    speed_t speed;
    if (!speedOf(baudRate, &speed))
        return fail(EINVAL);
    termios t{};
    if (tcgetattr(fdOf(handle), &t) != 0)
        return fail(errno);
    // Raw bytes: no line editing, echo, signals, character translation or
    // software flow control (the frames carry any byte value). Hardware flow
    // control and the rest stay as the port has them.
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                                         IXOFF | IXANY | INPCK);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    t.c_cflag |= CS8 | CREAD | CLOCAL;
    if (cfsetispeed(&t, speed) != 0 || cfsetospeed(&t, speed) != 0)
        return fail(errno);
    if (tcsetattr(fdOf(handle), TCSANOW, &t) != 0)
        return fail(errno);
    return true;
}

int serialReadByte(PortHandle handle, uint8_t* byte)
{
    const int events = waitFor(fdOf(handle), POLLIN, monotonicMs() + byteTimeoutMs + constantTimeoutMs);
    if (events < 0)
        return -1;
    if (events == 0)
        return 0;
    if (events & POLLNVAL) {
        lastError = EBADF;
        return -1;
    }
    if (!(events & POLLIN)) {
        lastError = EIO;  // hung up: the other end or the device is gone
        return -1;
    }
    const ssize_t n = read(fdOf(handle), byte, 1);
    if (n == 1)
        return 1;
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return 0;
    // Readable but no byte: end of file, the line was hung up.
    lastError = n < 0 ? errno : EIO;
    return -1;
}

bool serialWrite(PortHandle handle, const uint8_t* buffer, int length, int* written)
{
    if (length < 0)
        return fail(EINVAL);
    const long long deadline = monotonicMs() + static_cast<long long>(byteTimeoutMs) * length + constantTimeoutMs;
    int done = 0;
    while (done < length) {
        const ssize_t n = write(fdOf(handle), buffer + done, static_cast<size_t>(length - done));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return fail(errno);
        // The output buffer is full: wait for room until the time-out.
        const int events = waitFor(fdOf(handle), POLLOUT, deadline);
        if (events < 0)
            return false;
        if (events == 0)
            break;  // time-out: a short write
        if (!(events & POLLOUT))
            return fail(EIO);
    }
    *written = done;
    return true;
}

void serialClose(PortHandle handle)
{
    ioctl(fdOf(handle), TIOCNXCL);
    close(fdOf(handle));
}

int serialLastError()
{
    return lastError;
}
