// The port layer on a real pseudo-terminal: the time-out behaviour, the
// exclusive open, the raw line and the two error lines.
#include "ports/port_access.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <termios.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "ports/posix/posix_ports.h"
#include "tests/ports/posix/pty_pair.h"
#include "tests/support/temp_files.h"
#include "ui/headless/headless_window.h"
#include "ui/text_table.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class PortAccess : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        app.language = languageEnglish;
        applyTexts();
        headlessReset();
        ASSERT_TRUE(pty.open());
        posixUsePortPaths({pty.slavePath});
    }

    void TearDown() override
    {
        if (app.portOpen)
            closePort();
        posixUseSystemPorts();
    }

    void openCom1()
    {
        ASSERT_TRUE(openPort("COM1", 19200));
        app.portOpen = true;
    }

    PtyPair pty;
};

TEST_F(PortAccess, OpensTheListedDeviceAt19200Baud)
{
    openCom1();
    termios t{};
    ASSERT_EQ(tcgetattr(static_cast<int>(app.portHandle), &t), 0);
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B19200));
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
}

TEST_F(PortAccess, EveryByteValuePassesUnchanged)
{
    openCom1();
    Bytes all(256);
    for (int i = 0; i < 256; ++i)
        all[static_cast<size_t>(i)] = static_cast<uint8_t>(i);

    EXPECT_TRUE(writeBytes(all.data(), static_cast<int>(all.size())));
    EXPECT_EQ(pty.receive(), all);

    ASSERT_TRUE(pty.send(all));
    uint8_t buffer[256] = {};
    int count = 0;
    ASSERT_TRUE(readBytes(buffer, 256, &count));
    EXPECT_EQ(Bytes(buffer, buffer + count), all);
    EXPECT_EQ(headlessLog(), "");
}

TEST_F(PortAccess, SilentLineFailsQuietlyAfterAboutSixtyMs)
{
    openCom1();
    uint8_t buffer[141];
    int count = -7;
    const auto start = Clock::now();
    EXPECT_FALSE(readBytes(buffer, 141, &count));
    const long long elapsed = msSince(start);
    EXPECT_GE(elapsed, 40);
    EXPECT_LE(elapsed, 500);
    EXPECT_EQ(count, -7);
    EXPECT_EQ(headlessLog(), "");
}

TEST_F(PortAccess, ReplyEndsWhenTheLineGoesQuiet)
{
    openCom1();
    ASSERT_TRUE(pty.send({0x11, 0x0D, 0x0A}));
    uint8_t buffer[141] = {};
    int count = 0;
    const auto start = Clock::now();
    ASSERT_TRUE(readBytes(buffer, 141, &count));
    EXPECT_GE(msSince(start), 40);  // waited for the quiet gap
    EXPECT_EQ(count, 3);
    EXPECT_EQ(Bytes(buffer, buffer + 3), (Bytes{0x11, 0x0D, 0x0A}));
    EXPECT_EQ(buffer[3], 0);
}

TEST_F(PortAccess, MaximumBytesReturnAtOnceAndTheRestWaits)
{
    openCom1();
    ASSERT_TRUE(pty.send({1, 2, 3, 4, 5, 6, 7}));
    usleep(20000);  // all of it in the input buffer
    uint8_t buffer[8] = {};
    int count = 0;
    const auto start = Clock::now();
    ASSERT_TRUE(readBytes(buffer, 5, &count));
    EXPECT_LT(msSince(start), 45);  // no wait for a quiet line
    EXPECT_EQ(count, 5);
    EXPECT_EQ(Bytes(buffer, buffer + 8), (Bytes{1, 2, 3, 4, 5, 0, 0, 0}));

    ASSERT_TRUE(readBytes(buffer, 5, &count));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(buffer[0], 6);
    EXPECT_EQ(buffer[1], 7);
}

TEST_F(PortAccess, ASecondOpenOfTheSamePortFailsSilently)
{
    openCom1();
    const PortHandle first = app.portHandle;
    EXPECT_FALSE(openPort("COM1", 19200));
    EXPECT_EQ(app.portHandle, invalidPortHandle);
    EXPECT_EQ(headlessLog(), "");

    // Once closed, the port opens again.
    app.portHandle = first;
    closePort();
    EXPECT_TRUE(openPort("COM1", 19200));
    app.portOpen = true;
}

