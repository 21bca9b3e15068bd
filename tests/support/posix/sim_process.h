// The reader simulator as a real process on a pseudo-terminal, for tests:
// starts karvo-sim --pty in a scratch folder, waits until it prints its
// line's path, and stops it (SIGTERM, outputs written) when done.
#pragma once
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/support/temp_files.h"

#ifndef KARVO_SIM_PATH
#error "KARVO_SIM_PATH must name the karvo-sim program"
#endif

class SimProcess {
public:
    // Extra arguments follow --pty, --flash-out and --transcript.
    explicit SimProcess(const std::vector<std::string>& extra = {})
        : link_(dir_.file("line")), flashOut_(dir_.file("flash.hex")), transcript_(dir_.file("transcript.txt"))
    {
        std::vector<std::string> args = {KARVO_SIM_PATH, "--pty", link_, "--flash-out", flashOut_,
                                         "--transcript", transcript_};
        args.insert(args.end(), extra.begin(), extra.end());
        int out[2];
        if (pipe(out) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            std::vector<char*> argv;
            for (auto& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        ready_ = waitForLine(out[0]);
        close(out[0]);
    }

    ~SimProcess() { stop(); }

    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool ready() const { return ready_; }
    // The path the updater opens.
    const std::string& link() const { return link_; }

    // Ends the simulator (it writes its outputs first); returns its exit status.
    int stop()
    {
        if (pid_ <= 0)
            return status_;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return status_;
    }

    // Waits (bounded) for the simulator to end by itself, e.g. after a hang-up fault.
    bool waitForExit(int milliseconds)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (pid_ > 0 && std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return true;
            }
            usleep(10000);
        }
        return pid_ <= 0;
    }

    std::string flashHex() const { return readFile(flashOut_); }
    std::string transcript() const { return readFile(transcript_); }

private:
    bool waitForLine(int fd)
    {
        std::string line;
        for (;;) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 10000) <= 0)
                return false;
            char c;
            if (read(fd, &c, 1) != 1)
                return false;
            if (c == '\n')
                return true;
            line += c;
        }
    }

    TempDir dir_;
    std::string link_, flashOut_, transcript_;
    pid_t pid_ = -1;
    bool ready_ = false;
    int status_ = -1;
};
