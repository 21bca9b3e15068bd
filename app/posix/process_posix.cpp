// Child processes and the system's own texts on Linux.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "app/system.h"

extern char** environ;

bool startProcess(const char* program, const std::vector<std::string>& args, ChildRun* child)
{
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, program, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (failed) {
        close(out[0]);
        return false;
    }
    fcntl(out[0], F_SETFL, O_NONBLOCK);
    child->process = pid;
    child->output = out[0];
    return true;
}

int readProcessOutput(ChildRun* child, char* buffer, int size)
{
    if (child->output < 0)
        return -1;
    const ssize_t n = read(static_cast<int>(child->output), buffer, static_cast<size_t>(size));
    if (n > 0)
        return static_cast<int>(n);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return 0;
    close(static_cast<int>(child->output));
    child->output = -1;
    return -1;
}

void askProcessToStop(const ChildRun& child)
{
    if (child.process > 0)
        kill(static_cast<pid_t>(child.process), SIGTERM);
}

int waitProcess(ChildRun* child)
{
    if (child->output >= 0) {
        close(static_cast<int>(child->output));
        child->output = -1;
    }
    int status = 0;
    pid_t r;
    do
        r = waitpid(static_cast<pid_t>(child->process), &status, 0);
    while (r < 0 && errno == EINTR);
    child->process = 0;
    return r > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ownProgramPath()
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

std::string systemErrorText(int error)
{
    char text[256];
    // The GNU strerror_r may return a static text instead of filling ours.
    return strerror_r(error, text, sizeof text);
}

std::string computerName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return "";
    return name;
}

std::string utcTimeText()
{
    const time_t now = time(nullptr);
    tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
    return text;
}
