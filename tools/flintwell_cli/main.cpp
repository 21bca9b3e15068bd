// flintwell-cli: the updater's workflow on a terminal. Same start-up, search,
// decision, job and shutdown as the window, same texts; the console text goes
// to stderr as UTF-8.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/system.h"
#include "image/posix/resource_blobs.h"
#include "image/resources.h"
#include "image/start_up_load.h"
#include "ports/posix/posix_ports.h"
#include "ui/cp1251.h"
#include "ui/headless/headless_window.h"
#include "ui/main_window_commands.h"
#include "ui/option_controls.h"
#include "ui/reports.h"
#include "ui/text_table.h"
#include "ui/timer_ids.h"
#include "ui/window.h"
#include "workflow/shutdown.h"
#include "workflow/update_job.h"
#include "workflow/worker.h"

namespace {

// Exit statuses, also listed by --help and in the README.
enum ExitStatus {
    exitUpdated = 0,
    exitUsage = 1,
    exitStartUpFailed = 2,
    exitNoPorts = 3,
    exitDeviceNotFound = 4,
    exitNotUpdated = 5,
    exitUpdateFailed = 6,
};

const char usage[] =
    "Usage: flintwell-cli [options]\n"
    "Finds the reader on the serial ports, shows what it is and, when the update is\n"
    "offered or confirmed, writes the firmware this program carries into it.\n"
    "\n"
    "  --lang ru|en        language of the console texts (default ru)\n"
    "  --port PATH         search only this serial device (repeatable); the ports are\n"
    "                      named COM1, COM2, ... in the order given\n"
    "  --yes | --no        answer the update question (default: ask on a terminal,\n"
    "                      otherwise No)\n"
    "  --reset-settings    also reset the reader's settings (where the build lets the\n"
    "                      operator choose)\n"
    "  --image PACKED      update with the packed image in this file (flintwell-image\n"
    "                      pack) instead of the one built in; same start-up checks\n"
    "  --help              show this help\n"
    "\n"
    "Exit status:\n"
    "  0  the update succeeded\n"
    "  1  usage error\n"
    "  2  start-up failed (the embedded image or configuration is unusable)\n"
    "  3  no serial ports found\n"
    "  4  device not found\n"
    "  5  update not offered, or declined\n"
    "  6  update failed, or stopped by Ctrl+C or SIGTERM (the reader stays in\n"
    "     its bootloader; running the command again finishes the update)\n";

struct Options {
    uint8_t language = languageRussian;
    std::vector<std::string> ports;
    int answer = -1;  // -1 ask, 0 no, 1 yes
    bool resetSettings = false;
    const char* image = nullptr;  // a packed image file instead of the built-in one
};

bool parseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            fputs(usage, stdout);
            exit(exitUpdated);
        } else if (arg == "--lang" && i + 1 < argc) {
            const std::string value = argv[++i];
            if (value == "ru")
                options->language = languageRussian;
            else if (value == "en")
                options->language = languageEnglish;
            else
                return false;
        } else if (arg == "--port" && i + 1 < argc) {
            options->ports.emplace_back(argv[++i]);
        } else if (arg == "--yes") {
            options->answer = 1;
        } else if (arg == "--no") {
            options->answer = 0;
        } else if (arg == "--reset-settings") {
            options->resetSettings = true;
        } else if (arg == "--image" && i + 1 < argc) {
            options->image = argv[++i];
        } else {
            return false;
        }
    }
    return true;
}

bool askOnTerminal(const HeadlessQuestion& question)
{
    fprintf(stderr, "\n\n%s [y/N] ", cp1251ToUtf8(question.text.c_str()).c_str());
    fflush(stderr);
    char line[16] = {};
    if (!fgets(line, sizeof line, stdin))
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
    fprintf(stderr, "\r   [%s] %3d%%", bar, percent);
    fflush(stderr);
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

// Ctrl+C or SIGTERM during the job: no further request goes out, so the
// reader is never told to leave its bootloader with half its firmware.
void stopJob(int)
{
    jobStopRequested = true;
    const char notice[] = "\n-- stopping after the block in flight\n";
    ssize_t written = write(STDERR_FILENO, notice, sizeof notice - 1);
    (void)written;
}

// START, then the job's end once the worker is done.
void runUpdateJob()
{
    struct sigaction stop {};
    stop.sa_handler = stopJob;
    sigemptyset(&stop.sa_mask);
    struct sigaction oldInt {}, oldTerm {};
    sigaction(SIGINT, &stop, &oldInt);
    sigaction(SIGTERM, &stop, &oldTerm);
    startUpdateJob();
    joinWorker();
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parseOptions(argc, argv, &options)) {
        fputs(usage, stderr);
        return exitUsage;
    }

    resetAppState();
    headlessReset();
    headlessEchoToStderr(true);
    app.language = options.language;
    relabelControls();
    setFinishHint(&TextTable::logFinishByRunningAgain);
    if (options.ports.empty())
        posixUseSystemPorts();
    else
        posixUsePortPaths(options.ports);
    if (options.answer >= 0)
        headlessSetQuestionPolicy([&](const HeadlessQuestion&) { return options.answer == 1; });
    else if (isatty(STDIN_FILENO))
        headlessSetQuestionPolicy(askOnTerminal);
    if (isatty(STDERR_FILENO))
        headlessSetProgressObserver(drawProgress);

    if (options.image && !overrideResourceFromFile(imageResourceId, imageResourceType, options.image)) {
        fprintf(stderr, "flintwell-cli: cannot read %s\n", options.image);
        return exitStartUpFailed;
    }
    if (!loadImageAtStart()) {
        showMessage(texts().errorHexLoad, texts().messageCaption);
        return exitStartUpFailed;
    }
    if (!loadAppConfig()) {
        showMessage(texts().errorAppconfigLoad, texts().messageCaption);
        return exitStartUpFailed;
    }
    for (size_t i = 0; i < options.ports.size(); ++i)
        fprintf(stderr, "COM%zu = %s\n", i + 1, options.ports[i].c_str());

    printHeader();
    enableControl(Control::mainWindow, false);
    runCountdown();

    int status = exitNotUpdated;
    switch (app.lastSearch) {
    case SearchOutcome::noPorts:
        status = exitNoPorts;
        break;
    case SearchOutcome::notFound:
        status = exitDeviceNotFound;
        break;
    case SearchOutcome::foundOffered:
        if (options.resetSettings && headlessControl(Control::resetOption).enabled)
            chooseResetOption();
        runUpdateJob();
        status = app.lastJob == JobOutcome::updated ? exitUpdated : exitUpdateFailed;
        break;
    default:
        break;
    }
    shutdown();
    fputs("\n", stderr);
    return status;
}
