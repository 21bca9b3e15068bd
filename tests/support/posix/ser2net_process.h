// ser2net (the Debian package) as the network's serial server, for tests:
// one RFC 2217 accepter and one raw TCP accepter on 127.0.0.1, each in front
// of a reader simulator of its own on a pseudo-terminal. Writes its
// configuration (ser2net 4's YAML) into a scratch folder, picks free ports,
// waits until both listen, and stops everything it started.
#pragma once
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/posix/child_process.h"
#include "tests/support/posix/loopback.h"
#include "tests/support/posix/sim_process.h"
#include "tests/support/temp_files.h"

#ifndef SER2NET_PATH
#error "SER2NET_PATH must name the ser2net program"
#endif

class Ser2netProcess {
public:
    // simArgs go to both simulators.
    explicit Ser2netProcess(const std::vector<std::string>& simArgs = {})
        : rfc2217Sim_(simArgs), rawSim_(simArgs)
    {
        if (!rfc2217Sim_.ready() || !rawSim_.ready()) {
            problem_ = "karvo-sim did not start: " + rfc2217Sim_.errorText() + rawSim_.errorText();
            return;
        }
        // A port picked free may be taken by another test before ser2net
        // binds it: then ser2net ends, and another pair is tried.
        for (int attempt = 0; attempt < 3 && !ready_; ++attempt)
            ready_ = start();
    }
    ~Ser2netProcess() { stop(); }

    bool ready() const { return ready_; }
    // Why it is not ready.
    std::string problem() { return problem_ + server_.errorText(); }

    std::string rfc2217Address() const { return "rfc2217://127.0.0.1:" + std::to_string(rfc2217Port_); }
    std::string rawAddress() const { return "socket://127.0.0.1:" + std::to_string(rawPort_); }
    uint16_t rfc2217Port() const { return rfc2217Port_; }
    SimProcess& rfc2217Sim() { return rfc2217Sim_; }
    SimProcess& rawSim() { return rawSim_; }

    // Ends ser2net; the simulators end with the object.
    void stop() { server_.stop(); }
    // Starts it again on the same ports, before the same simulators.
    bool restart() { return ready_ = start(false); }

private:
    bool start(bool freshPorts = true)
    {
        if (freshPorts) {
            rfc2217Port_ = freeLoopbackPort();
            rawPort_ = freeLoopbackPort();
        }
        // The RFC 2217 line starts at 9600 baud: the client must set it.
        const std::string config = "%YAML 1.1\n---\n"
                                   "connection: &rfc2217\n"
                                   "  accepter: telnet(rfc2217),tcp,127.0.0.1," + std::to_string(rfc2217Port_) + "\n"
                                   "  connector: serialdev," + rfc2217Sim_.link() + ",9600n81,local\n"
                                   "  options:\n    mdns: false\n"
                                   "connection: &raw\n"
                                   "  accepter: tcp,127.0.0.1," + std::to_string(rawPort_) + "\n"
                                   "  connector: serialdev," + rawSim_.link() + ",19200n81,local\n"
                                   "  options:\n    mdns: false\n";
        writeFile(dir_.file("ser2net.yaml"), config);
        server_.stop();
        // -n: stay in the foreground; -u: no UUCP lock files.
        if (!server_.start(SER2NET_PATH, {"-n", "-u", "-c", dir_.file("ser2net.yaml"), "-P", dir_.file("pid")})) {
            problem_ = "cannot start " SER2NET_PATH " (scripts/install-deps.sh installs it)";
            return false;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            if (listensOnLoopback(rfc2217Port_) && listensOnLoopback(rawPort_))
                return true;
            if (server_.waitExit(0) >= 0 || server_.pid() < 0)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        problem_ = "ser2net does not listen on ports " + std::to_string(rfc2217Port_) + " and " +
                   std::to_string(rawPort_) + ": ";
        return false;
    }

    TempDir dir_;
    SimProcess rfc2217Sim_, rawSim_;
    ChildProcess server_;
    uint16_t rfc2217Port_ = 0, rawPort_ = 0;
    bool ready_ = false;
    std::string problem_;
};
