// Readers side by side: the console updater's batch (flintwell-cli --all,
// one reader process per port) on one paced simulator, then on N at once.
// A batch is as fast as its slowest reader when nothing serialises them.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "tools/update_benchmark/benchmark_sims.h"

namespace {

// Starts count paced simulators, runs the batch on them, stops them.
TimedRun timeBatch(const std::string& simulator, const std::string& cli, const std::string& folder, int count)
{
    TimedRun figures;
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
    if (static_cast<int>(sims.size()) == count)
        figures = timeProgram(args, folder + "/console" + std::to_string(count));
    for (pid_t pid : sims) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    return figures;
}

}  // namespace

int benchmarkReaders(const std::string& simulator, const std::string& cli, const std::string& folder, int readers)
{
    const TimedRun one = timeBatch(simulator, cli, folder, 1);
    const TimedRun many = timeBatch(simulator, cli, folder, readers);
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
