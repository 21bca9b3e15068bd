#include "frontends/cli/reader_report.h"

#include <cinttypes>
#include <cstdio>

namespace {

void emit(const std::string& line)
{
    fputs((line + "\n").c_str(), stdout);
    fflush(stdout);
}

}  // namespace

bool parseReaderReport(const std::string& line, ReaderReport* report)
{
    const std::string kind = line.substr(0, line.find('\t'));
    const char* text = line.c_str();
    if (kind == "found") {
        report->kind = ReportKind::found;
        return sscanf(text, "found\t%" SCNx32 "\t%" SCNx32 "\t%" SCNu32 "\t%" SCNx32, &report->deviceType,
                      &report->hardware, &report->barcode, &report->firmware) == 4;
    }
    if (kind == "progress") {
        report->kind = ReportKind::progress;
        return sscanf(text, "progress\t%d", &report->percent) == 1 && report->percent >= 0 &&
               report->percent <= 100;
    }
    if (kind == "error" && line.size() > 6) {
        report->kind = ReportKind::error;
        report->text = line.substr(6);
        return true;
    }
    report->kind = ReportKind::result;
    return kind == "result" && parseResultLine(line, &report->result);
}

void reportFound(const DeviceInfo& info)
{
    char line[96];
    snprintf(line, sizeof line, "found\t%" PRIX32 "\t%" PRIX32 "\t%" PRIu32 "\t%" PRIX32, info.deviceType,
             info.hardware, info.barcode, info.softwareVersion);
    emit(line);
}

void reportProgress(int percent)
{
    emit("progress\t" + std::to_string(percent));
}

void reportError(const std::string& text)
{
    emit("error\t" + text);
}

void reportResult(const ReaderResult& result)
{
    emit(resultLine(result));
}
