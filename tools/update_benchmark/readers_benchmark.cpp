// Readers side by side: the console updater's batch (flintwell-cli --all,
// one reader process per port) on one paced simulator, then on N at once.
// A batch is as fast as its slowest reader when nothing serialises them.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "tools/update_benchmark/benchmark_sims.h"

extern char** environ;

namespace {

struct BatchFigures {
    double wall = 0;
    double cpu = 0;  // the console updater and its reader processes
    int status = -1;
};

double childrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Starts count paced simulators, runs the batch on them, stops them.
BatchFigures timeBatch(const std::string& simulator, const std::string& cli, const std::string& folder, int count)
{
    BatchFigures figures;
    std::vector<pid_t> sims;
    std::vector<std::string> args = {cli, "--lang", "en", "--yes", "--all"};
    for (int i = 0; i < count; ++i) {
        const std::string sub = folder + "/batch" + std::to_string(count) + "-" + std::to_string(i);
        mkdir(sub.c_str(), 0700);
        pid_t pid = -1;
        const std::string line = startSimulator(simulator, sub, {"--pace"}, &pid);
        if (line.empty())
            break;
        sims.push_back(pid);
        args.insert(args.end(), {"--port", line});
    }
    if (static_cast<int>(sims.size()) == count) {
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string console = folder + "/console" + std::to_string(count) + ".txt";
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const double cpuBefore = childrenCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = -1;
        if (posix_spawn(&pid, cli.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
            int status = 0;
            waitpid(pid, &status, 0);
            figures.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            figures.cpu = childrenCpuSeconds() - cpuBefore;
            figures.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    for (pid_t pid : sims) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    return figures;
}

}  // namespace

int benchmarkReaders(const std::string& simulator, const std::string& cli, const std::string& folder, int readers)
{
    const BatchFigures one = timeBatch(simulator, cli, folder, 1);
    const BatchFigures many = timeBatch(simulator, cli, folder, readers);
    printf("readers side by side: flintwell-cli --all --yes against karvo-sim --pace (19200 baud),\n");
    printf("search, update of the built-in image and shutdown, one reader process per port\n");
    printf("  1 reader:            %.2f s wall, %.3f s CPU (exit status %d)\n", one.wall, one.cpu, one.status);
    printf("  %d readers at once:   %.2f s wall, %.3f s CPU (exit status %d)\n", readers, many.wall, many.cpu,
           many.status);
    printf("  ratio %d / 1:         %.3f\n", readers, one.wall > 0 ? many.wall / one.wall : 0.0);
    printf("  CPU per reader:      %.3f s (%.2f %% of the wall time)\n", many.cpu / readers,
           many.wall > 0 ? 100.0 * many.cpu / readers / many.wall : 0.0);
    return one.status == 0 && many.status == 0 ? 0 : 1;
}
