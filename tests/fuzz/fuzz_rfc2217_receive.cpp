// What an RFC 2217 server sends, into the client's receive path
// (rfc2217Receive: the telnet stream's reader, option negotiation, the
// COM-PORT answers). Input: one byte that chooses how the stream is cut into
// receives, then the stream. Checks that the data bytes that come out are
// exactly the stream's data bytes (IAC IAC read as one 0xFF, every command
// and subnegotiation left out, wherever the cuts fall), that what the client
// says back holds only telnet commands, and that data the client escaped
// itself comes back unchanged.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ports/rfc2217_client.h"
#include "ports/telnet_stream.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The data bytes of a whole stream, read straight through.
Bytes dataOf(const uint8_t* s, size_t n)
{
    Bytes out;
    size_t i = 0;
    while (i < n) {
        if (s[i] != telnetIac) {
            out.push_back(s[i++]);
            continue;
        }
        if (i + 1 >= n)
            break;
        const uint8_t command = s[i + 1];
        if (command == telnetIac) {
            out.push_back(telnetIac);
            i += 2;
        } else if (command >= telnetWill) {
            i += 3;
        } else if (command != telnetSb) {
            i += 2;
        } else {
            // To IAC SE; IAC IAC inside is a byte of it, any other IAC x
            // ends it unfinished and is read as a command.
            size_t j = i + 3;
            for (;;) {
                if (j + 1 >= n) {
                    i = n;
                    break;
                }
                if (s[j] != telnetIac) {
                    ++j;
                } else if (s[j + 1] == telnetIac) {
                    j += 2;
                } else {
                    i = s[j + 1] == telnetSe ? j + 2 : j;
                    break;
                }
            }
        }
    }
    return out;
}

// Feeds the stream in pieces chosen by cut; the data bytes that came out.
Bytes receiveInPieces(Rfc2217Client* client, const uint8_t* s, size_t n, uint8_t cut)
{
    Bytes data;
    uint32_t random = cut;
    const uint32_t longest = cut & 1 ? 7 : rfc2217FeedSize;
    for (size_t at = 0; at < n;) {
        random = random * 1103515245u + 12345u;
        size_t piece = 1 + (random >> 16) % longest;
        if (piece > n - at)
            piece = n - at;
        uint8_t out[rfc2217FeedSize];
        const int got = rfc2217Receive(client, s + at, int(piece), out);
        FUZZ_CHECK(got >= 0 && size_t(got) <= piece, "no more data bytes than bytes received");
        data.insert(data.end(), out, out + got);
        FUZZ_CHECK(client->outputLength >= 0 && client->outputLength <= rfc2217OutputSize,
                   "the client's output stays in its buffer");
        // What the client says is commands and subnegotiations only.
        TelnetReader said{};
        for (int k = 0; k < client->outputLength; ++k)
            FUZZ_CHECK(telnetRead(&said, client->output[k]) != TelnetStep::data, "the client sends no data bytes");
        FUZZ_CHECK(said.state == 0, "the client's output ends between commands");
        rfc2217OutputSent(client);
        at += piece;
    }
    return data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t cut = bytes[0];
    const uint8_t* stream = bytes + 1;
    const size_t n = size - 1;

    Rfc2217Client client;
    rfc2217Start(&client);
    rfc2217OutputSent(&client);
    FUZZ_CHECK(receiveInPieces(&client, stream, n, cut) == dataOf(stream, n),
               "the data bytes are the stream's, IAC IAC undoubled, commands left out");

    // The stream as data the client escaped itself comes back whole.
    Bytes escaped(2 * n);
    escaped.resize(size_t(telnetEscape(stream, int(n), escaped.data())));
    Rfc2217Client again;
    rfc2217Start(&again);
    FUZZ_CHECK(receiveInPieces(&again, escaped.data(), escaped.size(), cut) == Bytes(stream, stream + n),
               "escaped data reads back unchanged");
    return 0;
}
