#include "frontends/cli/reader_result.h"

#include <cinttypes>
#include <cstdio>

#include "app/app_state.h"

namespace {

ReaderOutcome outcomeOfThisRun()
{
    switch (app.lastSearch) {
    case SearchOutcome::foundDeclined:
        return ReaderOutcome::declined;
    case SearchOutcome::stopped:
        return ReaderOutcome::stoppedDuringSearch;
    case SearchOutcome::foundOffered:
        break;
    default:
        return ReaderOutcome::notFound;
    }
    switch (app.lastJob) {
    case JobOutcome::none:
        // Offered, but a stop request came before START.
        return jobStopRequested ? ReaderOutcome::stoppedDuringSearch : ReaderOutcome::notStarted;
    case JobOutcome::updated:
        return ReaderOutcome::updated;
    case JobOutcome::failedWriting:
        return ReaderOutcome::failedAtBlock;
    case JobOutcome::stopped:
        return ReaderOutcome::stopped;
    case JobOutcome::failedAtSettingsReset:
        return ReaderOutcome::failedAtSettingsReset;
    case JobOutcome::failedAtDeviceReset:
        return ReaderOutcome::failedAtDeviceReset;
    default:
        return ReaderOutcome::notStarted;
    }
}

}  // namespace

ReaderResult resultOfThisRun(const std::string& port, bool resetSettings, double seconds)
{
    ReaderResult r;
    r.port = port;
    r.outcome = outcomeOfThisRun();
    r.block = app.jobBlock;
    r.found = app.reader.identified;
    if (r.found) {
        r.deviceType = app.reader.info.deviceType;
        r.hardware = app.reader.info.hardware;
        r.barcode = app.reader.info.barcode;
        r.firmwareFound = app.reader.info.softwareVersion;
    }
    r.firmwareImage = app.expectedInfo.softwareVersion;
    r.resetSettings = resetSettings && app.lastJob != JobOutcome::none;
    r.seconds = seconds;
    return r;
}

bool resultIsFine(const ReaderResult& result)
{
    return result.outcome == ReaderOutcome::updated || result.outcome == ReaderOutcome::declined;
}

bool resultIsFailure(const ReaderResult& result)
{
    return !resultIsFine(result) && result.outcome != ReaderOutcome::notFound;
}

bool resultLeavesReaderInBootloader(const ReaderResult& result, bool jobStarted)
{
    switch (result.outcome) {
    case ReaderOutcome::failedAtBlock:
    case ReaderOutcome::failedAtSettingsReset:
    case ReaderOutcome::failedAtDeviceReset:
    case ReaderOutcome::stopped:
        return true;
    case ReaderOutcome::noResult:
        return jobStarted;
    default:
        return false;
    }
}

std::string resultLine(const ReaderResult& r)
{
    char line[160];
    snprintf(line, sizeof line, "result\t%u\t%u\t%u\t%" PRIX32 "\t%" PRIX32 "\t%" PRIu32 "\t%" PRIX32 "\t%" PRIX32
             "\t%u\t%.1f",
             static_cast<unsigned>(r.outcome), static_cast<unsigned>(r.block), r.found ? 1u : 0u, r.deviceType,
             r.hardware, r.barcode, r.firmwareFound, r.firmwareImage, r.resetSettings ? 1u : 0u, r.seconds);
    return line;
}

bool parseResultLine(std::string_view line, ReaderResult* r)
{
    const std::string text(line);
    unsigned outcome = 0, block = 0, found = 0, reset = 0;
    uint32_t type = 0, hardware = 0, barcode = 0, before = 0, image = 0;
    double seconds = 0;
    if (sscanf(text.c_str(), "result\t%u\t%u\t%u\t%" SCNx32 "\t%" SCNx32 "\t%" SCNu32 "\t%" SCNx32 "\t%" SCNx32
                             "\t%u\t%lf",
               &outcome, &block, &found, &type, &hardware, &barcode, &before, &image, &reset, &seconds) != 10 ||
        outcome > static_cast<unsigned>(ReaderOutcome::noResult) || block > UINT16_MAX)
        return false;
    r->outcome = static_cast<ReaderOutcome>(outcome);
    r->block = static_cast<uint16_t>(block);
    r->found = found != 0;
    r->deviceType = type;
    r->hardware = hardware;
    r->barcode = barcode;
    r->firmwareFound = before;
    r->firmwareImage = image;
    r->resetSettings = reset != 0;
    r->seconds = seconds;
    return true;
}

std::string resultText(const ReaderResult& r)
{
    switch (r.outcome) {
    case ReaderOutcome::updated:
        return "updated";
    case ReaderOutcome::declined:
        return "declined";
    case ReaderOutcome::notFound:
        return "not found";
    case ReaderOutcome::failedAtBlock:
        return "failed at block " + std::to_string(r.block);
    case ReaderOutcome::failedAtSettingsReset:
        return "failed at the settings reset";
    case ReaderOutcome::failedAtDeviceReset:
        return "failed at the device reset";
    case ReaderOutcome::stopped:
        return r.block ? "stopped before block " + std::to_string(r.block) : "stopped before the resets";
    case ReaderOutcome::notStarted:
        return "not started";
    case ReaderOutcome::stoppedDuringSearch:
        return "stopped during the search";
    case ReaderOutcome::noResult:
        break;
    }
    return "failed (no result from its process)";
}

std::string versionText(uint32_t version)
{
    char text[16];
    snprintf(text, sizeof text, "%X.%02X", static_cast<unsigned>((version >> 8) & 0xFF),
             static_cast<unsigned>(version & 0xFF));
    return text;
}
