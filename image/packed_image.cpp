#include "image/packed_image.h"

#include <cstdio>
#include <cstring>

#include "image/image_keys.h"
#include "image/whole_file.h"
#include "link/crc8.h"
#include "ui/text_table.h"
#include "ui/window.h"

namespace {

const char msgPackOpen[] = "Error PackerACopy: Failed to open file!";
const char msgPackRead[] = "Error PackerACopy: read hex-file!";
const char msgUnpackOpen[] = "Error PackerARecover: Failed to open file!";
const char msgSearchKey[] = "Error PackerARecover: search key!";
const char msgCrcPacket[] = "Error PackerARecover: crc packet!";
const char msgUnpackRead[] = "Error PackerARecover: read hex-file!";
const char msgOutputIsInput[] = "The output file is the input file: nothing is written.";

bool imageFillerToggle = false;

void report(const char* text)
{
    showMessage(text, texts().messageCaption);
}

// Opens the input and the output's part file (whole_file.h).
FILE* openInputAndOutput(const char* inputPath, const char* outputPath, WholeFile* output, const char* openFailed)
{
    FILE* input = fopen(inputPath, "rb");
    const WholeFileStart start = input ? startWholeFile(inputPath, outputPath, output) : WholeFileStart::cannotOpen;
    if (start == WholeFileStart::opened)
        return input;
    if (input)
        fclose(input);
    report(start == WholeFileStart::isInput ? msgOutputIsInput : openFailed);
    return nullptr;
}

// Checks one chunk of a packed image and finds its text. The chunk is
// unmasked in a local copy, so neither the input nor anything past the chunk
// is touched. A length byte that claims more text than the chunk can hold, or
// a chunk too short to be a packet, is as broken as a bad CRC.
bool openChunk(const uint8_t* chunk, int count, uint8_t* plain, int* textLength)
{
    PacketKey key;
    if (!findKeyInTable(imageKeyTable, chunk[0], &key)) {
        report(msgSearchKey);
        return false;
    }
    if (count < 5) {
        report(msgCrcPacket);
        return false;
    }
    memset(plain, 0, imagePacketSize + 3);
    memcpy(plain, chunk, static_cast<size_t>(count));
    maskBytes(key, plain + 1, static_cast<uint8_t>(count - 1));
    if (crc8(plain + 1, static_cast<uint8_t>(count - 1)) != 0 || plain[1] > count - 4) {
        report(msgCrcPacket);
        return false;
    }
    *textLength = plain[1];
    return true;
}

}  // namespace

int buildImagePacket(uint8_t* packet, const uint8_t* text, int n)
{
    const int filler = 4 - ((n + 2) % 4);
    const PacketKey key = pickKeyFromTable(imageKeyTable);
    packet[0] = static_cast<uint8_t>(key);
    packet[1] = static_cast<uint8_t>(n);
    memcpy(packet + 2, text, static_cast<size_t>(n));
    for (int i = 0; i < filler; ++i)
        packet[2 + n + i] = static_cast<uint8_t>(randomByteWithToggle(&imageFillerToggle));
    const int crcAt = 2 + n + filler;
    packet[crcAt] = crc8(packet + 1, static_cast<uint8_t>(crcAt - 1));
    maskBytes(key, packet + 1, static_cast<uint8_t>(crcAt));
    return crcAt + 1;
}

bool unpackImage(uint8_t* out, uint32_t* outLength, const uint8_t* packed, uint32_t packedSize)
{
    uint32_t total = 0;
    uint32_t at = 0;
    uint8_t plain[imagePacketSize + 3];
    while (at < packedSize) {
        const uint32_t left = packedSize - at;
        const int count = left < imagePacketSize ? static_cast<int>(left) : imagePacketSize;
        int n = 0;
        if (!openChunk(packed + at, count, plain, &n))
            return false;
        memcpy(out + total, plain + 2, static_cast<size_t>(n));
        total += static_cast<uint32_t>(n);
        at += static_cast<uint32_t>(count);
        if (count != imagePacketSize)
            break;
    }
    *outLength = total;
    return true;
}

bool packImageFile(const char* hexPath, const char* packedPath)
{
    WholeFile output;
    FILE* hex = openInputAndOutput(hexPath, packedPath, &output, msgPackOpen);
    if (!hex)
        return false;
    FILE* packed = output.file;
    uint8_t text[imagePacketText];
    uint8_t packet[imagePacketSize];
    int collected = 0;
    bool written = true;
    auto collect = [&](int c) {
        text[collected++] = static_cast<uint8_t>(c);
        if (collected == imagePacketText) {
            const int length = buildImagePacket(packet, text, collected);
            written = written && fwrite(packet, 1, static_cast<size_t>(length), packed) == static_cast<size_t>(length);
            collected = 0;
        }
    };
    // CR LF pairs become one LF; a CR not followed by LF stays.
    bool pendingCr = false;
    int c;
    while ((c = fgetc(hex)) != EOF) {
        if (pendingCr) {
            pendingCr = false;
            if (c != '\n')
                collect('\r');
        }
        if (c == '\r')
            pendingCr = true;
        else
            collect(c);
    }
    const bool readFailed = ferror(hex) != 0;
    if (!readFailed) {
        if (pendingCr)
            collect('\r');
        if (collected > 0) {
            const int length = buildImagePacket(packet, text, collected);
            written = written && fwrite(packet, 1, static_cast<size_t>(length), packed) == static_cast<size_t>(length);
        }
    }
    fclose(hex);
    const bool closed = finishWholeFile(&output, !readFailed && written);
    if (readFailed) {
        report(msgPackRead);
        return false;
    }
    // A full disk is no success either, though it has no message of its own.
    if (!written || !closed) {
        report(msgPackOpen);
        return false;
    }
    return true;
}

bool unpackImageFile(const char* packedPath, const char* hexPath)
{
    WholeFile output;
    FILE* packed = openInputAndOutput(packedPath, hexPath, &output, msgUnpackOpen);
    if (!packed)
        return false;
    FILE* hex = output.file;
    uint8_t chunk[imagePacketSize];
    uint8_t plain[imagePacketSize + 3];
    bool ok = true;
    bool written = true;
    for (;;) {
        const size_t count = fread(chunk, 1, sizeof chunk, packed);
        if (count == 0)
            break;
        int n = 0;
        if (!openChunk(chunk, static_cast<int>(count), plain, &n)) {
            ok = false;
            break;
        }
        for (int i = 0; i < n; ++i) {
            if (plain[2 + i] == '\n')
                written = written && fputc('\r', hex) != EOF;
            written = written && fputc(plain[2 + i], hex) != EOF;
        }
        if (count != sizeof chunk)
            break;
    }
    if (ok && ferror(packed)) {
        report(msgUnpackRead);
        ok = false;
    }
    fclose(packed);
    const bool closed = finishWholeFile(&output, ok && written);
    if (ok && (!written || !closed)) {
        report(msgUnpackOpen);
        ok = false;
    }
    return ok;
}
