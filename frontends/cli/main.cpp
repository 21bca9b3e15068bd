// flintwell-cli: the updater's workflow on a terminal. Same start-up, search,
// decision, job and shutdown as the window, same texts; the console text goes
// to stderr (UTF-8, or UTF-16 to a Windows console). Several readers at once
// run as a batch of reader processes (batch.h).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/console.h"
#include "app/system.h"
#include "image/image_identity.h"
#include "image/resources.h"
#include "image/start_up_load.h"
#include "ports/port_access.h"
#include "ports/network_ports.h"
#include "ports/port_address.h"
#include "ports/port_names.h"
#include "frontends/cli/batch.h"
#include "frontends/cli/batch_texts.h"
#include "frontends/cli/exit_status.h"
#include "frontends/cli/reader_report.h"
#include "frontends/cli/service_record.h"
#include "ui/cp1251.h"
#include "frontends/headless/headless_window.h"
#include "workflow/commands.h"
#include "ui/option_controls.h"
#include "workflow/reports.h"
#include "ui/languages.h"
#include "ui/text_table.h"
#include "ui/timer_ids.h"
#include "ui/window.h"
#include "workflow/shutdown.h"
#include "workflow/update_job.h"
#include "workflow/worker.h"

namespace {

const char usage[] =
    "Usage: flintwell-cli [options]\n"
    "Finds the reader on the serial ports, shows what it is and, when the update is\n"
    "offered or confirmed, writes the firmware this program carries into it.\n"
    "\n"
    "  --lang ru|en        language of the console texts (default ru)\n"
    "  --port PORT         search only this port (repeatable): COM7 on Windows, a\n"
    "                      device path on Linux (named COM1, COM2, ... in the order\n"
    "                      given), or a serial port on the network, searched after\n"
    "                      the local ones: rfc2217://HOST:PORT (an RFC 2217 server)\n"
    "                      or socket://HOST:PORT (a raw TCP server at 19200 8N1);\n"
    "                      HOST a name, an IPv4 address or [an IPv6 address]\n"
    "  --all               update every reader on the ports (the system's local\n"
    "                      ports, or those given), side by side; so do several --port\n"
    "  --yes | --no        answer the update question (default: ask on a terminal,\n"
    "                      otherwise No; in a batch No)\n"
    "  --only-older        update only readers whose firmware is older, without asking\n"
    "  --record FILE       append a row per reader to this CSV service record\n"
    "  --reset-settings    also reset the reader's settings (where the build lets the\n"
    "                      operator choose)\n"
    "  --image PACKED      update with the packed image in this file (flintwell-image\n"
    "                      pack) instead of the one built in; same start-up checks\n"
    "  --version           show this program's version, the firmware it carries\n"
    "                      (as flintwell-image info names a packed image) and the\n"
    "                      settings-reset choice\n"
    "  --help              show this help\n"
    "\n"
    "Exit status:\n"
    "  0  the update succeeded\n"
    "  1  usage error\n"
    "  2  start-up failed (the embedded image or configuration is unusable)\n"
    "  3  no serial ports found\n"
    "  4  device not found\n"
    "  5  update not offered, or declined\n"
    "  6  update failed, or stopped (Ctrl+C, SIGTERM, SIGHUP, the console\n"
    "     closed): a reader that the job wrote to stays in its bootloader and\n"
    "     running the command again finishes the update; one stopped during\n"
    "     the search was written nothing. In a batch, any reader's: the ports\n"
    "     not updated are named\n"
    "  7  the service record could not be written\n"
    "In a batch (and with --only-older) 0 means every reader found was updated\n"
    "or declined as not older; 4 that no reader was found.\n";

struct Options {
    uint8_t language = languageRussian;
    std::vector<std::string> ports;
    int answer = -1;  // -1 ask, 0 no, 1 yes
    bool resetSettings = false;
    const char* image = nullptr;  // a packed image file instead of the built-in one
    bool all = false;
    bool onlyOlder = false;
    const char* record = nullptr;
    bool readerProcess = false;  // one reader of a batch (reader_report.h)
    bool version = false;
};

bool parseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            fputs(usage, stdout);
            exit(exitUpdated);
        } else if (arg == "--lang" && i + 1 < argc) {
            const Language* language = languageOfCode(argv[++i]);
            if (language == nullptr)
                return false;
            options->language = languageIndex(*language);
        } else if (arg == "--port" && i + 1 < argc) {
            PortAddress address;
            const char* wrong = nullptr;
            if (!parsePortAddress(argv[++i], &address, &wrong)) {
                fprintf(stderr, "flintwell-cli: --port %s: %s\n", argv[i], wrong);
                return false;
            }
            options->ports.emplace_back(argv[i]);
        } else if (arg == "--yes") {
            options->answer = 1;
        } else if (arg == "--no") {
            options->answer = 0;
        } else if (arg == "--reset-settings") {
            options->resetSettings = true;
        } else if (arg == "--image" && i + 1 < argc) {
            options->image = argv[++i];
        } else if (arg == "--all") {
            options->all = true;
        } else if (arg == "--only-older") {
            options->onlyOlder = true;
        } else if (arg == "--record" && i + 1 < argc) {
            options->record = argv[++i];
        } else if (arg == "--version") {
            options->version = true;
        } else if (arg == readerProcessOption) {
            options->readerProcess = true;
        } else {
            return false;
        }
    }
    return true;
}

