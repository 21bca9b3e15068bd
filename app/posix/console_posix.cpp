// The console on Linux: stderr and stdin, SIGINT, SIGTERM and SIGHUP.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/console.h"

namespace {

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

void catchStopRequests()
{
    struct sigaction stop {};
    stop.sa_handler = stopJob;
    sigemptyset(&stop.sa_mask);
    for (int request : {SIGINT, SIGTERM, SIGHUP})
        sigaction(request, &stop, nullptr);
}

// Nothing waits: the handler returns at once and the run ends by itself.
void stopRequestsServed()
{
}
