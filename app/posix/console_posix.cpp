// The console on Linux: stderr and stdin, SIGINT and SIGTERM.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/console.h"

namespace {

struct sigaction previousInt, previousTerm, previousHup;

void stopJob(int)
{
    jobStopRequested = true;
    const char notice[] = "\n-- stopping after the block in flight\n";
    ssize_t written = write(STDERR_FILENO, notice, sizeof notice - 1);
    (void)written;
}

}  // namespace

void consoleWrite(std::string_view utf8)
{
    fwrite(utf8.data(), 1, utf8.size(), stderr);
    fflush(stderr);
}

bool consoleCanRedraw()
{
    const char* term = getenv("TERM");
    return isatty(STDERR_FILENO) && !(term && strcmp(term, "dumb") == 0);
}

bool inputIsTerminal()
{
    return isatty(STDIN_FILENO);
}

void catchStopRequests(bool on)
{
    if (!on) {
        sigaction(SIGINT, &previousInt, nullptr);
        sigaction(SIGTERM, &previousTerm, nullptr);
        sigaction(SIGHUP, &previousHup, nullptr);
        return;
    }
    struct sigaction stop {};
    stop.sa_handler = stopJob;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, &previousInt);
    sigaction(SIGTERM, &stop, &previousTerm);
    sigaction(SIGHUP, &stop, &previousHup);
}
