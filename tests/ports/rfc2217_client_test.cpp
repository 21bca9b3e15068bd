// The RFC 2217 client against servers written out byte by byte: what it
// answers to each, when its line is ready and why it fails. (That the data
// among the commands comes out whole however the stream is cut is
// fuzz_rfc2217_receive's, against a decoder of its own.)
#include "ports/rfc2217_client.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t IAC = telnetIac, WILL = telnetWill, WONT = telnetWont, DO = telnetDo, DONT = telnetDont,
                  SB = telnetSb, SE = telnetSe;
constexpr uint8_t BINARY = telnetBinaryOption, COMPORT = comPortOption, ECHO = 1, SGA = 3;

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes comPort(std::initializer_list<uint8_t> body)
{
    return Bytes{IAC, SB, COMPORT} + Bytes(body) + Bytes{IAC, SE};
}

// What the client asks for once the server takes the COM-PORT option.
const Bytes settingsRequests = comPort({1, 0, 0, 0x4B, 0x00}) + comPort({2, 8}) + comPort({3, 1}) +
                               comPort({4, 1}) + comPort({5, 1}) + comPort({5, 8}) + comPort({5, 11});

// ser2net's greeting, and the answers of a server that set the line up.
const Bytes greeting = {IAC, WILL, SGA, IAC, DO, SGA, IAC, WILL, ECHO, IAC, DONT, ECHO,
                        IAC, DO, BINARY, IAC, WILL, BINARY, IAC, DO, COMPORT};
const Bytes options = {IAC, DO, BINARY, IAC, WILL, BINARY, IAC, DO, COMPORT};
const Bytes confirmations = comPort({101, 0, 0, 0x4B, 0x00}) + comPort({102, 8}) + comPort({103, 1}) +
                            comPort({104, 1}) + comPort({105, 1});

// Starts a client, forgets its opening requests and feeds it the server's
// bytes; what it said in answer.
Bytes answerTo(Rfc2217Client* client, const Bytes& server)
{
    rfc2217Start(client);
    rfc2217OutputSent(client);
    uint8_t data[rfc2217FeedSize];
    for (size_t at = 0; at < server.size(); at += rfc2217FeedSize) {
        const int n = static_cast<int>(std::min<size_t>(server.size() - at, rfc2217FeedSize));
        rfc2217Receive(client, server.data() + at, n, data);
    }
    Bytes said(client->output, client->output + client->outputLength);
    rfc2217OutputSent(client);
    return said;
}

}  // namespace

TEST(Rfc2217Client, OpensWithItsRequests)
{
    Rfc2217Client client;
    rfc2217Start(&client);
    EXPECT_EQ(Bytes(client.output, client.output + client.outputLength),
              (Bytes{IAC, WILL, BINARY, IAC, DO, BINARY, IAC, WILL, COMPORT}));
    EXPECT_EQ(client.phase, Rfc2217Phase::negotiating);
}

