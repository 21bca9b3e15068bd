// The soak: search and update again and again in one run of the program,
// with what the process holds measured after each cycle. The reader (1.04)
// stays older than the image (1.05), so every search offers the update.
#include <algorithm>
#include <cstdio>
#include <functional>

#include "tests/e2e/driver/cases.h"
#include "tests/e2e/driver/fault_steps.h"
#include "tests/e2e/driver/process_figures.h"
#include "tests/e2e/driver/sim_control.h"
#include "ui/win32/main_window.h"

namespace {

constexpr int jobWaitMs = 60000;
constexpr int warmUpCycles = 4;

// The figures printed after the soak; a leak (of the job's image buffers,
// about 6 KB a cycle with the small image, or of one handle a cycle) shows as
// growth from the end of the warm-up to the last cycle.
struct Figure {
    const char* what;
    const char* unit;
    std::function<long(const ProcessFigures&)> value;
};

const Figure printed[] = {
    {"handles", "", [](const ProcessFigures& f) { return f.handles; }},
    {"private bytes", " KB", [](const ProcessFigures& f) { return f.privateKb; }},
    {"working set", " KB", [](const ProcessFigures& f) { return f.workingSetKb; }},
    {"windows", "", [](const ProcessFigures& f) { return f.windows; }},
    {"Linux VmRSS", " KB", [](const ProcessFigures& f) { return f.onLinux.rssKb; }},
    {"Linux descriptors", "", [](const ProcessFigures& f) { return f.onLinux.fds; }},
    {"Linux threads", "", [](const ProcessFigures& f) { return f.onLinux.threads; }},
};

std::wstring fileName(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// Every reset so far was acknowledged after a matching data sum.
int soundResets(int reader)
{
    const std::vector<std::string> lines = transcriptLines(reader);
    int count = 0;
    for (size_t i = 0; i + 1 < lines.size(); ++i)
        if (lines[i].find("] RX reset device") != std::string::npos &&
            lines[i].find("sum matches") != std::string::npos &&
            lines[i + 1].find("] TX ack (0xAA)") != std::string::npos)
            ++count;
    return count;
}

bool cycle(Session& s, int number, std::vector<ProcessFigures>& figures, const std::wstring& programFile)
{
    const std::string when = "cycle " + std::to_string(number);
    const Outcome search = number == 1 ? Outcome{waitForSearchEnd(s), 0} : searchAgain(s);
    if (!search.came)
        return false;
    expectFoundAndOffered(s, when + ": found");
    const Outcome job = runJob(s, when, jobWaitMs);
    if (!job.came)
        return false;
    expectConsole(s, consoleBeforeDots(s), offeredAfterDots(s) + jobConsole(s, JobEnding::successful, false),
                  when + ": the result");
    expectStates(s, statesAfterJob, when + ": after the job");
    const int resets = soundResets(currentReader());
    expect(resets == number, when + ": the reader acknowledged every reset after a matching sum",
           std::to_string(resets) + " sound resets");
    // Timer 2 closes the worker's handle 10 ms after the job.
    pause(300);
    figures.push_back(measureProcess(s.program, programFile));
    char timing[96];
    snprintf(timing, sizeof timing, "cycle %2d: search %.2f s, job %.2f s; ", number, search.seconds, job.seconds);
    note(timing + describe(figures.back()));
    return failureCount() == 0;
}

void printGrowth(const std::vector<ProcessFigures>& figures)
{
    const size_t count = figures.size();
    if (count == 0)
        return;
    const size_t base = std::min<size_t>(warmUpCycles, count - 1);
    for (const Figure& figure : printed) {
        const long first = figure.value(figures[base]);
        long highest = first;
        for (size_t i = base; i < count; ++i)
            highest = std::max(highest, figure.value(figures[i]));
        char text[200];
        snprintf(text, sizeof text, "%s: cycle %zu %ld%s, cycle %zu %ld%s (growth %+ld%s), highest %ld%s", figure.what,
                 base + 1, first, figure.unit, count, figure.value(figures.back()), figure.unit,
                 figure.value(figures.back()) - first, figure.unit, highest, figure.unit);
        note(text);
    }
}

}  // namespace

void caseSoak(int cycles)
{
    Session s{};
    if (!launchAndWatchStartUp(s))
        return;
    const std::wstring programFile = fileName(options.program);
    note("the warm-up is the first " + std::to_string(warmUpCycles) + " cycles; figures after each cycle:");
    std::vector<ProcessFigures> figures;
    for (int number = 1; number <= cycles; ++number)
        if (!cycle(s, number, figures, programFile))
            break;
    expect(static_cast<int>(figures.size()) == cycles,
           std::to_string(cycles) + " search-and-update cycles, all successful",
           std::to_string(figures.size()) + " done");
    expect(!figures.empty() && figures[0].handles > 0 && figures[0].privateKb > 0 && figures[0].onLinux.known,
           "the process's handles and memory could be measured");
    printGrowth(figures);
    pressCloseBox(s.window);
    expectExit(s, "the close box after the soak");
}
