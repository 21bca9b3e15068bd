// The reader simulator as a real process on a pseudo-terminal, for tests:
// starts karvo-sim --pty in a scratch folder, waits until it prints its
// line's path, and stops it (SIGTERM, outputs written) when done.
#pragma once
#include <string>
#include <vector>

#include "tests/support/posix/child_process.h"
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
        std::vector<std::string> args = {"--pty", link_, "--flash-out", flashOut_, "--transcript", transcript_};
        args.insert(args.end(), extra.begin(), extra.end());
        ready_ = process_.start(KARVO_SIM_PATH, args) && !process_.readLine(10000).empty();
    }

    bool ready() const { return ready_; }
    // The path the updater opens.
    const std::string& link() const { return link_; }
    // Ends the simulator (it writes its outputs first); returns its exit status.
    int stop() { return process_.stop(); }
    // Waits for the simulator to end by itself; its exit status, or -1.
    int waitExit(int timeoutMs) { return process_.waitExit(timeoutMs); }
    std::string errorText() { return process_.errorText(); }

    std::string flashHex() const { return readFile(flashOut_); }
    std::string transcript() const { return readFile(transcript_); }

private:
    TempDir dir_;
    std::string link_, flashOut_, transcript_;
    ChildProcess process_;
    bool ready_ = false;
};
