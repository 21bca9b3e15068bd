// make-sample-firmware: writes the project's sample firmware as an Intel HEX file.
//
// The image stands in for a real Karvo-7 release during development and in tests.
// Its layout is what the updater expects of a firmware image:
//   - 124 bytes (counted with LF line ends) of bootloader vector records, which the
//     flash stream skips: an extended linear address record and 36 bytes at 0x0000;
//   - at text byte 124 the extended linear address record 0x0800 again, then the
//     application from 0x08004000 in 16-byte records in address order;
//   - the configuration records at 0x4800, 0x4810 and 0x4820 (identity) and 0x5400
//     (version), read as little-endian 32-bit words;
//   - the end-of-file record.
// Lines end with CR LF; all hex digits are upper case. The same arguments always give
// the same bytes: the filler is a fixed-seed xorshift sequence.
//
// Standalone: builds with nothing but the standard library.

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t kSegmentBase = 0x08000000;  // upper address 0x0800
constexpr uint32_t kAppOffset = 0x4000;        // application start within the segment
constexpr uint32_t kIdentityOffset = 0x4800;
constexpr uint32_t kVersionOffset = 0x5400;
constexpr uint32_t kRecordBytes = 16;
// The whole application stays inside the one 64 KiB segment, so no address repeats
// and no second extended address record is needed.
constexpr uint32_t kMaxAppSize = 0x10000 - kAppOffset;
// The version record must lie inside the application.
constexpr uint32_t kMinAppSize = kVersionOffset + kRecordBytes - kAppOffset;
constexpr uint32_t kInitialStack = 0x20005000;
constexpr uint32_t kVectorCount = 48;  // 16 core exceptions + 32 interrupts

struct FirmwareOptions {
    uint32_t deviceType = 0x00000C01;  // Karvo-7KRM
    uint32_t hardware = 0x00010203;    // series 01, change 02, pcb 03
    uint32_t softwareVersion = 0x00000105;
    uint32_t barcode = 12345678;
    uint32_t cipherId = 0x0A000001;
    uint32_t vidPid = 0x1234ABCD;
    uint32_t flashStart = 0x08000000;
    uint32_t flashEnd = 0x08040000;
    uint32_t eepromStart = 0x08080000;
    uint32_t eepromEnd = 0x08081000;
    uint32_t appSize = 21504;
    const char* outPath = nullptr;
};

const char kUsage[] =
    "Usage: make-sample-firmware [options] OUT.hex\n"
    "\n"
    "Writes a sample Karvo-7 firmware image as Intel HEX (CR LF line ends).\n"
    "Numbers are decimal or 0x-prefixed hexadecimal, 32 bits.\n"
    "\n"
    "Options (default in brackets):\n"
    "  --type N            device type [0xC01, Karvo-7KRM]\n"
    "  --hardware N        hardware variant, 0x00SSCCPP: series, change, pcb [0x10203]\n"
    "  --version N         firmware version, 0xMMmm: major, minor [0x105]\n"
    "  --barcode N         barcode [12345678]\n"
    "  --cipher N          cipher identifier [0xA000001]\n"
    "  --vidpid N          USB identifiers, 0xVVVVPPPP: vendor, product [0x1234ABCD]\n"
    "  --flash START:END   flash range [0x8000000:0x8040000]\n"
    "  --eeprom START:END  EEPROM range [0x8080000:0x8081000]\n"
    "  --size BYTES        application size, a multiple of 16 from 5136 to 49152 [21504]\n"
    "  --help              show this text\n";

bool parseNumber(const char* text, uint32_t& value) {
    if (text == nullptr || *text == '\0') return false;
    uint32_t base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
        if (*text == '\0') return false;
    }
    uint64_t result = 0;
    for (; *text != '\0'; ++text) {
        char c = *text;
        uint32_t digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - '0');
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = static_cast<uint32_t>(c - 'A' + 10);
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = static_cast<uint32_t>(c - 'a' + 10);
        } else {
            return false;
        }
        result = result * base + digit;
        if (result > 0xFFFFFFFFull) return false;
    }
    value = static_cast<uint32_t>(result);
    return true;
}

