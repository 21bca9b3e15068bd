// The network line under the link code: through ser2net to the reader
// simulator over RFC 2217 and raw TCP, and against servers that do not do
// their part.
#include "ports/network_line.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/system.h"
#include "link/bootloader_commands.h"
#include "link/bootloader_switch.h"
#include "ports/port_access.h"
#include "tests/support/posix/fake_server.h"
#include "tests/support/posix/ser2net_process.h"
#include "tests/support/sample_firmware_info.h"
#include "frontends/headless/headless_window.h"
#include "ui/text_table.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

// The speed the server set on the simulator's line (0 when unknown).
speed_t lineSpeed(const std::string& device)
{
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios t{};
    const bool read = fd >= 0 && tcgetattr(fd, &t) == 0;
    if (fd >= 0)
        close(fd);
    return read ? cfgetospeed(&t) : 0;
}

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class NetworkLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        app.language = languageEnglish;
        applyTexts();
        headlessReset();
        app.expectedInfo = sampleFirmwareInfo();
    }
    void TearDown() override
    {
        closePort(&port);
        flashAckAttempts = 500;
    }

    Port port;
};

int identify(Port& port)
{
    return sendIdentify(port) ? (sleepMs(100), readReply(port)) : -2;
}

}  // namespace

// Both kinds of server carry the link: the RFC 2217 client sets the line to
// 19200 (ser2net opened it at 9600), the reader answers, and a quiet line
// gives up a byte's read after the serial line's time. Whole updates through
// them are the console updater's tests.
TEST_F(NetworkLine, EitherKindOfServerCarriesTheLinkAtTheSerialLinesPace)
{
    Ser2netProcess server({"--start-in-bootloader"});
    ASSERT_TRUE(server.ready()) << server.problem();
    const struct {
        const char* what;
        std::string address;
        SimProcess& sim;
    } lines[] = {{"RFC 2217", server.rfc2217Address(), server.rfc2217Sim()},
                 {"raw TCP", server.rawAddress(), server.rawSim()}};
    for (const auto& line : lines) {
        SCOPED_TRACE(line.what);
        ASSERT_TRUE(openPort(&port, line.address.c_str(), 19200)) << networkLastReason();
        EXPECT_EQ(lineSpeed(line.sim.link()), B19200);
        EXPECT_EQ(identify(port), replyDeviceFits);
        uint8_t byte = 0;
        const auto start = Clock::now();
        EXPECT_EQ(networkReadByte(port.line, &byte), 0);
        EXPECT_GE(msSince(start), 55);
        EXPECT_LT(msSince(start), 200);
        closePort(&port);
    }
}

TEST_F(NetworkLine, AServerThatDoesNotDoItsPartFailsTheOpenWithItsReason)
{
    const Bytes options = {255, 253, 0, 255, 251, 0, 255, 253, 44};
    const Bytes baud9600 = {255, 250, 44, 101, 0, 0, 0x25, 0x80, 255, 240};
    const Bytes lineConfirmed = {255, 250, 44, 101, 0, 0, 0x4B, 0x00, 255, 240, 255, 250, 44, 102, 8, 255, 240,
                                 255, 250, 44, 103, 1, 255, 240, 255, 250, 44, 104, 1, 255, 240,
                                 255, 250, 44, 105, 1, 255, 240};
    const Bytes noFlowControl = {255, 250, 44, 105, 1, 255, 240};  // the answer to the query that ends the open
    const struct {
        const char* what;
        const char* scheme;
        FakeServerScript script;  // none: nothing listens on the port
        bool listening;
        bool opens;               // and then a read fails
        std::string reason;
        int error;
        long long minMs, maxMs;
    } cases[] = {
        {"refuses the connection", "rfc2217", {}, false, false, "cannot connect to the server", ECONNREFUSED, 0, 500},
        {"never takes the connection", "socket", {true}, true, false, "cannot connect to the server", ETIMEDOUT,
         2900, 3500},
        {"closes at once", "rfc2217", {false, true}, true, false, "the connection to the server was lost",
         ECONNRESET, 0, 500},
        {"never negotiates", "rfc2217", {}, true, false, "the server sent no telnet negotiation within 3 s", 0,
         2900, 3500},
        {"refuses the baud rate", "rfc2217", {false, false, options, {baud9600}}, true, false,
         "the server set baud rate 9600, not 19200", 0, 0, 500},
        {"hangs up once the line is set up", "rfc2217",
         {false, false, options, {lineConfirmed, noFlowControl}, {}, true}, true, true,
         "the connection to the server was lost", ECONNRESET, 0, 500},
        {"leaves binary transmission once the line is set up", "rfc2217",
         {false, false, options, {lineConfirmed, noFlowControl}, {255, 252, 0}}, true, true,
         "the server refuses binary transmission", 0, 0, 500},
        {"raw TCP: hangs up at once", "socket", {false, true}, true, true, "the connection to the server was lost",
         ECONNRESET, 0, 500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<FakeServer> server;
        if (c.listening)
            server = std::make_unique<FakeServer>(c.script);
        const uint16_t port = server ? server->port() : freeLoopbackPort();
        PortAddress address{};
        const char* wrong = nullptr;
        const std::string text = std::string(c.scheme) + "://127.0.0.1:" + std::to_string(port);
        ASSERT_TRUE(parsePortAddress(text.c_str(), &address, &wrong));
        const auto start = Clock::now();
        const PortHandle handle = networkOpen(address);
        if (c.opens) {
            ASSERT_NE(handle, invalidPortHandle) << networkLastReason();
            uint8_t byte = 0;
            int got = 0;
            for (int read = 0; read < 50 && got == 0; ++read)  // up to 3 s
                got = networkReadByte(handle, &byte);
            EXPECT_EQ(got, -1);
            networkClose(handle);
        } else {
            EXPECT_EQ(handle, invalidPortHandle);
        }
        EXPECT_STREQ(networkLastReason(), c.reason.c_str());
        EXPECT_EQ(networkLastError(), c.error);
        EXPECT_GE(msSince(start), c.minMs);
        EXPECT_LT(msSince(start), c.maxMs);
    }
}

TEST_F(NetworkLine, TheRoundTripIsOneRequestAndItsAnswer)
{
    Ser2netProcess server;
    ASSERT_TRUE(server.ready()) << server.problem();
    // 20 ms added each way.
    ChildProcess proxy;
    ASSERT_TRUE(proxy.start(DELAY_PROXY_PATH, {"--to", "127.0.0.1:" + std::to_string(server.rfc2217Port()),
                                               "--delay", "20", "--lifetime", "30"}));
    const std::string proxyPort = proxy.readLine(5000);
    ASSERT_FALSE(proxyPort.empty()) << proxy.errorText();
    const struct {
        std::string address;
        int minMs, maxMs;
    } cases[] = {
        {server.rfc2217Address(), 0, 20},
        // One round trip, not the two of the negotiation, nor one held back
        // by the server until this side acknowledged what it sent before.
        {"rfc2217://127.0.0.1:" + proxyPort, 40, 75},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        PortAddress address{};
        const char* wrong = nullptr;
        ASSERT_TRUE(parsePortAddress(c.address.c_str(), &address, &wrong));
        const PortHandle handle = networkOpen(address);
        ASSERT_NE(handle, invalidPortHandle) << networkLastReason();
        EXPECT_GE(networkRoundTripMs(handle), c.minMs);
        EXPECT_LT(networkRoundTripMs(handle), c.maxMs);
        networkClose(handle);
    }
}