TEST(Rfc2217Client, AnswersEachServerAndIsReadyOnlyWithTheLineConfirmed)
{
    const struct {
        const char* what;
        Bytes server;
        Bytes answer;
        Rfc2217Phase phase;
        std::string failure;
    } cases[] = {
        {"ser2net: other options refused, the line set up", greeting + confirmations,
         Bytes{IAC, DONT, SGA, IAC, WONT, SGA, IAC, DONT, ECHO} + settingsRequests, Rfc2217Phase::ready, ""},
        {"DTR and RTS refused, the line and modem state told",
         options + confirmations + comPort({105, 9}) + comPort({105, 12}) + comPort({106, 0x60}) +
             comPort({107, 0x30}),
         settingsRequests, Rfc2217Phase::ready, ""},
        {"a setting told before the client asked does not count", comPort({101, 0, 0, 0x25, 0x80}) + options + confirmations,
         settingsRequests, Rfc2217Phase::ready, ""},
        {"all confirmed but binary not agreed", Bytes{IAC, DO, BINARY, IAC, DO, COMPORT} + confirmations,
         settingsRequests, Rfc2217Phase::negotiating, ""},
        {"all but the flow control confirmed", options + comPort({101, 0, 0, 0x4B, 0x00}) + comPort({102, 8}) +
             comPort({103, 1}) + comPort({104, 1}), settingsRequests, Rfc2217Phase::negotiating, ""},
        {"9600 baud", options + comPort({101, 0, 0, 0x25, 0x80}), settingsRequests, Rfc2217Phase::failed,
         "the server set baud rate 9600, not 19200"},
        {"7 data bits", options + comPort({102, 7}), settingsRequests, Rfc2217Phase::failed,
         "the server set data size 7, not 8"},
        {"even parity", options + comPort({103, 3}), settingsRequests, Rfc2217Phase::failed,
         "the server set parity 3, not 1"},
        {"2 stop bits", options + comPort({104, 2}), settingsRequests, Rfc2217Phase::failed,
         "the server set stop size 2, not 1"},
        {"hardware flow control", options + comPort({105, 3}), settingsRequests, Rfc2217Phase::failed,
         "the server set flow control 3, not 1"},
        {"the baud rate changed once the line was ready", options + confirmations + comPort({101, 0, 0, 0x96, 0x00}),
         settingsRequests, Rfc2217Phase::failed, "the server set baud rate 38400, not 19200"},
        {"a baud rate answer two bytes long", options + comPort({101, 0x4B, 0x00}), settingsRequests,
         Rfc2217Phase::failed, "the server's baud rate answer is malformed"},
        {"COM-PORT refused", Bytes{IAC, DONT, COMPORT}, {}, Rfc2217Phase::failed,
         "the server refuses the COM-PORT option"},
        {"binary refused", Bytes{IAC, WONT, BINARY}, {}, Rfc2217Phase::failed,
         "the server refuses binary transmission"},
        {"binary left after it was agreed", options + Bytes{IAC, DONT, BINARY}, settingsRequests + Bytes{IAC, WONT, BINARY},
         Rfc2217Phase::failed, "the server refuses binary transmission"},
        // Refusals and requests for what is already so are never answered,
        // however often they come: no two sides can loop.
        {"refusals and repeats", options + Bytes{IAC, WONT, SGA, IAC, DONT, ECHO, IAC, DO, BINARY, IAC, WILL, BINARY,
                                                 IAC, DO, COMPORT, IAC, WONT, 200, IAC, DONT, 200},
         settingsRequests, Rfc2217Phase::negotiating, ""},
        {"the server's own COM-PORT side and other options refused",
         Bytes{IAC, WILL, COMPORT, IAC, DO, 200, IAC, WILL, 200, IAC, DO, ECHO, IAC, WILL, ECHO},
         Bytes{IAC, DONT, COMPORT, IAC, WONT, 200, IAC, DONT, 200, IAC, WONT, ECHO, IAC, DONT, ECHO},
         Rfc2217Phase::negotiating, ""},
        {"the signature asked for twice, given once", comPort({100}) + comPort({100}) + comPort({100, 'x'}),
         comPort({0, 'F', 'l', 'i', 'n', 't', 'w', 'e', 'l', 'l'}), Rfc2217Phase::negotiating, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Rfc2217Client client;
        EXPECT_EQ(answerTo(&client, c.server), c.answer);
        EXPECT_EQ(client.phase, c.phase);
        EXPECT_EQ(client.failure, c.failure);
    }
}

TEST(Rfc2217Client, HoldsItsDataWhileTheServerAsks)
{
    Rfc2217Client client;
    answerTo(&client, options + confirmations + comPort({108}));
    EXPECT_TRUE(client.suspended);
    uint8_t data[16];
    const Bytes resume = comPort({109});
    rfc2217Receive(&client, resume.data(), static_cast<int>(resume.size()), data);
    EXPECT_FALSE(client.suspended);
}

TEST(Rfc2217Client, SaysWhatItWaitedForWhenTimeRanOut)
{
    const struct {
        Bytes server;
        int limitMs;
        std::string failure;
    } cases[] = {
        {{}, 3000, "the server sent no telnet negotiation within 3 s"},
        {{IAC, WILL, BINARY, IAC, DO, BINARY}, 2500, "the server did not take the COM-PORT option within 2500 ms"},
        {Bytes{IAC, DO, COMPORT} + confirmations, 3000, "the server did not agree to binary transmission within 3 s"},
        {options, 3000, "the server did not confirm 19200 8N1 without flow control within 3 s"},
    };
    for (const auto& c : cases) {
        Rfc2217Client client;
        answerTo(&client, c.server);
        rfc2217TimedOut(&client, c.limitMs);
        EXPECT_EQ(client.phase, Rfc2217Phase::failed);
        EXPECT_EQ(client.failure, c.failure);
    }
}
