// A server that misbehaves on purpose, for the network line's tests: listens
// on 127.0.0.1 on a port of the kernel's choice, takes one connection and
// plays its script in a thread of its own, which ends by itself after 10 s
// at the latest.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

struct FakeServerScript {
    bool neverTakes;                // leave the connection waiting: the listen queue is full
    bool closeAtOnce;               // hang up as soon as the connection is taken
    std::vector<uint8_t> greeting;  // sent when the connection is taken
    // Sent one after another, each when a piece the client sent holds a
    // subnegotiation (IAC SB).
    std::vector<std::vector<uint8_t>> answers;
    std::vector<uint8_t> later;     // sent 100 ms after the last answer
    bool hangUpAfterAnswers;        // then hang up
};

class FakeServer {
public:
    explicit FakeServer(FakeServerScript script) : script_(std::move(script))
    {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listener_, 0);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &size);
        port_ = ntohs(a.sin_port);
        if (script_.neverTakes) {
            // One connection waiting fills a queue of length 0: the next
            // one's handshake is never answered.
            filler_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            connect(filler_, reinterpret_cast<sockaddr*>(&a), sizeof a);
            return;
        }
        thread_ = std::thread([this] { serve(); });
    }
    ~FakeServer()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (filler_ >= 0)
            close(filler_);
        close(listener_);
    }
    uint16_t port() const { return port_; }

private:
    // Waits for fd to be readable until the script's end; false when it ends.
    bool waitReadable(int fd, std::chrono::steady_clock::time_point end)
    {
        while (!stop_ && std::chrono::steady_clock::now() < end) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 20) > 0)
                return true;
        }
        return false;
    }

    void serve()
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        if (!waitReadable(listener_, end))
            return;
        const int fd = accept(listener_, nullptr, nullptr);
        if (fd < 0)
            return;
        if (!script_.closeAtOnce) {
            send(fd, script_.greeting.data(), script_.greeting.size(), MSG_NOSIGNAL);
            size_t answered = 0;
            while (waitReadable(fd, end)) {
                uint8_t bytes[512];
                const ssize_t n = recv(fd, bytes, sizeof bytes, 0);
                if (n <= 0)
                    break;
                const uint8_t sb[] = {255, 250};
                if (answered == script_.answers.size() || std::search(bytes, bytes + n, sb, sb + 2) == bytes + n)
                    continue;
                const std::vector<uint8_t>& answer = script_.answers[answered++];
                send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
                if (answered < script_.answers.size())
                    continue;
                if (!script_.later.empty()) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    send(fd, script_.later.data(), script_.later.size(), MSG_NOSIGNAL);
                }
                if (script_.hangUpAfterAnswers)
                    break;
            }
        }
        close(fd);
    }

    FakeServerScript script_;
    int listener_ = -1, filler_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
