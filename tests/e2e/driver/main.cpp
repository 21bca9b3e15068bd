// flintwell-e2e-driver.exe CASE [--exe PATH] [--result FILE] [--shots DIR]
//                           [--console-out FILE] [CASE ARGUMENTS...]
// Runs one end-to-end case against Flintwell.exe in the current desktop and
// prints PASS/FAIL lines; exit status 0 only when every check passed.
#include <cstdio>
#include <cwchar>

#include "tests/e2e/driver/cases.h"

DriverOptions options;

namespace {

std::string scenarioList()
{
    std::string list;
    for (const FaultScenario& f : faultScenarios())
        list += "  " + std::string(f.name) + ": " + f.what + "\n";
    return list;
}

const char usage[] =
    "Usage: flintwell-e2e-driver.exe CASE [--exe PATH] [--result FILE] [--shots DIR]\n"
    "                                [--console-out FILE] [--work DIR] [--attach] [ARGS...]\n"
    "Cases:\n"
    "  update                 start-up, device found, START, SUCCESSFUL, close box\n"
    "  update-both-languages  the same, then again in English (the screenshots)\n"
    "  question same|newer yes|no   the update question answered\n"
    "  language               the language switch both ways, Quit from the popup\n"
    "  not-found              no device, SEARCH again, File > Quit\n"
    "  second-instance        the single-instance rule\n"
    "  start-fails hex-load|crc-hex-load|appconfig   a build that cannot start\n"
    "  about                  the About box in both languages\n"
    "  fault SCENARIO...      faults of the reader, one after another in one run,\n"
    "                         each with its own reader; then a sound reader is\n"
    "                         found again and File > Quit (needs --work)\n"
    "  reachable              a reader in its bootloader found and updated; the end\n"
    "                         of the session, the language and SEARCH refused and a\n"
    "                         close deferred mid-job (needs --work)\n"
    "  usb-half-written       a USB reader registered for SetupAPI on COM7: switched,\n"
    "                         found, a failed job; the close then sends nothing\n"
    "  soak CYCLES            search and update CYCLES times in one run, with the\n"
    "                         program's handles and memory after each (needs --work)\n"
    "--attach works the first Flintwell window found instead of starting one.\n"
    "--work DIR: the case's folder, where sim_keeper.sh takes requests.\n"
    "Paths may be Linux paths (they are read through drive Z:).\n";

int run(const std::wstring& name)
{
    const std::vector<std::wstring>& a = options.args;
    if (name == L"update")
        caseUpdate(false);
    else if (name == L"update-both-languages")
        caseUpdate(true);
    else if (name == L"question" && a.size() == 2 && (a[0] == L"same" || a[0] == L"newer") &&
             (a[1] == L"yes" || a[1] == L"no"))
        caseQuestion(a[0] == L"newer", a[1] == L"yes");
    else if (name == L"language")
        caseLanguage();
    else if (name == L"not-found")
        caseNotFound();
    else if (name == L"second-instance")
        caseSecondInstance();
    else if (name == L"start-fails" && a.size() == 1)
        caseStartFails(a[0]);
    else if (name == L"about")
        caseAbout();
    else if (name == L"fault" && !a.empty() && knownFaultScenarios(a))
        caseFaults(a);
    else if (name == L"reachable")
        caseReachable();
    else if (name == L"usb-half-written")
        caseUsbHalfWritten();
    else if (name == L"soak" && a.size() == 1 && _wtoi(a[0].c_str()) >= 1)
        caseSoak(_wtoi(a[0].c_str()));
    else {
        fputs(usage, stderr);
        fputs("Fault scenarios:\n", stderr);
        fputs(scenarioList().c_str(), stderr);
        return 2;
    }
    return finishReport(utf8(name).c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2 || wcscmp(argv[1], L"--help") == 0) {
        fputs(usage, argc < 2 ? stderr : stdout);
        fputs("Fault scenarios:\n", argc < 2 ? stderr : stdout);
        fputs(scenarioList().c_str(), argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    // Real pixels at every DPI: the window's size and place are checked in them.
    SetProcessDPIAware();
    options.program = L"Flintwell.exe";
    for (int i = 2; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--exe" && hasValue)
            options.program = windowsPath(argv[++i]);
        else if (arg == L"--result" && hasValue)
            options.resultFile = windowsPath(argv[++i]);
        else if (arg == L"--shots" && hasValue)
            options.shotDir = windowsPath(argv[++i]);
        else if (arg == L"--attach")
            options.attach = true;
        else if (arg == L"--console-out" && hasValue)
            options.consoleOut = windowsPath(argv[++i]);
        else if (arg == L"--work" && hasValue)
            options.workDir = windowsPath(argv[++i]);
        else
            options.args.push_back(arg);
    }
    // run_case.sh --codepage: the case is meant to run under that ANSI code page.
    wchar_t codepage[16] = {};
    if (GetEnvironmentVariableW(L"E2E_CODEPAGE", codepage, 16) > 0)
        expect(GetACP() == static_cast<UINT>(_wtoi(codepage)), "the ANSI code page is " + utf8(codepage),
               "it is " + std::to_string(GetACP()));
    return run(argv[1]);
}
