// flintwell-e2e-flash-check IMAGE.hex FLASH.hex
// Compares what a simulated reader's flash received (karvo-sim --flash-out)
// with the records that the updater streams from its image: every data
// record from byte 124 of the image text (LF line ends) on, at its address.
// Exit status 0 when both hold the same bytes at the same addresses.
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/hex_memory.h"
#include "tests/support/hex_text.h"
#include "tests/support/temp_files.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: flintwell-e2e-flash-check IMAGE.hex FLASH.hex\n");
        return 2;
    }
    for (const char* path : {argv[1], argv[2]})
        if (!std::filesystem::is_regular_file(path)) {
            fprintf(stderr, "flash check: cannot read %s\n", path);
            return 1;
        }
    // The image text as the updater streams it: one LF a line end.
    const std::string image = withLfLineEnds(readFile(argv[1]));
    const std::string flash = withLfLineEnds(readFile(argv[2]));
    const auto expected = hexToMemory(image, 124);
    const auto received = hexToMemory(flash);

    size_t differing = 0;
    size_t missing = 0;
    size_t extra = 0;
    long firstDifference = -1;
    for (const auto& [address, byte] : expected) {
        const auto it = received.find(address);
        if (it == received.end())
            ++missing;
        else if (it->second != byte)
            ++differing;
        else
            continue;
        if (firstDifference < 0)
            firstDifference = static_cast<long>(address);
    }
    for (const auto& [address, byte] : received)
        if (expected.find(address) == expected.end())
            ++extra;

    printf("flash check: image streams %zu bytes, the reader holds %zu; %zu differ, %zu missing, %zu extra\n",
           expected.size(), received.size(), differing, missing, extra);
    if (expected.empty() || differing != 0 || missing != 0 || extra != 0) {
        if (firstDifference >= 0)
            printf("flash check: first difference at 0x%08lX\n", static_cast<unsigned long>(firstDifference));
        return 1;
    }
    return 0;
}
