// The port layer on a real pseudo-terminal: the program opens its slave as
// COM1, the test plays the device on the master. Bytes unchanged both ways,
// a read that ends at its maximum, when the line goes quiet or on time-out;
// the exclusive open, nothing left open or locked by a failed open, a
// vanished device reported, the port list rebuilt at close.
#include "ports/port_access.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <numeric>
#include <thread>
#include <utility>

#include "app/app_state.h"
#include "ports/port_list.h"
#include "ports/posix/posix_ports.h"
#include "tests/support/expected_texts.h"
#include "tests/support/temp_files.h"
#include "ui/cp1251.h"
#include "frontends/headless/headless_window.h"
#include "ui/text_table.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

class PortAccess : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        app.language = languageEnglish;
        applyTexts();
        headlessReset();
        int slave = -1;
        char name[128];
        ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
        ::close(slave);
        path = name;
        posixUsePortPaths({path});
        ASSERT_TRUE(openPort(&port, "COM1", 19200));
    }
    void TearDown() override
    {
        closePort(&port);
        ::close(master);
        posixUseSystemPorts();
    }

    int master = -1;
    std::string path;
    Port port;
};

long long msSince(Clock::time_point start)
{ return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(); }

int openDescriptorCount()
{
    int count = 0;
    for (int fd = 0; fd < 4096; ++fd)
        count += fcntl(fd, F_GETFD) != -1;
    return count;
}

}  // namespace

TEST_F(PortAccess, EveryByteCrossesAndAReadEndsAtItsMaximumTheQuietLineOrTheTimeOut)
{
    Bytes all(256);
    std::iota(all.begin(), all.end(), 0);
    EXPECT_TRUE(writeBytes(port, all.data(), static_cast<int>(all.size())));
    Bytes received;
    pollfd p{master, POLLIN, 0};
    uint8_t chunk[512];
    for (ssize_t n; ::poll(&p, 1, 200) > 0 && (n = ::read(master, chunk, sizeof chunk)) > 0;)
        received.insert(received.end(), chunk, chunk + n);  // what arrives until the line is quiet
    EXPECT_EQ(received, all);

    ASSERT_EQ(::write(master, all.data(), all.size()), 256);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // all of it in the input buffer
    uint8_t buffer[257] = {};
    int count = -7;
    auto start = Clock::now();
    ASSERT_TRUE(readBytes(port, buffer, 200, &count));
    EXPECT_LT(msSince(start), 45) << "no wait for a quiet line at the maximum";
    EXPECT_EQ(Bytes(buffer, buffer + count), Bytes(all.begin(), all.begin() + 200));
    EXPECT_EQ(buffer[200], 0) << "written past the maximum";
    start = Clock::now();
    ASSERT_TRUE(readBytes(port, buffer, 141, &count));
    EXPECT_GE(msSince(start), 40) << "the rest ends with the quiet line";
    EXPECT_EQ(Bytes(buffer, buffer + count), Bytes(all.begin() + 200, all.end()));
    count = -7;
    start = Clock::now();
    EXPECT_FALSE(readBytes(port, buffer, 141, &count)) << "a silent line";
    EXPECT_GE(msSince(start), 40);
    EXPECT_LE(msSince(start), 500);
    EXPECT_EQ(count, -7);
    EXPECT_EQ(headlessLog(), "");
}

TEST_F(PortAccess, OpensOnceAtATimeAndAFailedOpenLeavesNothingOpenOrLocked)
{
    const PortHandle first = port.line;
    Port second;
    EXPECT_FALSE(openPort(&second, "COM1", 19200));
    EXPECT_FALSE(portIsOpen(second));
    closePort(&port);
    EXPECT_EQ(fcntl(static_cast<int>(first), F_GETFD), -1) << "the descriptor is released";
    EXPECT_TRUE(openPort(&port, path.c_str(), 19200)) << "a path opens directly";
    closePort(&port);

    TempDir dir;
    const std::string file = dir.file("not-a-terminal");
    writeFile(file, "x");
    posixUsePortPaths({file, "/dev/null", "/nonexistent/tty", path});
    const int before = openDescriptorCount();
    for (const char* name : {"COM1", "COM2", "COM3", "COM5"})
        EXPECT_FALSE(openPort(&port, name, 19200)) << name;
    EXPECT_FALSE(openPort(&port, "COM4", 12345)) << "no such baud rate";
    EXPECT_FALSE(portIsOpen(port));
    EXPECT_EQ(openDescriptorCount(), before);
    const int other = ::open(file.c_str(), O_RDWR);
    EXPECT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    ::close(other);
    EXPECT_EQ(headlessLog(), "");
}

TEST_F(PortAccess, AVanishedDeviceIsReportedInTheCurrentLanguage)
{
    ::close(std::exchange(master, -1));  // the line hangs up
    for (bool russian : {false, true}) {
        app.language = russian ? languageRussian : languageEnglish;
        applyTexts();
        headlessReset();
        uint8_t buffer[16];
        int count = -7;
        EXPECT_FALSE(readBytes(port, buffer, 16, &count));
        EXPECT_EQ(count, -7);
        EXPECT_FALSE(writeBytes(port, buffer, 2));
        EXPECT_EQ(cp1251ToUtf8(headlessLog().c_str()), expectedText(russian, "portReadError") + " [5] " +
                                     expectedText(russian, "portWriteError") + " [5]");
    }
}

TEST_F(PortAccess, ClosePortRebuildsTheListEvenWhenNothingIsOpen)
{
    closePort(&port);
    portListAppend("stale");
    posixUsePortPaths({path, "/tmp/second"});
    closePort(&port);
    EXPECT_EQ(headlessPortList(), (std::vector<std::string>{"COM1", "COM2"}));
    EXPECT_EQ(headlessPortListSelection(), 0);
    posixUsePortPaths({});
    closePort(&port);
    EXPECT_EQ(headlessPortList(), std::vector<std::string>{""}) << "no ports: one empty entry";
    EXPECT_EQ(headlessPortListSelection(), 0);
}