bool askOnTerminal(const HeadlessQuestion& question)
{
    consoleWrite("\n\n" + cp1251ToUtf8(question.text.c_str()) + " [y/N] ");
    char line[16] = {};
    // A stop request while the question waits is a No.
    if (!fgets(line, sizeof line, stdin) || jobStopRequested)
        return false;
    return line[0] == 'y' || line[0] == 'Y' || line[0] == 'd' || line[0] == 'D';
}

void drawProgress(const HeadlessProgress& progress)
{
    static int lastPercent = -1;
    if (progress.maximum <= 0)
        return;
    const int percent = progress.position * 100 / progress.maximum;
    if (percent == lastPercent)
        return;
    lastPercent = percent;
    char bar[41];
    const int filled = percent * 40 / 100;
    memset(bar, '#', static_cast<size_t>(filled));
    memset(bar + filled, '.', static_cast<size_t>(40 - filled));
    bar[40] = '\0';
    char line[64];
    snprintf(line, sizeof line, "\r   [%s] %3d%%", bar, percent);
    consoleWrite(line);
}

// The countdown of timer 1, ticked here as the window's message loop would,
// then the search on the worker.
void runCountdown()
{
    startCountdown();
    while (headlessTimerPeriod(countdownTimerId) != 0) {
        sleepMs(10);
        countdownTick();
    }
    joinWorker();
}

// START, then the job's end once the worker is done. A stop request during
// the job: no further request goes out, so the reader is never told to leave
// its bootloader with half its firmware.
void runUpdateJob()
{
    startUpdateJob();
    joinWorker();
}

// This run is one reader of a batch: it reports to the batch instead of
// talking to the console.
bool readerProcess = false;

// The system's reason after the program's own line (or to the batch).
void tellPortError(const char* name, int error, const char* what)
{
    std::string port = isNetworkPort(name) ? "" : givenPortOf(name);
    if (port.empty())
        port = name;
    std::string reason = port + ": ";
    if (what != nullptr)
        reason += std::string(what) + (error != 0 ? " (" + systemErrorText(error) + ")" : "");
    else
        reason += systemErrorText(error);
    if (readerProcess)
        reportError(reason);
    else
        consoleWrite("\r\n   > " + reason);
}

// A reader process tells the batch how far its job is.
void reportJobProgress(const HeadlessProgress& progress)
{
    static int lastPercent = -1;
    if (app.activity != Activity::updating || progress.maximum <= 0)
        return;
    const int percent = progress.position * 100 / progress.maximum;
    if (percent != lastPercent)
        reportProgress(percent);
    lastPercent = percent;
}

void showPortNames()
{
    int count = 0;
    listSystemPorts(
        [](const char* name, void*) {
            const std::string given = givenPortOf(name);
            if (given != name)
                consoleWrite(std::string(name) + " = " + given + "\n");
        },
        nullptr, &count);
}

// The ports of a batch, as a reader process takes them with --port.
std::vector<std::string> batchPorts(const Options& options)
{
    std::vector<std::string> ports;
    // A port given twice gets one reader process.
    for (const std::string& port : options.ports)
        if (std::find(ports.begin(), ports.end(), port) == ports.end())
            ports.push_back(port);
    if (!ports.empty())
        return ports;
    int count = 0;
    listSystemPorts(
        [](const char* name, void* list) {
            const std::string given = givenPortOf(name);
            if (!given.empty())
                static_cast<std::vector<std::string>*>(list)->push_back(given);
        },
        &ports, &count);
    return ports;
}

// What every reader process of a batch is given: the options but the ports,
// --all and --record, and an answer to the question.
std::vector<std::string> readerArguments(int argc, char** argv, const Options& options)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--port" || arg == "--record")
            ++i;
        else if (arg != "--all")
            args.push_back(arg);
    }
    if (options.answer < 0)
        args.push_back("--no");
    return args;
}

bool recordRun(const Options& options, const ReaderResult& result)
{
    std::string reason;
    if (appendServiceRecord(options.record, {result}, &reason))
        return true;
    char line[1024];
    snprintf(line, sizeof line, batchTexts(options.language).recordFailed.c_str(), options.record, reason.c_str());
    consoleWrite("\n" + std::string(line));
    return false;
}

