// make-fuzz-corpus FIRMWARE.hex CORPUS_DIR: writes the seed corpora of the
// fuzz targets (one folder per target) from the sample firmware and the
// link's own frame builders. Every seed is a valid input of its kind, or a
// case the rules name (a short identify reply, a CR LF image text); each is
// a few hundred bytes to a few KB, so that the fuzzer mutates real
// structure.
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "image/hex_stream.h"
#include "image/packed_image.h"
#include "link/bootloader_commands.h"
#include "link/device_info.h"
#include "link/frame.h"
#include "tests/support/hex_text.h"
#include "tests/support/sample_firmware_info.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string corpusDir;
int failures = 0;

Bytes bytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

void seed(const std::string& target, const std::string& name, const Bytes& bytes)
{
    const std::string dir = corpusDir + "/" + target;
    if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST)
        ++failures;
    std::ofstream out(dir + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        ++failures;
}

// The firmware's lines with LF ends, as unpackImage yields the text.
std::vector<std::string> lines;

std::string lineAt(const std::string& prefix)
{
    for (const std::string& line : lines)
        if (line.compare(0, prefix.size(), prefix) == 0)
            return line;
    fprintf(stderr, "make-fuzz-corpus: no line %s in the firmware\n", prefix.c_str());
    ++failures;
    return "";
}

