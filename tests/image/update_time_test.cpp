// The update time the image check's summary prints, against figures worked
// out by hand from the line and the waits.
#include "image/update_time.h"

#include <gtest/gtest.h>

#include <vector>

// A byte on the line is a start bit, 8 data bits and a stop bit:
// 10 / 19200 s = 0.5208 ms. A block of n bytes goes out as a request of
// 13 + 4 * ceil(n / 4) bytes; the reader's 13-byte reply follows it at once.
// The job waits 10 ms, then reads until 60 ms pass without a byte, so its
// first read covers 10-70 ms and the next starts at 80 ms.
//   128 bytes: request 141 bytes; the reply's first byte is in at
//     142 x 0.5208 = 73.96 ms, after the first read gave up; the second read
//     (from 80 ms) has the reply whole at 154 x 0.5208 = 80.21 ms and ends
//     60 ms later: 140.21 ms.
//   16 bytes: request 29 bytes; the reply is whole at 42 x 0.5208 = 21.88 ms,
//     inside the first read, which ends at 81.88 ms.
//   5 bytes, sent as 8: request 21 bytes; reply whole at 34 x 0.5208 =
//     17.71 ms; the read ends at 77.71 ms.
//   A reset (settings or device): request 13 bytes, the read 20 ms after it;
//     the reply is whole at 26 x 0.5208 = 13.54 ms, before the read starts,
//     which ends 60 ms later: 80 ms.
TEST(UpdateTime, IsTheLineTimeAndTheWaitsWorkedOutByHand)
{
    const struct {
        const char* what;
        std::vector<PlannedBlock> blocks;
        bool resetSettings;
        double seconds;
    } cases[] = {
        // 168 x 140.208 ms + 80 ms: the summary's 23.6 s.
        {"the sample: 21,504 bytes in 168 full blocks", std::vector<PlannedBlock>(168, {0x08004800, 128}), false,
         23.635},
        // 81.875 + 77.708 + 80 + 80 ms.
        {"a 16-byte and a 5-byte block, the settings reset", {{0x08004800, 16}, {0x08005400, 5}}, true, 0.319583},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(updateSeconds(c.blocks, c.resetSettings), c.seconds, 0.0005) << c.what;
}
