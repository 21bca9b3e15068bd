// Readers on the network: the same paced simulator updated by the console
// updater over a local pseudo-terminal, behind ser2net over RFC 2217 on
// loopback, and with 20 ms added each way by the delay proxy; then many
// network readers behind one ser2net in one batch against one alone.
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "ports/network_line.h"
#include "ports/port_address.h"
#include "tools/update_benchmark/benchmark_sims.h"

namespace {

constexpr int addedDelayMs = 20;

void stop(pid_t pid)
{
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

uint16_t freeLoopbackPort()
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    uint16_t port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(s);
    return port;
}

// The console updater with these arguments, timed.
TimedRun runCli(const std::string& cli, std::vector<std::string> args, const std::string& output)
{
    args.insert(args.begin(), {cli, "--lang", "en", "--yes"});
    return timeProgram(args, output);
}

// ser2net with one RFC 2217 accepter per simulator line; the addresses.
pid_t startSer2net(const std::string& folder, const std::vector<std::string>& lines, std::vector<std::string>* urls)
{
    std::ofstream config(folder + "/ser2net.yaml");
    config << "%YAML 1.1\n---\n";
    for (size_t i = 0; i < lines.size(); ++i) {
        const uint16_t port = freeLoopbackPort();
        urls->push_back("rfc2217://127.0.0.1:" + std::to_string(port));
        config << "connection: &reader" << i << "\n  accepter: telnet(rfc2217),tcp,127.0.0.1," << port
               << "\n  connector: serialdev," << lines[i] << ",9600n81,local\n  options:\n    mdns: false\n";
    }
    config.close();
    const pid_t pid = spawnProgram({"/usr/sbin/ser2net", "-n", "-u", "-c", folder + "/ser2net.yaml", "-P",
                             folder + "/ser2net.pid"},
                            folder + "/ser2net");
    usleep(500 * 1000);  // until it listens
    return pid;
}

// The round trip the network line measures when it opens.
int measuredRoundTrip(const std::string& url)
{
    PortAddress address{};
    const char* wrong = nullptr;
    if (!parsePortAddress(url.c_str(), &address, &wrong))
        return -1;
    const PortHandle line = networkOpen(address);
    if (line == invalidPortHandle)
        return -1;
    const int ms = networkRoundTripMs(line);
    networkClose(line);
    return ms;
}

}  // namespace

int benchmarkNetwork(const std::string& simulator, const std::string& cli, const std::string& proxy,
                     const std::string& folder, int networkReaders)
{
    std::vector<pid_t> sims;
    std::vector<std::string> lines;
    for (int i = 0; i < networkReaders; ++i) {
        const std::string sub = folder + "/net" + std::to_string(i);
        mkdir(sub.c_str(), 0700);
        pid_t pid = -1;
        const std::string line = startSimulator(simulator, sub, {"--pace"}, &pid);
        if (line.empty())
            break;
        sims.push_back(pid);
        lines.push_back(line);
    }
    std::vector<std::string> urls;
    const pid_t server = static_cast<int>(lines.size()) == networkReaders ? startSer2net(folder, lines, &urls) : -1;
    const uint16_t proxyPort = freeLoopbackPort();
    const pid_t delay = server > 0 ? spawnProgram({proxy, "--to", urls[0].substr(10), "--delay",
                                            std::to_string(addedDelayMs), "--listen", std::to_string(proxyPort),
                                            "--lifetime", "600"},
                                           folder + "/proxy")
                                   : -1;
    usleep(200 * 1000);
    const std::string slowUrl = "rfc2217://127.0.0.1:" + std::to_string(proxyPort);

    const TimedRun local = runCli(cli, {"--port", lines[0]}, folder + "/local");
    const TimedRun loopback = runCli(cli, {"--port", urls[0]}, folder + "/loopback");
    const TimedRun slow = runCli(cli, {"--port", slowUrl}, folder + "/slow");
    std::vector<std::string> batch = {"--all"};
    for (const std::string& url : urls)
        batch.insert(batch.end(), {"--port", url});
    const TimedRun one = runCli(cli, {"--all", "--port", urls[0]}, folder + "/one");
    const TimedRun many = runCli(cli, batch, folder + "/many");
    const int fastTrip = measuredRoundTrip(urls[0]);
    const int slowTrip = measuredRoundTrip(slowUrl);

    // The requests that wait for an answer: identify, every block, the reset.
    constexpr int requests = 168 + 2;
    const double slowAim = local.wall + 2.0 * addedDelayMs / 1000.0 * requests;
    printf("readers on the network: flintwell-cli --yes against karvo-sim --pace (19200 baud)\n");
    printf("behind ser2net 4 (RFC 2217 on 127.0.0.1): search, update of the built-in image, shutdown\n");
    printf("  local pseudo-terminal:     %.2f s (exit status %d)\n", local.wall, local.status);
    printf("  RFC 2217 on loopback:      %.2f s (exit status %d), ratio %.3f (aim at most 1.03),"
           " round trip measured %d ms\n",
           loopback.wall, loopback.status, local.wall > 0 ? loopback.wall / local.wall : 0.0, fastTrip);
    printf("  %d ms added each way:      %.2f s (exit status %d), ratio to local + 2 x %d ms x %d requests"
           " (%.2f s) %.3f (aim at most 1.05), round trip measured %d ms\n",
           addedDelayMs, slow.wall, slow.status, addedDelayMs, requests, slowAim,
           slowAim > 0 ? slow.wall / slowAim : 0.0, slowTrip);
    printf("  1 network reader (batch):  %.2f s (exit status %d)\n", one.wall, one.status);
    printf("  %d network readers at once: %.2f s (exit status %d), ratio %.3f (aim at most 1.15)\n",
           networkReaders, many.wall, many.status, one.wall > 0 ? many.wall / one.wall : 0.0);
    printf("  CPU per reader:            %.3f s (%.2f %% of the wall time; aim under 1 %%)\n",
           many.cpu / networkReaders, many.wall > 0 ? 100.0 * many.cpu / networkReaders / many.wall : 0.0);

    stop(delay);
    stop(server);
    for (pid_t pid : sims)
        stop(pid);
    const bool all = local.status == 0 && loopback.status == 0 && slow.status == 0 && one.status == 0 &&
                     many.status == 0;
    return all ? 0 : 1;
}