bool parseRange(const char* text, uint32_t& start, uint32_t& end) {
    const char* colon = std::strchr(text, ':');
    if (colon == nullptr) return false;
    char first[32];
    size_t firstLength = static_cast<size_t>(colon - text);
    if (firstLength >= sizeof first) return false;
    std::memcpy(first, text, firstLength);
    first[firstLength] = '\0';
    return parseNumber(first, start) && parseNumber(colon + 1, end);
}

// Returns 1 to go on, 0 after --help, -1 on a usage error (already reported).
int parseArguments(int argc, char** argv, FirmwareOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strncmp(arg, "--", 2) != 0) {
            if (options.outPath != nullptr) {
                std::fprintf(stderr, "make-sample-firmware: more than one output file\n");
                return -1;
            }
            options.outPath = arg;
            continue;
        }
        // Both "--name value" and "--name=value".
        char name[32];
        const char* value = nullptr;
        const char* equals = std::strchr(arg, '=');
        size_t nameLength = equals ? static_cast<size_t>(equals - arg) : std::strlen(arg);
        if (nameLength >= sizeof name) nameLength = sizeof name - 1;
        std::memcpy(name, arg, nameLength);
        name[nameLength] = '\0';
        if (equals != nullptr) {
            value = equals + 1;
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            std::fprintf(stderr, "make-sample-firmware: %s needs a value\n", name);
            return -1;
        }

        bool ok;
        if (std::strcmp(name, "--type") == 0) {
            ok = parseNumber(value, options.deviceType);
        } else if (std::strcmp(name, "--hardware") == 0) {
            ok = parseNumber(value, options.hardware);
        } else if (std::strcmp(name, "--version") == 0) {
            ok = parseNumber(value, options.softwareVersion);
        } else if (std::strcmp(name, "--barcode") == 0) {
            ok = parseNumber(value, options.barcode);
        } else if (std::strcmp(name, "--cipher") == 0) {
            ok = parseNumber(value, options.cipherId);
        } else if (std::strcmp(name, "--vidpid") == 0) {
            ok = parseNumber(value, options.vidPid);
        } else if (std::strcmp(name, "--flash") == 0) {
            ok = parseRange(value, options.flashStart, options.flashEnd);
        } else if (std::strcmp(name, "--eeprom") == 0) {
            ok = parseRange(value, options.eepromStart, options.eepromEnd);
        } else if (std::strcmp(name, "--size") == 0) {
            ok = parseNumber(value, options.appSize) && options.appSize % kRecordBytes == 0 &&
                 options.appSize >= kMinAppSize && options.appSize <= kMaxAppSize;
        } else {
            std::fprintf(stderr, "make-sample-firmware: unknown option %s (see --help)\n", name);
            return -1;
        }
        if (!ok) {
            std::fprintf(stderr, "make-sample-firmware: bad value for %s: %s\n", name, value);
            return -1;
        }
    }
    if (options.outPath == nullptr) {
        std::fputs(kUsage, stderr);
        return -1;
    }
    return 1;
}

void putWord(uint8_t* bytes, uint32_t word) {
    bytes[0] = static_cast<uint8_t>(word);
    bytes[1] = static_cast<uint8_t>(word >> 8);
    bytes[2] = static_cast<uint8_t>(word >> 16);
    bytes[3] = static_cast<uint8_t>(word >> 24);
}

// xorshift32 with a fixed seed: code-like noise that is the same on every run.
void fillPseudoRandom(uint8_t* bytes, uint32_t count) {
    uint32_t state = 0x4B52374Du;
    for (uint32_t i = 0; i < count; i += 4) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        uint8_t word[4];
        putWord(word, state);
        for (uint32_t k = 0; k < 4 && i + k < count; ++k) bytes[i + k] = word[k];
    }
}

