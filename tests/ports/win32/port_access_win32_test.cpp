// The Win32 port layer under Wine, through COM5 and COM6: the two ends of
// one pseudo-terminal pair that the Wine test fixture registers
// (cmake/WineTests.cmake). Suites named WineCom* run with those ports.
#include "ports/port_access.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "app/app_state.h"
#include "ports/serial_line.h"
#include "ui/headless/headless_window.h"
#include "ui/text_table.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class WineComSerialLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        app.language = languageEnglish;
        applyTexts();
        headlessReset();
        ASSERT_TRUE(openPort("COM5", 19200));
        app.portOpen = true;
        peer = serialOpen("\\\\.\\COM6");
        ASSERT_NE(peer, invalidPortHandle);
        ASSERT_TRUE(serialSetTimeouts(peer));
        ASSERT_TRUE(serialSetLine(peer, 19200));
        drain();
    }

    void TearDown() override
    {
        if (app.portOpen)
            closePort();
        if (peer != invalidPortHandle)
            serialClose(peer);
    }

    // Whatever an earlier test left in the pair.
    void drain()
    {
        uint8_t byte;
        while (serialReadByte(peer, &byte) == 1) {
        }
        int count;
        uint8_t buffer[64];
        while (readBytes(buffer, sizeof buffer, &count)) {
        }
    }

    Bytes receiveOnPeer()
    {
        Bytes bytes;
        uint8_t byte;
        while (serialReadByte(peer, &byte) == 1)
            bytes.push_back(byte);
        return bytes;
    }

    void sendFromPeer(const Bytes& bytes)
    {
        int written = -1;
        ASSERT_TRUE(serialWrite(peer, bytes.data(), static_cast<int>(bytes.size()), &written));
        ASSERT_EQ(written, static_cast<int>(bytes.size()));
    }

    PortHandle peer = invalidPortHandle;
};

TEST_F(WineComSerialLine, OpensAt19200_8N1WithTheFixedTimeouts)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(reinterpret_cast<HANDLE>(app.portHandle), &dcb));
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    COMMTIMEOUTS timeouts{};
    ASSERT_TRUE(GetCommTimeouts(reinterpret_cast<HANDLE>(app.portHandle), &timeouts));
    EXPECT_EQ(timeouts.ReadIntervalTimeout, 50u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 10u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 50u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 10u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 50u);
}

TEST_F(WineComSerialLine, BytesCrossThePairBothWays)
{
    Bytes all(256);
    for (int i = 0; i < 256; ++i)
        all[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    EXPECT_TRUE(writeBytes(all.data(), static_cast<int>(all.size())));
    EXPECT_EQ(receiveOnPeer(), all);

    sendFromPeer({0x11, 0x0D, 0x0A});
    uint8_t buffer[141] = {};
    int count = 0;
    const auto start = Clock::now();
    ASSERT_TRUE(readBytes(buffer, 141, &count));
    EXPECT_GE(msSince(start), 40);  // the reply ends with the quiet line
    EXPECT_EQ(count, 3);
    EXPECT_EQ(Bytes(buffer, buffer + 3), (Bytes{0x11, 0x0D, 0x0A}));
    EXPECT_EQ(headlessLog(), "");
}

TEST_F(WineComSerialLine, SilentLineFailsQuietlyAfterAboutSixtyMs)
{
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

TEST_F(WineComSerialLine, MaximumBytesReturnAtOnce)
{
    sendFromPeer({1, 2, 3, 4, 5, 6, 7});
    Sleep(30);
    uint8_t buffer[5] = {};
    int count = 0;
    const auto start = Clock::now();
    ASSERT_TRUE(readBytes(buffer, 5, &count));
    EXPECT_LT(msSince(start), 45);
    EXPECT_EQ(count, 5);
    ASSERT_TRUE(readBytes(buffer, 5, &count));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(buffer[0], 6);
    EXPECT_EQ(buffer[1], 7);
}

// Exclusive access is the Windows driver's: Wine 8 lets a pseudo-terminal
// COM port open twice, so that part is tested natively (port_access_posix_test).
TEST_F(WineComSerialLine, APortThatDoesNotExistFailsSilently)
{
    const PortHandle first = app.portHandle;
    EXPECT_FALSE(openPort("COM200", 19200));
    EXPECT_EQ(app.portHandle, invalidPortHandle);
    EXPECT_EQ(headlessLog(), "");
    app.portHandle = first;
}

TEST(Win32SerialPath, IsTheDeviceNamespacePrefixAndTheName)
{
    char path[serialPathSize];
    ASSERT_TRUE(serialDevicePath("COM12", path, sizeof path));
    EXPECT_STREQ(path, "\\\\.\\COM12");
    char small[8];
    EXPECT_FALSE(serialDevicePath("COM12345", small, sizeof small));
}

}  // namespace
