// delay-proxy: a TCP proxy on 127.0.0.1 that holds every chunk it forwards
// back by a fixed time, each way: a slow network link for trying the
// updater's network ports (a link with 20 ms added each way: --delay 20).
//
//   delay-proxy --to HOST:PORT --delay MS [--listen PORT] [--lifetime SECONDS]
//
// Prints the port it listens on when it is ready, ends after its lifetime
// (default 600 s) or on SIGTERM. A connection's other end is connected when
// it comes; when one side closes, what it sent is still delivered on time,
// then both are closed.
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {

constexpr int maxPairs = 8;
constexpr int connectLimitMs = 3000;

struct Chunk {
    long long due;
    std::vector<unsigned char> bytes;
};

// One direction of a connection: what came from `from` waits to go to `to`.
struct Flow {
    int from, to;
    bool ended;  // from closed
    std::deque<Chunk> waiting;
};

struct Pair {
    bool used;
    Flow up, down;  // client to server, server to client
};

struct Options {
    std::string host;
    std::string port;
    int delayMs = -1;
    int listenPort = 0;
    int lifetimeS = 600;
};

long long nowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool readOptions(int argc, char** argv, Options* o)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--to" && value.rfind(':') != std::string::npos) {
            o->host = value.substr(0, value.rfind(':'));
            o->port = value.substr(value.rfind(':') + 1);
        } else if (name == "--delay") {
            o->delayMs = atoi(value.c_str());
        } else if (name == "--listen") {
            o->listenPort = atoi(value.c_str());
        } else if (name == "--lifetime") {
            o->lifetimeS = atoi(value.c_str());
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && !o->host.empty() && o->delayMs >= 0 && o->lifetimeS > 0;
}

int listenOnLoopback(int port, int* actual)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    socklen_t size = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 8) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) != 0) {
        perror("delay-proxy: listen");
        exit(1);
    }
    *actual = ntohs(a.sin_port);
    return fd;
}

// A blocking connection to the target, tried address by address.
int connectToTarget(const Options& o)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    if (getaddrinfo(o.host.c_str(), o.port.c_str(), &hints, &addresses) != 0)
        return -1;
    int fd = -1;
    for (addrinfo* a = addresses; a && fd < 0; a = a->ai_next) {
        fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        timeval limit{connectLimitMs / 1000, 0};
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        if (fd >= 0 && connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(addresses);
    if (fd >= 0) {
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    return fd;
}

void closePair(Pair* p)
{
    close(p->up.from);
    close(p->down.from);
    p->up.waiting.clear();
    p->down.waiting.clear();
    p->used = false;
}

void acceptOne(int listener, Pair* pairs, const Options& o)
{
    const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
        return;
    const int server = connectToTarget(o);
    Pair* free = nullptr;
    for (int i = 0; i < maxPairs && !free; ++i)
        if (!pairs[i].used)
            free = &pairs[i];
    if (server < 0 || !free) {
        if (server >= 0)
            close(server);
        close(client);
        return;
    }
    const int on = 1;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    free->used = true;
    free->up = Flow{client, server, false, {}};
    free->down = Flow{server, client, false, {}};
}

// Reads what came on the flow's source, to go out delayMs later.
void takeIn(Flow* f, int delayMs)
{
    unsigned char bytes[4096];
    const ssize_t n = read(f->from, bytes, sizeof bytes);
    if (n <= 0) {
        f->ended = true;
        return;
    }
    f->waiting.push_back(Chunk{nowMs() + delayMs, std::vector<unsigned char>(bytes, bytes + n)});
}

// Sends the chunks that are due; false when the other end is gone.
bool sendDue(Flow* f)
{
    while (!f->waiting.empty() && f->waiting.front().due <= nowMs()) {
        const std::vector<unsigned char>& b = f->waiting.front().bytes;
        if (send(f->to, b.data(), b.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(b.size()))
            return false;
        f->waiting.pop_front();
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!readOptions(argc, argv, &o)) {
        fprintf(stderr, "usage: delay-proxy --to HOST:PORT --delay MS [--listen PORT] [--lifetime SECONDS]\n");
        return 2;
    }
    int port = 0;
    const int listener = listenOnLoopback(o.listenPort, &port);
    printf("%d\n", port);
    fflush(stdout);

    static Pair pairs[maxPairs];
    const long long end = nowMs() + 1000LL * o.lifetimeS;
    while (nowMs() < end) {
        pollfd fds[1 + 2 * maxPairs];
        Flow* flows[1 + 2 * maxPairs] = {};
        int n = 0;
        fds[n++] = pollfd{listener, POLLIN, 0};
        long long next = end;
        for (Pair& p : pairs) {
            if (!p.used)
                continue;
            for (Flow* f : {&p.up, &p.down}) {
                if (!f->ended) {
                    flows[n] = f;
                    fds[n++] = pollfd{f->from, POLLIN, 0};
                }
                if (!f->waiting.empty() && f->waiting.front().due < next)
                    next = f->waiting.front().due;
            }
        }
        const long long wait = next - nowMs();
        poll(fds, static_cast<nfds_t>(n), wait > 0 ? static_cast<int>(wait) : 0);
        if (fds[0].revents & POLLIN)
            acceptOne(listener, pairs, o);
        for (int i = 1; i < n; ++i)
            if (fds[i].revents)
                takeIn(flows[i], o.delayMs);
        for (Pair& p : pairs) {
            if (!p.used)
                continue;
            const bool sent = sendDue(&p.up) && sendDue(&p.down);
            const bool drained = (p.up.ended && p.up.waiting.empty()) || (p.down.ended && p.down.waiting.empty());
            if (!sent || drained)
                closePair(&p);
        }
    }
    return 0;
}
