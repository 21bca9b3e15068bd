// The TCP facade on Winsock against a listener of the test's own on 127.0.0.1:
// the other end's close and a refused connection, each with the system's number
// (bytes both ways and receives that time out: e2e.Network, through ser2net).
#include "ports/tcp_line.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <gtest/gtest.h>

TEST(Win32TcpLine, SaysTheSystemsReasons)
{
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof a;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&a), &size), 0);
    const uint16_t port = ntohs(a.sin_port);

    int handshakeMs = -1;
    const TcpSocket line = tcpConnect("127.0.0.1", port, 3000, &handshakeMs);
    ASSERT_NE(line, invalidTcpSocket) << tcpLastError();
    EXPECT_GE(handshakeMs, 0);
    const SOCKET peer = accept(listener, nullptr, nullptr);
    ASSERT_NE(peer, INVALID_SOCKET);
    closesocket(peer);
    uint8_t answer[16];
    EXPECT_EQ(tcpReceive(line, answer, sizeof answer, 1000), -1);
    EXPECT_EQ(tcpLastError(), WSAECONNRESET);
    tcpClose(line);

    closesocket(listener);
    EXPECT_EQ(tcpConnect("127.0.0.1", port, 3000, &handshakeMs), invalidTcpSocket);
    EXPECT_EQ(tcpLastError(), WSAECONNREFUSED);
    WSACleanup();
}
