// update-benchmark: one whole update of the built-in image against the reader
// simulator pacing its line at 19200 baud, with the figures that say how
// close the updater comes to what the protocol allows; then the cost of a
// search over silent ports and of the start-up load, which proves the image
// whole. With --readers N: the console updater's batch on one reader and on
// N at once (readers_benchmark.cpp). With --network N: the reader behind
// ser2net, and N network readers at once (network_benchmark.cpp).
//
//   update-benchmark [--readers N | --network N] [KARVO_SIM]   (default: the build's karvo-sim)
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "image/config_scan.h"
#include "image/image_check.h"
#include "image/packed_image.h"
#include "image/resources.h"
#include "image/start_up_load.h"
#include "link/bootloader_switch.h"
#include "image/update_time.h"
#include "ports/port_access.h"
#include "ports/port_list.h"
#include "ports/posix/posix_ports.h"
#include "frontends/headless/headless_window.h"
#include "workflow/device_search.h"
#include "workflow/reader_port.h"
#include "workflow/update_job.h"
#include "tools/update_benchmark/benchmark_sims.h"

extern char** environ;

namespace {

constexpr double secondsPerByte = 10.0 / 19200.0;  // start, 8 data bits, stop
constexpr double ackWait = 0.010;                   // before each acknowledgement read
constexpr double quietGap = 0.060;                  // the pause that ends every read
constexpr double resetWait = 0.020;                 // before each reset reply
constexpr int shortRequest = 13;

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The search over ports whose reader stays silent: what a port cost when only
// the AT switch was tried, and what it costs now that a port without an echo
// is also asked to identify (a reader already in its bootloader answers that).
void benchmarkSilentSearch(const std::string& simulator, const std::string& folder)
{
    constexpr int ports = 4;
    std::vector<pid_t> sims;
    std::vector<std::string> lines;
    for (int i = 0; i < ports; ++i) {
        const std::string sub = folder + "/silent" + std::to_string(i);
        mkdir(sub.c_str(), 0700);
        pid_t pid = -1;
        const std::string line = startSimulator(simulator, sub, {"--pace", "--fault", "silent"}, &pid);
        if (line.empty())
            break;
        sims.push_back(pid);
        lines.push_back(line);
    }
    posixUsePortPaths(lines);
    fillPortList();
    sortPortList();

    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < static_cast<int>(lines.size()) && i < ports; ++i) {
        char name[portNameSize];
        snprintf(name, sizeof name, "COM%d", i + 1);
        Port port;
        if (openPort(&port, name, 19200)) {
            switchToBootloader(port);
            closePort(&port);
        }
    }
    const double switchOnly = secondsSince(start);
    start = std::chrono::steady_clock::now();
    const bool found = searchAllPorts(FoundReader{});
    const double withIdentify = secondsSince(start) - 0.5;  // the search's own 500 ms before the first port
    for (pid_t pid : sims) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    const double n = static_cast<double>(lines.size());
    printf("search over %zu silent ports (karvo-sim --pace --fault silent)\n", lines.size());
    printf("  AT switch only (before):      %.3f s a port\n", switchOnly / n);
    printf("  switch, then identify (now):  %.3f s a port%s\n", withIdentify / n, found ? " (a reader answered!)" : "");
}

// The median of runs of one step, in milliseconds.
template <typename Step>
double medianMs(int runs, Step step)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        step();
        ms.push_back(secondsSince(start) * 1000);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// What the start-up load of the built-in image costs now that it proves the
// image whole (the image check on the unpacked text), against unpacking and
// scanning alone.
void benchmarkStartUpLoad()
{
    constexpr int runs = 21;
    const double load = medianMs(runs, [] { loadImageAtStart(); });
    const double unpackAndScan = medianMs(runs, [] {
        uint32_t size = 0;
        const uint8_t* packed = loadResourceBytes(imageResourceId, imageResourceType, &size);
        std::vector<uint8_t> copy(packed, packed + size), text(size);
        uint32_t length = 0;
        if (unpackImage(text.data(), &length, copy.data(), size))
            scanImageConfig(text.data(), length);
    });
    printf("start-up load of the built-in image (median of %d)\n", runs);
    printf("  unpack, prove whole, scan:    %.2f ms (aim: under 50 ms)\n", load);
    printf("  unpack and scan alone:        %.2f ms (the proof costs %.2f ms)\n", unpackAndScan, load - unpackAndScan);
}

// What the image check tells a release about this update's time.
double checkEstimate()
{
    uint32_t size = 0;
    const uint8_t* packed = loadResourceBytes(imageResourceId, imageResourceType, &size);
    std::vector<uint8_t> copy(packed, packed + size), text(size);
    uint32_t length = 0;
    if (!unpackImage(text.data(), &length, copy.data(), size))
        return 0;
    ImageCheck check;
    checkImage(text.data(), length, &check);
    return updateSeconds(check.blocks, false);
}

}  // namespace