// Cortex-M style vector table: initial stack pointer, then Thumb (odd) handler
// addresses. Reserved slots stay zero; unused interrupts share the default handler.
void writeVectorTable(uint8_t* bytes, uint32_t base, uint32_t count, uint32_t resetHandler,
                      uint32_t faultHandler, uint32_t defaultHandler) {
    putWord(bytes, kInitialStack);
    for (uint32_t v = 1; v < count; ++v) {
        uint32_t handler;
        if (v == 1) {
            handler = resetHandler;
        } else if (v >= 3 && v <= 6) {
            handler = faultHandler;  // HardFault, MemManage, BusFault, UsageFault
        } else if ((v >= 7 && v <= 10) || v == 13) {
            handler = 0;  // reserved
        } else {
            handler = defaultHandler;
        }
        putWord(bytes + 4 * v, handler ? (base + handler) | 1u : 0);
    }
}

bool writeRecord(FILE* out, uint8_t type, uint16_t address, const uint8_t* data, uint8_t length) {
    uint8_t sum = static_cast<uint8_t>(length + (address >> 8) + (address & 0xFF) + type);
    if (std::fprintf(out, ":%02X%04X%02X", length, address, type) < 0) return false;
    for (uint8_t i = 0; i < length; ++i) {
        sum = static_cast<uint8_t>(sum + data[i]);
        if (std::fprintf(out, "%02X", data[i]) < 0) return false;
    }
    uint8_t checksum = static_cast<uint8_t>(0x100 - sum);
    return std::fprintf(out, "%02X\r\n", checksum) >= 0;
}

bool writeExtendedAddress(FILE* out, uint32_t base) {
    const uint8_t upper[2] = {static_cast<uint8_t>(base >> 24), static_cast<uint8_t>(base >> 16)};
    return writeRecord(out, 0x04, 0x0000, upper, 2);
}

bool writeFirmware(FILE* out, const FirmwareOptions& options) {
    // Bootloader vectors: 36 bytes as records of 16, 16 and 4 bytes, which with LF
    // line ends take 16 + 44 + 44 + 20 = 124 text bytes together with the address record.
    uint8_t boot[36] = {};
    writeVectorTable(boot, kSegmentBase, 9, 0x0100, 0x0130, 0x0140);
    static uint8_t app[kMaxAppSize];
    const uint32_t appBase = kSegmentBase + kAppOffset;
    fillPseudoRandom(app, options.appSize);
    writeVectorTable(app, appBase, kVectorCount, 0x00C0, 0x0150, 0x0160);

    uint8_t* identity = app + (kIdentityOffset - kAppOffset);
    putWord(identity + 0, options.barcode);
    putWord(identity + 4, options.cipherId);
    putWord(identity + 8, options.deviceType);
    putWord(identity + 12, options.hardware);
    putWord(identity + 16, options.vidPid);
    putWord(identity + 20, options.flashStart);
    putWord(identity + 24, options.flashEnd);
    putWord(identity + 28, options.eepromStart);
    putWord(identity + 32, options.eepromEnd);
    putWord(app + (kVersionOffset - kAppOffset), options.softwareVersion);

    if (!writeExtendedAddress(out, kSegmentBase)) return false;
    if (!writeRecord(out, 0x00, 0x0000, boot, 16)) return false;
    if (!writeRecord(out, 0x00, 0x0010, boot + 16, 16)) return false;
    if (!writeRecord(out, 0x00, 0x0020, boot + 32, 4)) return false;
    if (!writeExtendedAddress(out, kSegmentBase)) return false;
    for (uint32_t offset = 0; offset < options.appSize; offset += kRecordBytes) {
        uint16_t address = static_cast<uint16_t>(kAppOffset + offset);
        if (!writeRecord(out, 0x00, address, app + offset, kRecordBytes)) return false;
    }
    return writeRecord(out, 0x01, 0x0000, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv) {
    FirmwareOptions options;
    int parsed = parseArguments(argc, argv, options);
    if (parsed <= 0) return parsed == 0 ? 0 : 2;

    FILE* out = std::fopen(options.outPath, "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "make-sample-firmware: cannot open %s for writing\n", options.outPath);
        return 1;
    }
    bool written = writeFirmware(out, options);
    if (std::fclose(out) != 0) written = false;
    if (!written) {
        std::fprintf(stderr, "make-sample-firmware: writing %s failed\n", options.outPath);
        std::remove(options.outPath);
        return 1;
    }
    return 0;
}
