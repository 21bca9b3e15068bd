// The image tool's file readers: packImageFile and unpackImageFile on files
// that hold the fuzz input (in a private folder on tmpfs when there is one).
//
// Each input is used three ways:
//   - as a hex file: packed, then unpacked again, which must give the text
//     back with every line end as CR LF (a CR LF pair is stored as one LF,
//     every LF comes back as CR LF);
//   - as a packed image file: unpackImageFile must agree with unpackImage on
//     the same bytes (same verdict, same text with LF written as CR LF);
//   - the same after sealing every 133-byte chunk (its CRC repaired), so that
//     the readers get past the CRC to the length byte.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/image_keys.h"
#include "image/packed_image.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/seal.h"
#include "tests/image/hex_text.h"

namespace {

std::string folder;
std::string inPath, packedPath, outPath;

void removeFolder()
{
    for (const std::string& path : {inPath, packedPath, outPath})
        unlink(path.c_str());
    rmdir(folder.c_str());
}

void writeBytes(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* file = fopen(path.c_str(), "wb");
    FUZZ_CHECK(file != nullptr, "the scratch file can be written");
    FUZZ_CHECK(size == 0 || fwrite(data, 1, size, file) == size, "the scratch file can be written");
    FUZZ_CHECK(fclose(file) == 0, "the scratch file can be written");
}

std::string readBytes(const std::string& path)
{
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    FUZZ_CHECK(file != nullptr, "the output file exists");
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, n);
    fclose(file);
    return bytes;
}

// The hex file's text as the packer stores it: each CR LF pair one LF.
std::string storedText(const uint8_t* data, size_t size)
{
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n')
            continue;
        text += static_cast<char>(data[i]);
    }
    return text;
}

void unpackBoth(const std::vector<uint8_t>& packed)
{
    writeBytes(packedPath, packed.data(), packed.size());
    unlink(outPath.c_str());
    const bool fromFile = unpackImageFile(packedPath.c_str(), outPath.c_str());

    std::vector<uint8_t> text(packed.size());
    uint32_t length = 0;
    const bool inMemory = unpackImage(text.data(), &length, packed.data(), static_cast<uint32_t>(packed.size()));
    FUZZ_CHECK(fromFile == inMemory, "the file reader and the memory reader agree");
    if (fromFile)
        FUZZ_CHECK(readBytes(outPath) == withCrLf(std::string(text.begin(), text.begin() + length)),
                   "the file reader writes the memory reader's text with CR LF");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    folder = std::string(base) + "/flintwell-fuzz-" + std::to_string(getpid());
    FUZZ_CHECK(mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST, "a scratch folder");
    inPath = folder + "/in.hex";
    packedPath = folder + "/image.bin";
    outPath = folder + "/out.hex";
    atexit(removeFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    fuzzFreshState();

    writeBytes(inPath, data, size);
    FUZZ_CHECK(packImageFile(inPath.c_str(), packedPath.c_str()), "any readable file packs");
    FUZZ_CHECK(unpackImageFile(packedPath.c_str(), outPath.c_str()), "a packed file unpacks");
    FUZZ_CHECK(readBytes(outPath) == withCrLf(storedText(data, size)), "pack and unpack give the text back");

    fuzzFreshState();
    std::vector<uint8_t> packed(data, data + size);
    unpackBoth(packed);

    fuzzFreshState();
    for (size_t at = 0; at < packed.size(); at += imagePacketSize) {
        const size_t count = packed.size() - at < imagePacketSize ? packed.size() - at : imagePacketSize;
        fuzzSeal(imageKeyTable, packed.data() + at, static_cast<int>(count));
    }
    unpackBoth(packed);
    return 0;
}