std::string record(uint16_t address, const Bytes& data, uint8_t type = 0)
{
    char text[16];
    unsigned sum = static_cast<unsigned>(data.size()) + (address >> 8) + (address & 0xFF) + type;
    snprintf(text, sizeof text, ":%02X%04X%02X", static_cast<unsigned>(data.size()), address, type);
    std::string line = text;
    for (uint8_t b : data) {
        snprintf(text, sizeof text, "%02X", b);
        line += text;
        sum += b;
    }
    snprintf(text, sizeof text, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + text;
}

Bytes counting(int first, int count)
{
    Bytes data;
    for (int i = 0; i < count; ++i)
        data.push_back(static_cast<uint8_t>(first + 7 * i));
    return data;
}

const std::string endOfFile = ":00000001FF\n";

// The first 124 bytes of the firmware text: the records the stream skips.
std::string bootloaderPart()
{
    std::string text;
    for (const std::string& line : lines) {
        if (text.size() >= streamOffset)
            break;
        text += line;
    }
    return text;
}

Bytes packed(const std::string& text)
{
    Bytes image;
    uint8_t packet[imagePacketSize];
    for (size_t at = 0; at < text.size(); at += imagePacketText) {
        const int n = static_cast<int>(text.size() - at < imagePacketText ? text.size() - at : imagePacketText);
        const int length = buildImagePacket(packet, reinterpret_cast<const uint8_t*>(text.data()) + at, n);
        image.insert(image.end(), packet, packet + length);
    }
    return image;
}

// The configuration records of the firmware with what lies around them.
std::string configText(bool dataAfterIdentity)
{
    std::string text = bootloaderPart();
    text += lineAt(":020000040800");
    text += lineAt(":10480000") + lineAt(":10481000") + lineAt(":10482000");
    if (dataAfterIdentity)
        text += lineAt(":10483000") + lineAt(":10484000");
    text += lineAt(":10540000") + lineAt(":10541000") + endOfFile;
    return text;
}

// One reply as the fuzz_reply input carries it: its length byte, then it.
void addReply(Bytes* input, const uint8_t* frame, int length)
{
    input->push_back(static_cast<uint8_t>(length));
    input->insert(input->end(), frame, frame + length);
}

Bytes reply(uint8_t code, const Bytes& data, uint8_t count)
{
    uint8_t frame[frameBufferSize];
    const FrameFields fields{0x0C01, code, count, 0};
    const int unpadded = frameOverhead + static_cast<int>(data.size());
    const int filler = (4 - (unpadded - 1) % 4) % 4;
    const int length = buildFrame(frame, pickPacketKey(), fields, data.data(), static_cast<int>(data.size()), filler);
    return Bytes(frame, frame + length);
}

Bytes identifyData(const DeviceInfo& info)
{
    uint8_t wire[deviceInfoWireSize];
    encodeDeviceInfo(info, wire);
    return Bytes(wire, wire + deviceInfoWireSize);
}

Bytes replies(const std::vector<Bytes>& frames)
{
    Bytes input;
    for (const Bytes& f : frames)
        addReply(&input, f.data(), static_cast<int>(f.size()));
    return input;
}

void hexStreamSeeds()
{
    const std::string t = "fuzz_hex_stream";
    // The firmware's head: the skipped records, then the stream's start.
    std::string head = bootloaderPart();
    size_t i = 0;
    std::string streamed;
    for (const std::string& line : lines) {
        if (i++ < 4)
            continue;
        if (streamed.size() > 1100)
            break;
        streamed += line;
    }
    seed(t, "firmware-head", bytesOf(head + streamed + endOfFile));
    seed(t, "streamed-part", bytesOf(streamed + endOfFile));
    seed(t, "checked-image", bytesOf(configText(true)));

    std::string nine = record(0, {0x08, 0x00}, 4);
    for (int k = 0; k < 9; ++k)
        nine += record(static_cast<uint16_t>(0x4000 + 16 * k), counting(16 * k, 16));
    seed(t, "nine-records", bytesOf(nine + endOfFile));

    std::string rebase = record(0, {0x08, 0x00}, 4);
    for (int k = 0; k < 3; ++k)
        rebase += record(static_cast<uint16_t>(0x4000 + 16 * k), counting(k, 16));
    rebase += record(0, {0x08, 0x10}, 4) + record(0x0200, counting(3, 16));
    rebase += record(0, {0, 0}, 2) + record(0, {1, 2, 3, 4}, 5) + record(0x0210, counting(9, 4));
    seed(t, "rebase-mid-block", bytesOf(rebase + endOfFile));

    std::string crossing;
    for (int k = 0; k < 12; ++k)
        crossing += record(static_cast<uint16_t>(12 * k), counting(k, 12));
    seed(t, "records-cross-blocks", bytesOf(crossing + endOfFile));

    std::string longest = record(0x1000, counting(1, 128)) + record(0x1080, counting(2, 128)) +
                          record(0x1100, counting(3, 5));
    seed(t, "longest-records", bytesOf(longest + endOfFile));

    seed(t, "odd-block", bytesOf(record(0x0000, counting(5, 7)) + endOfFile));
    seed(t, "crlf-line-ends", bytesOf(withCrLf(record(0, counting(1, 16)) + record(16, counting(2, 16)) + endOfFile)));
}

void scanSeeds()
{
    const std::string t = "fuzz_scan_config";
    seed(t, "config-records", bytesOf(configText(false)));
    seed(t, "config-records-apart", bytesOf(configText(true)));
    const std::string shortThird = lineAt(":10480000") + lineAt(":10481000") + record(0x4820, {0, 0x10, 0x08, 0x08}) +
                                   lineAt(":10540000") + endOfFile;
    seed(t, "short-third-line", bytesOf(shortThird));
    seed(t, "version-last", bytesOf(lineAt(":10480000") + lineAt(":10481000") + lineAt(":10482000") +
                                    lineAt(":10540000")));
    seed(t, "version-before-identity", bytesOf(lineAt(":10540000") + lineAt(":10480000") + lineAt(":10481000") +
                                               lineAt(":10482000") + endOfFile));
}

void unpackSeeds()
{
    const std::string t = "fuzz_unpack_image";
    seed(t, "config-image", packed(configText(false)));
    seed(t, "one-packet", packed(lineAt(":10480000") + lineAt(":10481000")));
    seed(t, "full-packets", packed(configText(true).substr(0, 3 * imagePacketText)));
    // A last packet of 126 text bytes is as long as a full one.
    seed(t, "last-packet-126", packed(configText(false).substr(0, imagePacketText + 126)));
    seed(t, "last-packet-1", packed(configText(false).substr(0, imagePacketText + 1)));
}

void replySeeds()
{
    const std::string t = "fuzz_reply";
    const Bytes ack = reply(codeAcknowledge, {}, 0);
    const DeviceInfo info = sampleFirmwareInfo();
    DeviceInfo other = info;
    other.hardware = 0x01010203;  // bits 24-31 take part in the match
    DeviceInfo changed = info;
    changed.hardware = 0x00017703;  // the change byte does not
    changed.softwareVersion = 0x0200;
    seed(t, "ack", replies({ack}));
    seed(t, "identify-fits", replies({reply(codeIdentify, identifyData(info), deviceInfoWireSize)}));
    seed(t, "identify-change-differs", replies({reply(codeIdentify, identifyData(changed), deviceInfoWireSize)}));
    seed(t, "identify-other-device", replies({reply(codeIdentify, identifyData(other), deviceInfoWireSize)}));
    Bytes shortInfo = identifyData(info);
    shortInfo.resize(20);
    seed(t, "identify-short", replies({reply(codeIdentify, identifyData(info), deviceInfoWireSize),
                                       reply(codeIdentify, shortInfo, 20)}));
    // A count that claims more data than the frame holds.
    seed(t, "count-past-frame", replies({reply(0x55, counting(1, 8), 100), ack}));
    seed(t, "other-code", replies({reply(0x3C, counting(2, 3), 3)}));
    Bytes garbage = {7, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    const Bytes ok = replies({ack});
    garbage.insert(garbage.end(), ok.begin(), ok.end());
    seed(t, "garbage-then-ack", garbage);
    Bytes even = ack;
    even.push_back(0);
    seed(t, "even-length", replies({even, ack}));
    seed(t, "longest", replies({reply(0x42, counting(3, 128), 128)}));
}

void usbSeeds()
{
    const std::string t = "fuzz_usb_match";
    const std::string vidPid = "\x12\x34\xAB\xCD";
    auto device = [](int status, const std::string& id, const std::string& port) {
        return std::string(1, static_cast<char>(status)) + id + "\t" + port;
    };
    const std::string upper = "USB\\VID_1234&PID_ABCD&REV_0200";
    const std::string lower = "USB\\Vid_1234&Pid_abcd&Rev_0200";
    seed(t, "reader", bytesOf(vidPid + device(0, upper, "COM5")));
    seed(t, "reader-mixed-case", bytesOf(vidPid + device(0, "USB\\VID_0001&PID_0002\n", "COM1") + "\n" +
                                         device(0, lower, "COM12")));
    seed(t, "two-readers", bytesOf(vidPid + device(0, upper, "COM5") + "\n" + device(1, "", "") + "\n" +
                                   device(3, upper, "") + "\n" + device(0, upper, "com7")));
    seed(t, "no-key-first", bytesOf(vidPid + device(2, "USB\\ROOT_HUB", "") + "\n" + device(0, upper, "COM5")));
    seed(t, "not-taken", bytesOf(vidPid + device(0, "USB\\VID_1234&PID_ABCD&REV_0100", "COM5") + "\n" +
                                 device(0, "USB\\VID_1234&PID_abcd&REV_0200", "COM6") + "\n" +
                                 device(0, upper, "COM0") + "\n" + device(0, upper, "LPT1") + "\n" +
                                 device(0, upper, "COM1234") + "\n" + device(4, upper, "COM9")));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        fputs("Usage: make-fuzz-corpus FIRMWARE.hex CORPUS_DIR\n", stderr);
        return 2;
    }
    resetAppState();
    std::ifstream in(argv[1], std::ios::binary);
    const std::string hex((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (hex.empty()) {
        fprintf(stderr, "make-fuzz-corpus: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string line;
    for (char c : hex) {
        if (c == '\r')
            continue;
        line += c;
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        }
    }
    corpusDir = argv[2];
    mkdir(corpusDir.c_str(), 0755);
    hexStreamSeeds();
    scanSeeds();
    unpackSeeds();
    replySeeds();
    usbSeeds();
    if (failures > 0) {
        fprintf(stderr, "make-fuzz-corpus: %d seeds could not be written\n", failures);
        return 1;
    }
    return 0;
}