// One reader: the window's workflow, then its result from the outcomes.
int runOneReader(const Options& options)
{
    const auto started = std::chrono::steady_clock::now();
    printHeader();
    enableControl(Control::mainWindow, false);
    runCountdown();

    int status = exitNotUpdated;
    bool resetChosen = false;
    if (readerProcess && app.reader.identified)
        reportFound(app.reader.info);
    switch (app.lastSearch) {
    case SearchOutcome::noPorts:
        status = exitNoPorts;
        break;
    case SearchOutcome::notFound:
        status = exitDeviceNotFound;
        break;
    case SearchOutcome::stopped:
        status = exitUpdateFailed;
        break;
    case SearchOutcome::foundOffered:
        if (options.resetSettings && headlessControl(Control::resetOption).enabled)
            chooseResetOption();
        resetChosen = isChecked(Control::resetOption);
        runUpdateJob();
        if (app.lastJob == JobOutcome::none) {
            // A stop request came before START: the job never began.
            appendLog(texts().logStoppedNothingWritten);
            resetChosen = false;
        }
        status = app.lastJob == JobOutcome::updated ? exitUpdated : exitUpdateFailed;
        break;
    default:
        if (options.onlyOlder)
            status = exitUpdated;
        break;
    }
    shutdown();

    std::string port = options.ports.size() == 1 ? options.ports[0] : "";
    if (port.empty() && app.reader.identified)
        port = isNetworkPort(app.reader.port) ? app.reader.port : givenPortOf(app.reader.port);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const ReaderResult result = resultOfThisRun(port, resetChosen, seconds);
    if (readerProcess)
        reportResult(result);
    if (options.record && !port.empty() && !recordRun(options, result) && status != exitUpdateFailed)
        status = exitRecordFailed;
    if (!readerProcess)
        consoleWrite("\n");
    return status;
}

int runCli(int argc, char** argv)
{
    Options options;
    if (!parseOptions(argc, argv, &options)) {
        fputs(usage, stderr);
        return exitUsage;
    }
    // Only older firmware is updated: every question is answered No.
    if (options.onlyOlder)
        options.answer = 0;
    readerProcess = options.readerProcess;
    const bool batch = !readerProcess && (options.all || options.ports.size() > 1);

    resetAppState();
    headlessReset();
    headlessEchoToStderr(!readerProcess);
    app.language = options.language;
    relabelControls();
    setFinishHint(&TextTable::logFinishByRunningAgain);
    setPortErrorObserver(tellPortError);
    if (!options.ports.empty() && !batch) {
        // The local ports stand in the port list, the network ones after them.
        std::vector<std::string> local, network;
        for (const std::string& port : options.ports)
            (isNetworkPort(port.c_str()) ? network : local).push_back(port);
        useGivenPorts(local);
        useNetworkPorts(network);
    }
    if (options.answer >= 0)
        headlessSetQuestionPolicy([&](const HeadlessQuestion&) { return options.answer == 1; });
    else if (inputIsTerminal() && !batch)
        headlessSetQuestionPolicy(askOnTerminal);
    if (readerProcess)
        headlessSetProgressObserver(reportJobProgress);
    else if (consoleCanRedraw())
        headlessSetProgressObserver(drawProgress);

    if (options.image && !overrideResourceFromFile(imageResourceId, imageResourceType, options.image)) {
        fprintf(stderr, "flintwell-cli: cannot read %s\n", options.image);
        return exitStartUpFailed;
    }
    std::string imageProblem;
    if (!loadImageAtStart(&imageProblem)) {
        showMessage(imageLoadFailureText(imageProblem).c_str(), texts().messageCaption);
        return exitStartUpFailed;
    }
    if (!loadAppConfig()) {
        showMessage(texts().errorAppconfigLoad, texts().messageCaption);
        return exitStartUpFailed;
    }
    if (options.version) {
        uint32_t size = 0;
        const uint8_t* packed = loadResourceBytes(imageResourceId, imageResourceType, &size);
        printf("flintwell-cli %s\n%ssettings reset: %s\n", FLINTWELL_VERSION,
               imageIdentityText(app.expectedInfo, packed, size).c_str(), app.resetSettingsDefault ? "yes" : "no");
        return exitUpdated;
    }
    if (!batch) {
        if (!options.ports.empty() && !readerProcess)
            showPortNames();
        return runOneReader(options);
    }

    BatchSetup setup;
    setup.ports = batchPorts(options);
    setup.portsNamed = !options.ports.empty();
    setup.readerArgs = readerArguments(argc, argv, options);
    setup.record = options.record;
    setup.language = options.language;
    printHeader();
    if (setup.ports.empty()) {
        appendLog(texts().logNoComPorts);
        consoleWrite("\n");
        return exitNoPorts;
    }
    return runBatch(setup);
}

}  // namespace

// A stop is caught from the start to the end of the run (console.h).
int cliMain(int argc, char** argv)
{
    catchStopRequests();
    const int status = runCli(argc, argv);
    stopRequestsServed();
    return status;
}
