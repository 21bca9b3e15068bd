#include "image/update_time.h"

#include <algorithm>

#include "link/bootloader_commands.h"

namespace {

constexpr double byteSeconds = 10.0 / 19200;  // start bit, 8 data bits, stop bit
constexpr double quietSeconds = 0.060;        // a read ends after this long without a byte
constexpr double resetReplyWait = 0.020;      // the update job's wait before a reset's reply
constexpr int replyFrameLength = shortRequestLength;

// One request and its reply: the request leaves at once and is on the line
// for its length; each read comes `wait` after the last one ended, gets the
// reply if its first byte arrives within the quiet time, and ends a quiet
// time after the reply's last byte.
double exchangeSeconds(int requestLength, double wait, int attempts)
{
    const double requestDone = requestLength * byteSeconds;
    const double firstReplyByte = requestDone + byteSeconds;
    const double replyDone = requestDone + replyFrameLength * byteSeconds;
    double t = 0;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        t += wait;
        if (firstReplyByte <= t + quietSeconds)
            return std::max(t, replyDone) + quietSeconds;
        t += quietSeconds;
    }
    return t;
}

}  // namespace

double updateSeconds(const std::vector<PlannedBlock>& blocks, bool resetSettings)
{
    double seconds = 0;
    for (const PlannedBlock& block : blocks)
        seconds += exchangeSeconds(writeBlockFrameLength(block.count), flashAckPollMs / 1000.0, flashAckAttempts);
    const int resets = resetSettings ? 2 : 1;
    return seconds + resets * exchangeSeconds(shortRequestLength, resetReplyWait, 1);
}
