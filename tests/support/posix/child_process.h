// Child processes (karvo-sim, socat) for the simulator tests, their stdout
// and stderr through pipes.
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { stop(); }

    bool start(const std::string& program, const std::vector<std::string>& args)
    {
        int out[2], err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<std::string> all = {program};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const int r = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
        if (r != 0)
            pid_ = -1;
        return r == 0;
    }

    // The first line the program prints on stdout, waiting up to timeoutMs.
    std::string readLine(int timeoutMs)
    {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char c;
            if (::read(out_, &c, 1) != 1)
                break;
            if (c == '\n')
                return line;
            line += c;
        }
        return "";
    }

    // Waits for the program to end by itself; its exit status, or -1 when
    // it did not end within timeoutMs or ended by a signal.
    int waitExit(int timeoutMs)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (pid_ > 0) {
            int status = 0;
            const pid_t r = waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                pid_ = -1;
                exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                return exitStatus_;
            }
            if (std::chrono::steady_clock::now() >= deadline)
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return exitStatus_;
    }

    pid_t pid() const { return pid_; }

    // Asks the program to end (SIGTERM) and returns its exit status; a
    // program that does not end within 3 s is killed (-1).
    int stop()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            if (waitExit(3000) < 0 && pid_ > 0) {
                ::kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
                pid_ = -1;
                exitStatus_ = -1;
            }
        }
        closePipes();
        return exitStatus_;
    }

    // What the program wrote on stderr (read once it has ended).
    std::string errorText()
    {
        char buffer[512];
        pollfd p{err_, POLLIN, 0};
        for (ssize_t n; err_ >= 0 && ::poll(&p, 1, 0) > 0 && (n = ::read(err_, buffer, sizeof buffer)) > 0;)
            errText_.append(buffer, static_cast<size_t>(n));
        return errText_;
    }

private:
    void closePipes()
    {
        if (err_ >= 0) {
            errorText();
            ::close(err_);
        }
        if (out_ >= 0)
            ::close(out_);
        out_ = err_ = -1;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    int exitStatus_ = -1;
    std::string errText_;
};