TEST_F(PortAccess, ClosesWhatItOpenedButCouldNotConfigure)
{
    TempDir dir;
    const std::string file = dir.file("not-a-terminal");
    writeFile(file, "x");
    posixUsePortPaths({file, "/dev/null"});
    const int before = openDescriptorCount();
    EXPECT_FALSE(openPort("COM1", 19200));
    EXPECT_EQ(app.portHandle, invalidPortHandle);
    EXPECT_FALSE(openPort("COM2", 19200));
    EXPECT_EQ(openDescriptorCount(), before);
    // Nor does the file stay locked.
    const int other = ::open(file.c_str(), O_RDWR);
    ASSERT_GE(other, 0);
    EXPECT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    ::close(other);
    EXPECT_EQ(headlessLog(), "");
}

TEST_F(PortAccess, UnknownPortsDoNotOpen)
{
    EXPECT_FALSE(openPort("COM2", 19200));  // only COM1 is listed
    EXPECT_FALSE(openPort("COM0", 19200));
    EXPECT_FALSE(openPort("LPT1", 19200));
    EXPECT_FALSE(openPort("COM1", 12345));  // no such baud rate
    EXPECT_EQ(app.portHandle, invalidPortHandle);
    posixUsePortPaths({"/nonexistent/tty"});
    EXPECT_FALSE(openPort("COM1", 19200));
    EXPECT_EQ(headlessLog(), "");
}

TEST_F(PortAccess, OpensAnAbsolutePathDirectly)
{
    posixUsePortPaths({});
    ASSERT_TRUE(openPort(pty.slavePath.c_str(), 19200));
    app.portOpen = true;
    EXPECT_TRUE(writeBytes(reinterpret_cast<const uint8_t*>("AT"), 2));
    EXPECT_EQ(pty.receive(), (Bytes{'A', 'T'}));
}

TEST_F(PortAccess, ReadErrorLineEndsWithABlank)
{
    openCom1();
    pty.closeMaster();  // the device is gone: the line hangs up
    uint8_t buffer[16];
    int count = -7;
    EXPECT_FALSE(readBytes(buffer, 16, &count));
    EXPECT_EQ(count, -7);
    EXPECT_EQ(headlessLog(), "\r\n>> Error: Reading from COM port! [5] ");
}

TEST_F(PortAccess, WriteErrorLineEndsWithTheBracket)
{
    openCom1();
    pty.closeMaster();
    const uint8_t request[] = {0xAA, 0x55};
    EXPECT_FALSE(writeBytes(request, 2));
    EXPECT_EQ(headlessLog(), "\r\n<< Error: Writing to COM port! [5]");
}

TEST_F(PortAccess, ErrorLinesAreInTheCurrentLanguage)
{
    app.language = languageRussian;
    applyTexts();
    openCom1();
    pty.closeMaster();
    uint8_t buffer[4];
    int count = 0;
    EXPECT_FALSE(readBytes(buffer, 4, &count));
    EXPECT_FALSE(writeBytes(buffer, 4));
    EXPECT_EQ(headlessLog(), std::string(textTables[languageRussian].logPortReadError) + " [5] " +
                                 textTables[languageRussian].logPortWriteError + " [5]");
}

TEST_F(PortAccess, ClosePortRebuildsTheListEvenWhenNothingIsOpen)
{
    PtyPair second;
    ASSERT_TRUE(second.open());
    posixUsePortPaths({pty.slavePath, second.slavePath});
    portListClear();
    portListAppend("COM9");
    portListAppend("stale");
    portListSelect(1);

    ASSERT_FALSE(app.portOpen);
    closePort();
    EXPECT_EQ(headlessPortList(), (std::vector<std::string>{"COM1", "COM2"}));
    EXPECT_EQ(headlessPortListSelection(), 0);
}

TEST_F(PortAccess, ClosePortReleasesTheOpenPort)
{
    openCom1();
    const int fd = static_cast<int>(app.portHandle);
    closePort();
    EXPECT_FALSE(app.portOpen);
    EXPECT_EQ(fcntl(fd, F_GETFD), -1);
    EXPECT_EQ(headlessPortList(), (std::vector<std::string>{"COM1"}));
}

}  // namespace
