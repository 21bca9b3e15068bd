#include "frontends/cli/batch.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/app_state.h"
#include "app/console.h"
#include "app/system.h"
#include "frontends/cli/batch_view.h"
#include "frontends/cli/exit_status.h"
#include "frontends/cli/reader_report.h"
#include "frontends/cli/service_record.h"

namespace {

struct Reader {
    ChildRun child{};
    bool running = false;
    std::string pending;  // output not yet ending in a line break
    std::chrono::steady_clock::time_point started;
};

// Takes in one line of a reader's report.
bool takeLine(const std::string& line, ReaderView* view)
{
    ReaderReport report;
    if (!parseReaderReport(line, &report))
        return false;
    switch (report.kind) {
    case ReportKind::found:
        view->result.found = true;
        view->result.deviceType = report.deviceType;
        view->result.hardware = report.hardware;
        view->result.barcode = report.barcode;
        view->result.firmwareFound = report.firmware;
        return true;
    case ReportKind::progress:
        view->percent = report.percent;
        return true;
    case ReportKind::error:
        view->note = report.text;
        return true;
    case ReportKind::result: {
        const std::string port = view->port;
        view->result = report.result;
        view->result.port = port;
        view->done = true;
        return true;
    }
    }
    return false;
}

// Reads what the reader's process wrote; true when its line changed.
bool readReader(Reader* reader, ReaderView* view)
{
    bool changed = false;
    char buffer[512];
    int n;
    while ((n = readProcessOutput(&reader->child, buffer, sizeof buffer)) > 0) {
        reader->pending.append(buffer, static_cast<size_t>(n));
        size_t end;
        while ((end = reader->pending.find('\n')) != std::string::npos) {
            std::string line = reader->pending.substr(0, end);
            reader->pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            changed |= takeLine(line, view);
        }
    }
    if (n < 0) {
        waitProcess(&reader->child);
        reader->running = false;
        if (!view->done) {
            // Ended without a result (killed, or it broke): what it had
            // reported stays, with the time it ran.
            view->result.port = view->port;
            view->result.outcome = ReaderOutcome::noResult;
            view->result.seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - reader->started).count();
            view->done = true;
        }
        changed = true;
    }
    return changed;
}

void printSummary(const std::vector<ReaderView>& views, const BatchTexts& texts)
{
    int updated = 0, declined = 0, none = 0, failed = 0;
    bool anyInBootloader = false;
    std::string failedPorts;
    for (const ReaderView& view : views) {
        const ReaderOutcome outcome = view.result.outcome;
        if (outcome == ReaderOutcome::updated)
            ++updated;
        else if (outcome == ReaderOutcome::declined)
            ++declined;
        else if (outcome == ReaderOutcome::notFound)
            ++none;
        else {
            ++failed;
            failedPorts += " " + view.port;
            anyInBootloader |= resultLeavesReaderInBootloader(view.result, view.percent >= 0);
        }
    }
    char line[256];
    snprintf(line, sizeof line, texts.summary.c_str(), updated, declined, none, failed);
    std::string text = "\n" + std::string(line) + "\n";
    if (failed)
        text += texts.failedPorts + failedPorts + "\n";
    // Only a reader that a job wrote to stays in its bootloader.
    if (anyInBootloader)
        text += texts.stayInBootloader + "\n";
    consoleWrite(text);
}

int exitStatusOf(const std::vector<ReaderView>& views)
{
    bool anyFound = false;
    for (const ReaderView& view : views) {
        if (resultIsFailure(view.result))
            return exitUpdateFailed;
        anyFound |= view.result.outcome != ReaderOutcome::notFound;
    }
    return anyFound ? exitUpdated : exitDeviceNotFound;
}

}  // namespace

int runBatch(const BatchSetup& setup)
{
    const BatchTexts& texts = batchTexts(setup.language);
    const std::string program = ownProgramPath();
    std::vector<Reader> readers(setup.ports.size());
    std::vector<ReaderView> views(setup.ports.size());
    for (size_t i = 0; i < setup.ports.size(); ++i) {
        views[i].port = setup.ports[i];
        views[i].image = app.expectedInfo.softwareVersion;
        views[i].result.firmwareImage = app.expectedInfo.softwareVersion;
        std::vector<std::string> args = setup.readerArgs;
        args.insert(args.end(), {readerProcessOption, "--port", setup.ports[i]});
        readers[i].started = std::chrono::steady_clock::now();
        readers[i].running = startProcess(program.c_str(), args, &readers[i].child);
        if (!readers[i].running) {
            views[i].result.port = setup.ports[i];
            views[i].result.outcome = ReaderOutcome::notStarted;
            views[i].done = true;
        }
    }

    // A stop request is passed on to the readers' processes; the batch waits
    // for them.
    const bool redraw = consoleCanRedraw();
    consoleWrite("\n");
    if (redraw)
        redrawReaderLines(views, texts, true);
    bool stopPassedOn = false, anyRunning = true;
    while (anyRunning) {
        anyRunning = false;
        bool changed = false;
        for (size_t i = 0; i < readers.size(); ++i) {
            if (!readers[i].running)
                continue;
            const bool wasFound = views[i].result.found;
            if (readReader(&readers[i], &views[i])) {
                changed = true;
                // Without a terminal a line is printed when the reader is
                // found and when it is done.
                if (!redraw && (views[i].done || views[i].result.found != wasFound))
                    consoleWrite(readerLineText(views[i], texts, portColumnWidth(views)) + "\n");
            }
            anyRunning |= readers[i].running;
        }
        if (jobStopRequested && !stopPassedOn) {
            stopPassedOn = true;
            for (const Reader& reader : readers)
                if (reader.running)
                    askProcessToStop(reader.child);
        }
        if (changed && redraw)
            redrawReaderLines(views, texts, false);
        if (anyRunning)
            sleepMs(100);
    }
    printSummary(views, texts);

    int status = exitStatusOf(views);
    if (setup.record) {
        std::vector<ReaderResult> rows;
        for (const ReaderView& view : views)
            if (setup.portsNamed || view.result.outcome != ReaderOutcome::notFound)
                rows.push_back(view.result);
        std::string reason;
        if (!appendServiceRecord(setup.record, rows, &reason)) {
            char line[1024];
            snprintf(line, sizeof line, texts.recordFailed.c_str(), setup.record, reason.c_str());
            consoleWrite(std::string(line) + "\n");
            if (status != exitUpdateFailed)
                status = exitRecordFailed;
        }
    }
    return status;
}
