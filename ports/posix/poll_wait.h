// Waiting on a descriptor until a deadline of the monotonic clock: the Linux
// side of the line facades (serial, TCP) gives its reads, writes and
// connects their time-outs this way.
#pragma once

// Milliseconds of the monotonic clock.
long long monotonicMs();

// Waits until fd is ready for events or the deadline (monotonicMs) passes;
// the revents, 0 on time-out, -1 on failure (errno tells why).
int pollUntil(int fd, short events, long long deadline);
