// karvo-sim: a Karvo-7 reader on a serial line, for tests and for trying the
// updater without hardware. See simUsage (sim_options.cpp) for the options.
#include <signal.h>

#include <cstdio>

#include "tools/karvo_sim/sim_line.h"
#include "tools/karvo_sim/sim_options.h"
#include "tools/karvo_sim/sim_reader.h"

namespace {

volatile sig_atomic_t stopRequested = 0;

void onStopSignal(int)
{
    stopRequested = 1;
}

void installSignals()
{
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a waiting poll returns at once
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

// The longest single wait, so that a signal that lands just before a poll
// is still seen soon.
constexpr int maxWaitMs = 100;

}  // namespace

int main(int argc, char** argv)
{
    SimOptions options;
    const int parsed = parseSimOptions(argc, argv, &options);
    if (parsed == 1)
        return 0;
    if (parsed != 0)
        return 2;

    FILE* transcript = nullptr;
    if (!options.transcript.empty()) {
        transcript = fopen(options.transcript.c_str(), "w");
        if (!transcript) {
            fprintf(stderr, "karvo-sim: cannot write %s\n", options.transcript.c_str());
            return 1;
        }
    }
    installSignals();
    SimLine line;
    const bool opened = options.ptyLink.empty() ? openTtyLine(&line, options.ttyPath, options.pace)
                                                : openPtyLine(&line, options.ptyLink, options.pace);
    if (!opened) {
        if (transcript)
            fclose(transcript);
        return 1;
    }

    static SimReader reader;
    startReader(&reader, &options, &line, transcript);
    printf("%s\n", line.device.c_str());
    fflush(stdout);

    int status = 0;
    uint8_t buffer[512];
    while (!stopRequested && !reader.hungUp && !reader.lineGone) {
        int wait = readerIdleTimeoutMs(&reader);
        if (wait < 0 || wait > maxWaitMs)
            wait = maxWaitMs;
        const int ready = waitForInput(&line, wait);
        if (ready < 0) {
            fprintf(stderr, "karvo-sim: the line %s is gone\n", line.device.c_str());
            status = 1;
            break;
        }
        if (ready > 0) {
            const int n = readInput(&line, buffer, sizeof buffer);
            if (n < 0) {
                fprintf(stderr, "karvo-sim: the line %s is gone\n", line.device.c_str());
                status = 1;
                break;
            }
            feedReader(&reader, buffer, n);
        }
        idleReader(&reader);
    }
    if (reader.lineGone && !reader.hungUp)
        status = 1;

    writeFlashOut(&reader);
    closeLine(&line);
    if (transcript)
        fclose(transcript);
    return status;
}
