// flintwell-image: the command-line front end of the packed image format.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "image/config_scan.h"
#include "image/image_check.h"
#include "image/image_identity.h"
#include "image/packed_image.h"
#include "image/update_time.h"
#include "ui/cp1251.h"
#include "frontends/headless/headless_window.h"
#include "workflow/reports.h"
#include "app/bytes.h"
#include "ui/languages.h"
#include "ui/text_table.h"
#include "ui/window.h"

namespace {

const char usage[] =
    "Usage:\n"
    "  flintwell-image check HEX [--reset-settings] [--lang en|ru]\n"
    "                                      check that the updater can carry and flash the\n"
    "                                      hex file: every problem as 'FILE:LINE: reason'\n"
    "                                      (status 1), or what the update will write and\n"
    "                                      how long it takes at 19200 baud (with the\n"
    "                                      settings reset if --reset-settings)\n"
    "  flintwell-image pack HEX PACKED [--force]\n"
    "                                      check the hex file, then pack it into a packed\n"
    "                                      image; --force packs one that fails the check\n"
    "  flintwell-image unpack PACKED HEX   unpack a packed image into an Intel HEX file (CR LF)\n"
    "  flintwell-image info PACKED [--lang en|ru]\n"
    "                                      show which device and firmware the image declares:\n"
    "                                      the updater's header (English by default, Russian\n"
    "                                      with --lang ru; UTF-8), then each field of the\n"
    "                                      device information as 'name: 0xVALUE', then the\n"
    "                                      firmware it carries and the image's SHA-256\n"
    "  flintwell-image --help              show this help\n"
    "\n"
    "Exit status: 0 on success, 1 when the operation failed, 2 on a usage error.\n";

// Larger than any firmware of the readers by far; a bigger file is not an image.
constexpr long maxPackedSize = 16L * 1024 * 1024;

bool readWholeFile(const char* path, std::vector<uint8_t>* bytes)
{
    FILE* file = fopen(path, "rb");
    if (file == nullptr) {
        fprintf(stderr, "flintwell-image: cannot open %s\n", path);
        return false;
    }
    uint8_t chunk[4096];
    size_t count;
    bool ok = true;
    while ((count = fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (static_cast<long>(bytes->size() + count) > maxPackedSize) {
            fprintf(stderr, "flintwell-image: %s is too large for a packed image\n", path);
            ok = false;
            break;
        }
        bytes->insert(bytes->end(), chunk, chunk + count);
    }
    if (ok && ferror(file)) {
        fprintf(stderr, "flintwell-image: cannot read %s\n", path);
        ok = false;
    }
    fclose(file);
    return ok;
}

// The header as the log console shows it: CR LF becomes a line end.
void printHeaderToStdout()
{
    headlessEchoToStderr(false);
    clearLog();
    printHeader();
    fputs(foldCrLf(cp1251ToUtf8(headlessLog().c_str())).c_str(), stdout);
    headlessEchoToStderr(true);
}

// A --lang code of the language table ("en", "ru").
bool parseLanguage(const char* code, uint8_t* language)
{
    const Language* row = languageOfCode(code);
    if (row == nullptr)
        return false;
    *language = languageIndex(*row);
    return true;
}

void printFields(const DeviceInfo& info)
{
    const struct {
        const char* name;
        uint32_t value;
    } fields[] = {
        {"interfaceCode", info.interfaceCode},
        {"interfaceVersion", info.interfaceVersion},
        {"interfaceParameter", info.interfaceParameter},
        {"barcode", info.barcode},
        {"cipherId", info.cipherId},
        {"deviceType", info.deviceType},
        {"hardware", info.hardware},
        {"softwareVersion", info.softwareVersion},
        {"vidPid", info.vidPid},
        {"flashStart", info.flashStart},
        {"flashEnd", info.flashEnd},
        {"eepromStart", info.eepromStart},
        {"eepromEnd", info.eepromEnd},
    };
    for (const auto& field : fields)
        printf("%s: 0x%08X\n", field.name, static_cast<unsigned>(field.value));
}

int info(const char* packedPath, uint8_t language)
{
    std::vector<uint8_t> packed;
    if (!readWholeFile(packedPath, &packed))
        return 1;
    std::vector<uint8_t> text(packed.size() + 1);
    uint32_t length = 0;
    if (!unpackImage(text.data(), &length, packed.data(), static_cast<uint32_t>(packed.size())))
        return 1;  // the unpacker has said why
    if (!scanImageConfig(text.data(), length)) {
        fprintf(stderr,
                "flintwell-image: %s holds no configuration records: an identity record (\":10480000\")\n"
                "followed by two lines, then a version record (\":10540000\") that is not the last line,\n"
                "all in upper-case hexadecimal and no line longer than %d characters.\n",
                packedPath, hexLineSize - 1);
        return 1;
    }
    app.language = language;
    applyTexts();
    printHeaderToStdout();
    printFields(app.expectedInfo);
    fputs(imageIdentityText(app.expectedInfo, packed.data(), static_cast<uint32_t>(packed.size())).c_str(), stdout);
    return fflush(stdout) == 0 ? 0 : 1;
}

// info PACKED [--lang en|ru], the option before or after the file.
int infoCommand(int argc, char** argv)
{
    const char* path = nullptr;
    uint8_t language = languageEnglish;
    bool usable = true;
    for (int i = 2; i < argc && usable; ++i) {
        if (strcmp(argv[i], "--lang") == 0 && i + 1 < argc) {
            usable = parseLanguage(argv[++i], &language);
        } else if (path == nullptr && argv[i][0] != '-') {
            path = argv[i];
        } else {
            usable = false;
        }
    }
    if (!usable || path == nullptr) {
        fputs(usage, stderr);
        return 2;
    }
    return info(path, language);
}

// Reads and checks a hex file; prints its problems on stderr. False when it
// cannot be read.
bool runCheck(const char* hexPath, ImageCheck* check)
{
    std::vector<uint8_t> file;
    if (!readWholeFile(hexPath, &file))
        return false;
    checkImage(file.data(), static_cast<uint32_t>(file.size()), check);
    for (const ImageProblem& problem : check->problems)
        fprintf(stderr, "%s\n", problemText(hexPath, problem).c_str());
    return true;
}

// Contiguous stretches of flash that the blocks write, "0x...-0x..." each.
std::string writtenRanges(const std::vector<PlannedBlock>& blocks)
{
    std::vector<std::pair<uint64_t, uint64_t>> spans;
    for (const PlannedBlock& b : blocks)
        spans.emplace_back(b.address, static_cast<uint64_t>(b.address) + b.count);
    std::sort(spans.begin(), spans.end());
    std::string out;
    for (size_t i = 0; i < spans.size();) {
        const uint64_t start = spans[i].first;
        uint64_t end = spans[i].second;
        for (++i; i < spans.size() && spans[i].first <= end; ++i)
            end = std::max(end, spans[i].second);
        char text[40];
        snprintf(text, sizeof text, "%s0x%08X-0x%08X", out.empty() ? "" : ", ", static_cast<unsigned>(start),
                 static_cast<unsigned>(end - 1));
        out += text;
    }
    return out;
}

void printSummary(const char* hexPath, const ImageCheck& check, bool resetSettings)
{
    printf("%s: passes the image check\n", hexPath);
    app.expectedInfo = check.info;
    printHeaderToStdout();
    const DeviceInfo& info = check.info;
    unsigned long bytes = 0;
    for (const PlannedBlock& b : check.blocks)
        bytes += b.count;
    printf("flash:           0x%08X-0x%08X\n", static_cast<unsigned>(info.flashStart),
           static_cast<unsigned>(info.flashEnd - 1));
    printf("EEPROM:          0x%08X-0x%08X\n", static_cast<unsigned>(info.eepromStart),
           static_cast<unsigned>(info.eepromEnd - 1));
    printf("written:         %lu bytes in %zu blocks\n", bytes, check.blocks.size());
    printf("address ranges:  %s\n", writtenRanges(check.blocks).c_str());
    printf("data sum:        0x%04X\n", check.dataSum);
    printf("settings reset:  %s\n", resetSettings ? "yes" : "no");
    printf("update time:     %.1f s at 19200 baud\n", updateSeconds(check.blocks, resetSettings));
}

// check HEX [--reset-settings] [--lang en|ru]
int checkCommand(int argc, char** argv)
{
    const char* path = nullptr;
    bool resetSettings = false;
    uint8_t language = languageEnglish;
    for (int i = 2; i < argc; ++i) {
        bool usable = true;
        if (strcmp(argv[i], "--reset-settings") == 0)
            resetSettings = true;
        else if (strcmp(argv[i], "--lang") == 0 && i + 1 < argc)
            usable = parseLanguage(argv[++i], &language);
        else if (path == nullptr && argv[i][0] != '-')
            path = argv[i];
        else
            usable = false;
        if (!usable) {
            fputs(usage, stderr);
            return 2;
        }
    }
    if (path == nullptr) {
        fputs(usage, stderr);
        return 2;
    }
    ImageCheck check;
    if (!runCheck(path, &check) || !check.problems.empty())
        return 1;
    app.language = language;
    applyTexts();
    printSummary(path, check, resetSettings);
    return fflush(stdout) == 0 ? 0 : 1;
}

// pack HEX PACKED [--force]: the check first.
int packCommand(int argc, char** argv)
{
    const bool force = argc == 5 && strcmp(argv[4], "--force") == 0;
    if (argc != 4 && !force) {
        fputs(usage, stderr);
        return 2;
    }
    ImageCheck check;
    if (!runCheck(argv[2], &check))
        return 1;
    if (!check.problems.empty()) {
        if (!force) {
            fprintf(stderr, "flintwell-image: %s is not packed: it fails the image check (--force packs it anyway)\n",
                    argv[2]);
            return 1;
        }
        fprintf(stderr, "flintwell-image: warning: packing %s although it fails the image check\n", argv[2]);
    }
    return packImageFile(argv[2], argv[3]) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    resetAppState();
    app.language = 1;
    headlessEchoToStderr(true);

    if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        fputs(usage, stdout);
        return 0;
    }
    if (argc >= 2 && strcmp(argv[1], "pack") == 0)
        return packCommand(argc, argv);
    if (argc >= 2 && strcmp(argv[1], "check") == 0)
        return checkCommand(argc, argv);
    if (argc == 4 && strcmp(argv[1], "unpack") == 0)
        return unpackImageFile(argv[2], argv[3]) ? 0 : 1;
    if (argc >= 3 && strcmp(argv[1], "info") == 0)
        return infoCommand(argc, argv);
    fputs(usage, stderr);
    return 2;
}