int main(int argc, char** argv)
{
    int readers = 0, networkReaders = 0;
    std::string simulator = buildProgram("tools", "karvo-sim");
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--readers" && i + 1 < argc)
            readers = atoi(argv[++i]);
        else if (std::string(argv[i]) == "--network" && i + 1 < argc)
            networkReaders = atoi(argv[++i]);
        else
            simulator = argv[i];
    }
    char folderTemplate[] = "/tmp/flintwell-benchmark-XXXXXX";
    const char* folder = mkdtemp(folderTemplate);
    if (!folder) {
        perror("mkdtemp");
        return 1;
    }
    if (readers > 0)
        return benchmarkReaders(simulator, buildProgram("bin", "flintwell-cli"), folder, readers);
    if (networkReaders > 0)
        return benchmarkNetwork(simulator, buildProgram("bin", "flintwell-cli"), buildProgram("tools", "delay-proxy"),
                                folder, networkReaders);
    pid_t sim = -1;
    const std::string line = startSimulator(simulator, folder, {"--pace", "--start-in-bootloader"}, &sim);
    if (line.empty()) {
        fprintf(stderr, "update-benchmark: cannot start %s\n", simulator.c_str());
        return 1;
    }

    resetAppState();
    headlessReset();
    app.language = 1;
    if (!loadImageAtStart() || !loadAppConfig()) {
        fprintf(stderr, "update-benchmark: the embedded image does not load\n");
        return 1;
    }
    posixUsePortPaths({line});
    if (!openPort(&readerPort(), "COM1", 19200)) {
        fprintf(stderr, "update-benchmark: cannot open %s\n", line.c_str());
        return 1;
    }

    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    const bool ok = flashAndReset(false);
    const double cpu = cpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    closePort(&readerPort());
    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);

    // What crossed the line, from the simulator's transcript.
    std::ifstream transcript(std::string(folder) + "/transcript.txt");
    const std::regex block("RX write block .* frame=(\\d+)"), sent("TX .* frame=(\\d+)"), reset("RX reset (device|settings)");
    long blocks = 0, resets = 0, bytesIn = 0, bytesOut = 0, replies = 0;
    // The wait before a reply read runs while the request is still on the
    // line; only what it lasts beyond the request adds to the time.
    double waitBeyondRequests = 0;
    auto waitBeyond = [](double wait, long requestBytes) {
        const double onLine = static_cast<double>(requestBytes) * secondsPerByte;
        return wait > onLine ? wait - onLine : 0.0;
    };
    std::string text;
    std::smatch m;
    while (std::getline(transcript, text)) {
        if (std::regex_search(text, m, block)) {
            ++blocks;
            bytesIn += std::stol(m[1]);
            waitBeyondRequests += waitBeyond(ackWait, std::stol(m[1]));
        } else if (std::regex_search(text, m, reset)) {
            ++resets;
            bytesIn += shortRequest;
            waitBeyondRequests += waitBeyond(resetWait, shortRequest);
        } else if (std::regex_search(text, m, sent)) {
            ++replies;
            bytesOut += std::stol(m[1]);
        }
    }
    const long bytes = bytesIn + bytesOut;
    const double lineTime = static_cast<double>(bytes) * secondsPerByte;
    const double floor = lineTime + static_cast<double>(blocks) * (ackWait + quietGap) +
                         static_cast<double>(resets) * (resetWait + quietGap);
    const double sequentialFloor = lineTime + static_cast<double>(blocks + resets) * quietGap + waitBeyondRequests;

    printf("update of the built-in image against karvo-sim --pace (19200 baud)\n");
    printf("  result:             %s\n", ok ? "SUCCESSFUL" : "FAILED");
    printf("  wall time:          %.2f s\n", wall);
    printf("  updater CPU time:   %.3f s (%.1f %% of the wall time)\n", cpu, 100.0 * cpu / wall);
    printf("  blocks:             %ld (+ %ld reset request%s)\n", blocks, resets, resets == 1 ? "" : "s");
    printf("  bytes on the line:  %ld (%ld to the reader in requests, %ld back in %ld replies)\n", bytes, bytesIn,
           bytesOut, replies);
    printf("  protocol floor:     %.2f s (line time %.2f s + the mandated waits %.2f s)\n", floor, lineTime,
           floor - lineTime);
    printf("  wall / floor:       %.3f\n", wall / floor);
    printf("  sequential floor:   %.2f s (the waits before reading a reply overlap the request's own line time)\n",
           sequentialFloor);
    printf("  wall / sequential:  %.3f\n", wall / sequentialFloor);
    benchmarkSilentSearch(simulator, folder);
    const double estimate = checkEstimate();
    printf("  image check's estimate: %.2f s (wall / estimate %.3f)\n", estimate, wall / estimate);
    benchmarkStartUpLoad();
    std::string cleanup = std::string("rm -rf ") + folder;
    if (system(cleanup.c_str()) != 0)
        fprintf(stderr, "update-benchmark: %s left behind\n", folder);
    return ok ? 0 : 1;
}
