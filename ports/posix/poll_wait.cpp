#include "ports/posix/poll_wait.h"

#include <errno.h>
#include <poll.h>
#include <time.h>

long long monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

int pollUntil(int fd, short events, long long deadline)
{
    for (;;) {
        long long left = deadline - monotonicMs();
        if (left < 0)
            left = 0;
        pollfd p{fd, events, 0};
        const int r = poll(&p, 1, static_cast<int>(left));
        if (r > 0)
            return p.revents;
        if (r == 0)
            return 0;
        if (errno != EINTR)
            return -1;
    }
}
