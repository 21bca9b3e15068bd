// A hex file handed to the image check (flintwell-image check, the release):
// every line up to the end-of-file record the stream stops at that is no sound
// record is reported at its own number, no problem names a line the file does
// not have, and an image that passes plans only bytes inside the flash it
// declares, none of them twice.
#include <algorithm>
#include <string>
#include <vector>

#include "image/image_check.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// A record the stream reads as the file means it: upper-case digits, its
// length, its checksum, at most 128 data bytes, a type the updater follows
// with the data length that type has. Sets *type.
bool soundRecord(const std::string& line, int* type)
{
    const auto* chars = reinterpret_cast<const uint8_t*>(line.data());
    const size_t n = line.size();
    if (n < 11 || n % 2 == 0 || line[0] != ':')
        return false;
    int sum = 0, byte = 0;
    for (size_t i = 1; i < n; i += 2) {
        if (!fuzzHexPair(chars, n, i, &byte))
            return false;
        sum += byte;
    }
    int length = 0;
    fuzzHexPair(chars, n, 1, &length);
    fuzzHexPair(chars, n, 7, type);
    const int lengthOfType[] = {-1, 0, -2, 4, 2, 4};  // -1 any, -2 not followed
    return size_t(length) == (n - 11) / 2 && sum % 256 == 0 && length <= 128 && *type <= 5 &&
           (lengthOfType[*type] == -1 || lengthOfType[*type] == length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    ImageCheck check;
    checkImage(data, uint32_t(size), &check);

    // The file's lines, a CR LF pair one line end.
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n')
            lines.emplace_back();
        else if (!(data[i] == '\r' && i + 1 < size && data[i + 1] == '\n'))
            lines.back() += char(data[i]);
    }
    if (lines.size() > 1 && lines.back().empty())
        lines.pop_back();
    std::vector<bool> reported(lines.size() + 1);
    for (const ImageProblem& problem : check.problems) {
        FUZZ_CHECK(problem.line >= 1 && problem.line <= lines.size(), "a problem names a line of the file");
        reported[problem.line] = true;
    }
    size_t at = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        int type = -1;
        const bool sound = soundRecord(lines[i], &type);
        FUZZ_CHECK(sound || reported[i + 1], "a line that is no sound record is reported at its number");
        if (sound && type == 1 && at >= 124)
            break;  // the stream ends here; what follows is never read
        at += lines[i].size() + 1;
    }

    if (!check.problems.empty())
        return 0;
    FUZZ_CHECK(check.configRead, "a passing image declares its flash");
    std::vector<std::pair<uint64_t, uint64_t>> spans;
    for (const PlannedBlock& block : check.blocks) {
        const uint64_t end = uint64_t(block.address) + block.count;
        FUZZ_CHECK(block.address >= check.info.flashStart && end <= check.info.flashEnd, "every block inside the flash");
        spans.emplace_back(block.address, end);
    }
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        FUZZ_CHECK(spans[i].first >= spans[i - 1].second, "no flash byte written twice");
    return 0;
}
