// Ports as users type them: local names pass as they are, network addresses
// give their kind, host and TCP port, and a malformed one says what is wrong.
#include "ports/port_address.h"

#include <gtest/gtest.h>

#include <string>

TEST(PortAddress, ReadsEveryKindAndNamesWhatIsWrong)
{
    const std::string longest(portAddressSize - 1, 'C');
    const std::string tooLong(portAddressSize, 'C');
    const struct {
        std::string text;
        bool ok;
        PortKind kind;
        const char* host;
        int port;
        const char* reason;  // on failure
    } cases[] = {
        {"COM7", true, PortKind::serial, "", 0, nullptr},
        {"/dev/ttyUSB0", true, PortKind::serial, "", 0, nullptr},
        {"\\\\.\\COM12", true, PortKind::serial, "", 0, nullptr},
        {"reader:4000", true, PortKind::serial, "", 0, nullptr},  // no scheme: a local name
        {longest, true, PortKind::serial, "", 0, nullptr},
        {"rfc2217://127.0.0.1:4001", true, PortKind::rfc2217, "127.0.0.1", 4001, nullptr},
        {"RFC2217://line-7.example_net:65535", true, PortKind::rfc2217, "line-7.example_net", 65535, nullptr},
        {"socket://[::1]:1", true, PortKind::rawTcp, "::1", 1, nullptr},
        {"socket://[fe80::1:2.3.4.5]:00080", true, PortKind::rawTcp, "fe80::1:2.3.4.5", 80, nullptr},
        {"", false, PortKind::serial, "", 0, "no port given"},
        {tooLong, false, PortKind::serial, "", 0, "port name too long"},
        {"telnet://host:23", false, PortKind::serial, "", 0, "unknown scheme (rfc2217:// or socket://)"},
        {"rfc2217://host", false, PortKind::serial, "", 0, "no port after the host"},
        {"rfc2217://host:", false, PortKind::serial, "", 0, "no port after the colon"},
        {"rfc2217://host:0", false, PortKind::serial, "", 0, "port 0"},
        {"rfc2217://host:65536", false, PortKind::serial, "", 0, "port over 65535"},
        // 2 to the 64th + 1: a sum that wrapped around would read port 1.
        {"rfc2217://host:18446744073709551617", false, PortKind::serial, "", 0, "port over 65535"},
        {"rfc2217://host:4000/", false, PortKind::serial, "", 0, "junk after the port"},
        {"rfc2217://host:4000 ", false, PortKind::serial, "", 0, "junk after the port"},
        {"rfc2217://:4000", false, PortKind::serial, "", 0, "empty host"},
        {"socket://", false, PortKind::serial, "", 0, "empty host"},
        {"socket://[]:4000", false, PortKind::serial, "", 0, "empty host"},
        {"socket://[::1:4000", false, PortKind::serial, "", 0, "unbalanced brackets around the host"},
        {"socket://host]:4000", false, PortKind::serial, "", 0, "unbalanced brackets around the host"},
        {"socket://[::1]4000", false, PortKind::serial, "", 0, "junk after the host"},
        {"socket://[::1]", false, PortKind::serial, "", 0, "no port after the host"},
        {"socket://[host]:4000", false, PortKind::serial, "", 0, "not an IPv6 address in the brackets"},
        {"socket://::1:4000", false, PortKind::serial, "", 0, "an IPv6 host needs brackets"},
        {"socket://ho st:4000", false, PortKind::serial, "", 0, "a character a host cannot have"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        PortAddress address{};
        const char* reason = nullptr;
        ASSERT_EQ(parsePortAddress(c.text.c_str(), &address, &reason), c.ok) << (reason ? reason : "");
        if (!c.ok) {
            EXPECT_STREQ(reason, c.reason);
            continue;
        }
        EXPECT_EQ(address.kind, c.kind);
        EXPECT_EQ(address.text, c.text);
        EXPECT_STREQ(address.host, c.host);
        EXPECT_EQ(address.tcpPort, c.port);
    }
}
