// The real window under Wine, worked by this driver as an operator would:
// each suite is one case of tests/e2e/CMakeLists.txt (one program start, one
// code page, its own reader on COM7), its tests run in order on that program.
#include <gtest/gtest.h>

#include "tests/e2e/driver/e2e.h"
// windows.h (through e2e.h) first: the common controls header builds on it.
#include <commctrl.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>

#include "tests/support/expected_texts.h"
#include "tests/support/hex_memory.h"
#include "frontends/window/main_window.h"
#include "resources/resource_ids.h"

namespace {

const std::string variants = E2E_VARIANTS_DIR;

HWND first(const std::vector<HWND>& windows)
{
    return windows.empty() ? nullptr : windows[0];
}

// What the window's controls must allow; the options are both boxes and their labels.
struct States {
    bool window, portList, search, start, options;
};
constexpr States offered{true, false, false, true, true};
constexpr States idle{true, true, true, false, false};

// The program under test and its main window.
struct Session {
    Program program;
    HWND window = nullptr;
    bool russian = true;
    std::string port = "COM7";  // where the reader is

    std::wstring text(const std::string& key, std::initializer_list<std::pair<std::string, std::string>> fill = {}) const
    {
        return expected(russian, key, fill);
    }
    HWND control(int id) const { return GetDlgItem(window, id); }
    std::wstring console() const { return textOf(control(logConsoleId)); }
    HWND progressBar() const { return FindWindowExW(window, nullptr, PROGRESS_CLASSW, nullptr); }
    std::wstring idLabel() const { return textOf(FindWindowExW(window, nullptr, L"Static", nullptr)); }
    bool enabled() const { return IsWindowEnabled(window) != FALSE; }
    bool checked(int id) const { return sendWithTimeout(control(id), BM_GETCHECK) == BST_CHECKED; }

    // Starts the program: its window appears in Russian, topmost, and
    // disabled while the countdown moves the bar. (Its size and place at
    // every scale are wine.Win32WindowLayer's.)
    void start(const std::string& path, const std::wstring& header, const std::wstring& arguments = L"")
    {
        program = startProgram(path, arguments);
        ASSERT_TRUE(program.started) << path;
        opens(header);
    }
    void opens(const std::wstring& header)
    {
        ASSERT_TRUE(waitUntil([&] { return (window = mainWindowOf(program)) != nullptr; }, 20000));
        int highest = 0;
        bool sawDisabled = false;
        waitUntil([&] {
            sawDisabled = sawDisabled || !enabled();
            highest = std::max(highest, static_cast<int>(sendWithTimeout(progressBar(), PBM_GETPOS)));
            return highest > 0 && sawDisabled;
        }, 5000);
        EXPECT_TRUE(sawDisabled && highest > 0) << "the countdown disables the window and moves the bar";
        EXPECT_EQ(textOf(window), text("title"));
        EXPECT_NE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
        EXPECT_EQ(console().rfind(header + text("deviceManager"), 0), 0u) << console();
    }
    static HWND mainWindowOf(const Program& p) { return first(topLevel(p.process.dwProcessId, nullptr, mainWindowClass)); }
    bool waitEnabled(int milliseconds = 30000) const
    {
        return waitUntil([&] { return enabled(); }, milliseconds);
    }
    // SEARCH or START: the window is disabled, then enabled again.
    bool press(int id, int milliseconds)
    {
        EXPECT_TRUE(enabled() && IsWindowEnabled(control(id)));
        command(window, id);
        return waitUntil([&] { return !enabled(); }, 5000) && waitEnabled(milliseconds);
    }
    HWND ownedDialog(int milliseconds) const
    {
        HWND box = nullptr;
        waitUntil([&] { return (box = first(topLevel(0, window, L"#32770"))) != nullptr; }, milliseconds);
        return box;
    }
    void expectStates(const States& s) const
    {
        EXPECT_EQ(enabled(), s.window);
        EXPECT_EQ(IsWindowEnabled(control(portListId)) != FALSE, s.portList);
        EXPECT_EQ(IsWindowEnabled(control(searchButtonId)) != FALSE, s.search);
        EXPECT_EQ(IsWindowEnabled(control(startButtonId)) != FALSE, s.start);
        for (int id : {updateOptionId, updateOptionLabelId, resetOptionId, resetOptionLabelId})
            EXPECT_EQ(IsWindowEnabled(control(id)) != FALSE, s.options) << "control " << id;
    }
    // The console in full: what comes before the search's dots, at least
    // one dot, and what comes after them.
    void expectConsole(const std::wstring& after) const
    {
        const std::wstring before = text("header") + text("deviceManager") + text("searching");
        const std::wstring all = console();
        const bool matches = all.size() > before.size() + after.size() && all.rfind(before, 0) == 0 &&
                             all.compare(all.size() - after.size(), after.size(), after) == 0 &&
                             all.substr(before.size(), all.size() - before.size() - after.size())
                                     .find_first_not_of(L'.') == std::wstring::npos;
        EXPECT_TRUE(matches) << "the console reads\n" << all << "\nexpected\n" << before << "...\n" << after;
    }
    std::wstring found(const char* version = "1.04") const
    {
        return text("report", {{"port", port}, {"version", version}}) + L"\r\n" + text("separator");
    }
    std::wstring offeredConsole() const { return found() + text("updateRequired") + text("separator"); }
    std::wstring notFoundConsole() const { return text("notFound") + L"\r\n\r\n" + text("separator"); }
    std::wstring failedJob() const { return text("banner") + text("updateFailed") + text("staysInBootloader"); }

    void expectOffered() const
    {
        expectConsole(offeredConsole());
        expectStates(offered);
        EXPECT_EQ(idLabel(), text("idLabelOfSimulator"));
        EXPECT_EQ(selectedPort(), wide(port));
    }
    std::wstring portEntry(LRESULT position) const
    {
        wchar_t port[256] = {};
        sendWithTimeout(control(portListId), CB_GETLBTEXT, position, reinterpret_cast<LPARAM>(port));
        return port;
    }
    std::wstring selectedPort() const { return portEntry(sendWithTimeout(control(portListId), CB_GETCURSEL)); }
    // The port list from its first network port on: none of them before a COM port.
    std::vector<std::wstring> networkEntries() const
    {
        std::vector<std::wstring> entries;
        for (LRESULT i = 0, n = sendWithTimeout(control(portListId), CB_GETCOUNT); i < n; ++i)
            if (!entries.empty() || portEntry(i).find(L"://") != std::wstring::npos)
                entries.push_back(portEntry(i));
        return entries;
    }
    // START: the job runs with the window disabled and the bar moving, and
    // ends with the window enabled, the result under the banner, the bar at 0.
    void runJob(int milliseconds)
    {
        ASSERT_TRUE(enabled() && IsWindowEnabled(control(startButtonId)));
        command(window, startButtonId);
        ASSERT_TRUE(waitUntil([&] { return !enabled(); }, 5000));
        int highest = 0;
        EXPECT_TRUE(waitUntil([&] {
            highest = std::max(highest, static_cast<int>(sendWithTimeout(progressBar(), PBM_GETPOS)));
            return enabled() && console().find(text("banner")) != std::wstring::npos;
        }, milliseconds));
        EXPECT_GT(highest, 0) << "the bar moved during the job";
        EXPECT_EQ(sendWithTimeout(progressBar(), PBM_GETPOS), 0);
        expectStates(idle);
    }
    void expectExit(int milliseconds = 15000)
    {
        DWORD code = 12345;
        EXPECT_TRUE(waitForExit(program, milliseconds, &code)) << "the program did not end";
        EXPECT_EQ(code, 0u);
        killProgram(program);
    }
};

size_t count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

std::string lastReceived(const std::string& transcript)
{
    const size_t at = transcript.rfind("] RX ");
    return at == std::string::npos ? "" : transcript.substr(at, transcript.find('\n', at) - at);
}

// The About box of the session's language: owned by the main window, which
// it disables; closed by OK or by its close box.
void expectAboutBox(Session& s, bool closeBox)
{
    command(s.window, commandAbout);
    HWND box = s.ownedDialog(10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(textOf(box), s.text("aboutCaption"));
    bool textFound = false;
    for (HWND c = nullptr; (c = FindWindowExW(box, c, L"Static", nullptr)) != nullptr;)
        textFound = textFound || textOf(c).rfind(s.text("aboutFirstLines"), 0) == 0;
    EXPECT_TRUE(textFound) << "the text begins " << s.text("aboutFirstLines");
    EXPECT_TRUE(hasIcon(box));
    EXPECT_FALSE(s.enabled());
    if (closeBox)
        PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
    else
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(box) && s.enabled(); }, 5000));
}

// --- Update (Flintwell.exe, code page 1251, the simulator's reader 1.04) -------------
Session update;

TEST(Update, TheWindowStartsAndFindsTheReader)
{
    ASSERT_EQ(GetACP(), 1251u);
    update.start(FLINTWELL_EXE, update.text("header"));
    ASSERT_TRUE(update.waitEnabled());
    update.expectOffered();
    photograph(update.window, "window-ru-found");
}

std::wstring updatedConsole(const Session& s)
{
    return s.offeredConsole() + s.text("writingFlash") + s.text("ok") + s.text("resetDevice") + s.text("ok") +
           s.text("banner") + s.text("successful");
}

TEST(Update, StartWritesTheImageAndTheConsoleSaysSo)
{
    ASSERT_TRUE(update.window);
    update.runJob(120000);
    update.expectConsole(updatedConsole(update));
    photograph(update.window, "window-ru-updated");
    writeWhole(workFile("console.txt"), narrow(update.console()));  // scripts/demo.sh prints it
    const std::string reader = transcript(1);
    EXPECT_EQ(count(reader, "sum matches"), 1u) << "the reset carried the data sum the reader received";
}

// The English pictures of scripts/take-screenshots.sh: the same reader found
// and updated again after the switch to English.
TEST(Update, AgainInEnglishForThePictures)
{
    if (getenv("E2E_SHOTS") == nullptr)
        GTEST_SKIP() << "run by scripts/take-screenshots.sh";
    ASSERT_TRUE(update.window);
    command(update.window, commandEnglish);
    update.russian = false;
    ASSERT_TRUE(waitUntil([&] { return textOf(update.window) == update.text("title"); }, 5000));
    ASSERT_TRUE(update.press(searchButtonId, 30000));
    update.expectOffered();
    photograph(update.window, "window-en-found");
    update.runJob(120000);
    update.expectConsole(updatedConsole(update));
    photograph(update.window, "window-en-updated");
}

TEST(Update, AboutBoxInRussianThenTheCloseBoxEndsTheProgram)
{
    ASSERT_TRUE(update.window);
    expectAboutBox(update, false);
    PostMessageW(update.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    update.expectExit();
    EXPECT_EQ(count(transcript(1), "RX leave bootloader"), 0u) << "an updated reader restarts by itself";
}

// --- Question (code page 1251, a reader with the image's version) ---------------------
TEST(Question, AnsweredNoTheWindowDeclinesAndTheCloseSendsTheLeaveFrame)
{
    Session s;
    s.start(FLINTWELL_EXE, s.text("header"));
    HWND box = s.ownedDialog(30000);
    ASSERT_NE(box, nullptr) << "the question box, owned by the main window";
    EXPECT_EQ(textOf(box), s.text("caption"));
    EXPECT_EQ(textOf(GetDlgItem(box, 0xFFFF)), s.text("askVersionsSame"));
    EXPECT_TRUE(GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) && !GetDlgItem(box, IDOK));
    s.expectConsole(s.found("1.05") + s.text("versionsSame"));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDNO)));
    ASSERT_TRUE(s.waitEnabled(5000));
    EXPECT_TRUE(waitUntil([&] { return GetForegroundWindow() == s.window; }, 2000)) << "Flintwell is active again";
    s.expectConsole(s.found("1.05") + s.text("versionsSame") + s.text("separator"));
    s.expectStates({true, false, false, false, false});
    // The reader waits in its bootloader with the port open: leaving must free it.
    PostMessageW(s.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    s.expectExit();
    const std::string reader = transcript(1);
    EXPECT_EQ(count(reader, "RX leave bootloader"), 1u);
    EXPECT_NE(lastReceived(reader).find("RX leave bootloader"), std::string::npos) << lastReceived(reader);
}

// --- Cli (code page 1251): flintwell-cli.exe on COM7, its texts in UTF-8, stopped from
// outside mid-job (a whole update and its record row: FlintwellCli natively; the
// record's lock on Windows: wine.Win32ServiceRecord) ------------------------------------
// A batch in a process group of its own (as a scheduler starts it) is told to
// stop mid-job: it passes the stop on to its reader's process, which stops
// after the block in flight. Wine 8 generates no Ctrl+Break: Ctrl+C to the
// group, which the programs take alike, stands in.
TEST(Cli, AStopSentToTheBatchStopsItsReaderAfterTheBlockInFlight)
{
    FreeConsole();  // a console of the driver's own, for the batch and the event
    ASSERT_TRUE(AllocConsole());
    ASSERT_EQ(restartReader("--fault late-ack=3:2000"), 2);
    const std::string console = workFile("cli-stop-console.txt");
    Program cli = startProgram(FLINTWELL_CLI_EXE, L"--all --port COM7 --yes --lang ru", console, CREATE_NEW_PROCESS_GROUP);
    ASSERT_TRUE(cli.started);
    // Block 3's acknowledgement is held back: the job surely runs.
    EXPECT_TRUE(waitUntil([] { return count(transcript(2), "RX write block (0xF1) #3 ") > 0; }, 60000));
    EXPECT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, cli.process.dwProcessId));
    DWORD code = 12345;
    EXPECT_TRUE(waitForExit(cli, 60000, &code));
    killProgram(cli);
    EXPECT_EQ(code, 6u);
    const std::string printed = readWhole(console);
    EXPECT_NE(printed.find(expectedText(true, "batchSummary",
                                        {{"updated", "0"}, {"declined", "0"}, {"none", "0"}, {"failed", "1"}, {"ports", "COM7"}})),
              std::string::npos)
        << printed;
    const std::string reader = transcript(2);
    EXPECT_EQ(count(reader, "RX write block (0xF1) #5 ") + count(reader, "reset") + count(reader, "leave bootloader"), 0u)
        << reader;
}

// Every top-level window of the process, hidden ones too.
std::vector<HWND> windowsOf(DWORD processId)
{
    std::pair<DWORD, std::vector<HWND>> search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(parameter);
            DWORD id = 0;
            GetWindowThreadProcessId(window, &id);
            if (id == s->first)
                s->second.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// The end of the session mid-job, as Windows tells a process that has
// user32.dll loaded: its top-level windows get WM_QUERYENDSESSION, then
// WM_ENDSESSION, after which Windows ends the process. So WM_ENDSESSION
// returns only when the run has stopped its job and served the stop.
TEST(Cli, TheEndOfTheSessionMidJobIsAnsweredOnlyOnceTheRunHasStopped)
{
    const int reader = restartReader("--fault late-ack=3:2000");
    ASSERT_GT(reader, 1);
    Program cli = startProgram(FLINTWELL_CLI_EXE, L"--port COM7 --yes --lang ru", workFile("cli-session-console.txt"));
    ASSERT_TRUE(cli.started);
    EXPECT_TRUE(waitUntil([&] { return count(transcript(reader), "RX write block (0xF1) #3 ") > 0; }, 60000));
    const std::vector<HWND> windows = windowsOf(cli.process.dwProcessId);
    EXPECT_FALSE(windows.empty());
    for (UINT message : {WM_QUERYENDSESSION, WM_ENDSESSION})
        for (HWND window : windows)
            SendMessageTimeoutW(window, message, TRUE, 0, SMTO_NORMAL, 10000, nullptr);
    DWORD code = 12345;
    const bool ended = !windows.empty() && waitForExit(cli, 1000, &code);
    EXPECT_TRUE(ended) << "the run still went on when Windows would end it";
    if (!ended)
        waitForExit(cli, 60000, &code);
    killProgram(cli);
    EXPECT_EQ(code, 6u);
    const std::string sent = transcript(reader);
    EXPECT_EQ(count(sent, "RX write block (0xF1) #5 ") + count(sent, "reset") + count(sent, "leave bootloader"), 0u)
        << sent;
}

// --- Start-up failures (no reader): a build with unusable resources shows
// its boxes, owned by the hidden window, and ends ---------------------------------------
struct BrokenBuild {
    const char* program;
    std::vector<std::pair<const char*, std::wstring>> boxes;  // each box's text and what follows it
};
class StartFails : public testing::TestWithParam<BrokenBuild> {};

TEST_P(StartFails, ShowsItsBoxesAndNoWindow)
{
    Program program = startProgram(variants + "/" + GetParam().program + ".exe");
    ASSERT_TRUE(program.started);
    const DWORD id = program.process.dwProcessId;
    bool windowSeen = false;
    for (const auto& [key, reason] : GetParam().boxes) {
        SCOPED_TRACE(key);
        HWND box = nullptr;
        waitUntil([&] {
            windowSeen = windowSeen || !topLevel(id, nullptr, mainWindowClass).empty();
            return (box = first(topLevel(id, nullptr, L"#32770"))) != nullptr;
        }, 20000);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(textOf(box), expected(true, "caption"));
        EXPECT_EQ(textOf(GetDlgItem(box, 0xFFFF)), expected(true, key) + reason);
        HWND owner = GetWindow(box, GW_OWNER);
        EXPECT_TRUE(owner && classOf(owner) == mainWindowClass && !IsWindowVisible(owner));
        EXPECT_TRUE(GetDlgItem(box, IDOK) && !GetDlgItem(box, IDYES));
        EXPECT_TRUE(hasIcon(box));
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(box); }, 5000));
    }
    DWORD code = 12345;
    EXPECT_TRUE(waitForExit(program, 10000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(windowSeen) << "the main window was shown";
    killProgram(program);
}

INSTANTIATE_TEST_SUITE_P(Builds, StartFails, testing::Values(
    BrokenBuild{"Flintwell-broken-image", {{"errorCrcPacket", L""}, {"errorHexLoad", L""}}},
    BrokenBuild{"Flintwell-empty-config", {{"errorAppconfigLoad", L""}}}));

// --- Window (code page 1252, no reader answers) ----------------------------------------
Session window;

TEST(Window, WithoutAReaderTheSearchFindsNothing)
{
    ASSERT_EQ(GetACP(), 1252u);
    window.start(FLINTWELL_EXE, window.text("header"));
    ASSERT_TRUE(window.waitEnabled());
    window.expectConsole(window.notFoundConsole());
    window.expectStates(idle);
    EXPECT_EQ(window.idLabel(), window.text("idLabelAtRest"));
}

// A second start brings the first window forward and ends with 0.
TEST(Window, ASecondStartRestoresTheFirstWindowAndEnds)
{
    ASSERT_TRUE(window.window);
    PostMessageW(window.window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(waitUntil([&] { return IsIconic(window.window) != FALSE; }, 5000));
    Program second = startProgram(FLINTWELL_EXE);
    bool secondWindow = false;
    EXPECT_TRUE(waitUntil([&] {
        secondWindow = secondWindow || Session::mainWindowOf(second) != nullptr;
        return WaitForSingleObject(second.process.hProcess, 0) == WAIT_OBJECT_0;
    }, 15000));
    DWORD code = 12345;
    EXPECT_TRUE(waitForExit(second, 1000, &code));
    EXPECT_EQ(code, 0u);
    killProgram(second);
    EXPECT_FALSE(secondWindow);
    EXPECT_TRUE(waitUntil([&] { return !IsIconic(window.window) && GetForegroundWindow() == window.window; }, 5000));
}

// The captions, the menu bar (read inside the program) and the console follow
// the language; the operator's option stays.
void expectLanguage(Session& s)
{
    EXPECT_EQ(textOf(s.window), s.text("title"));
    const std::pair<int, const char*> captions[] = {{searchButtonId, "search"}, {updateOptionLabelId, "update"},
                                                    {resetOptionLabelId, "updateReset"}, {startButtonId, "start"}};
    for (const auto& [id, key] : captions)
        EXPECT_EQ(textOf(s.control(id)), s.text(key)) << key;
    const std::wstring file = s.text("menuFile"), help = s.text("menuHelp"), tools = s.text("menuTools");
    const std::wstring languages = tools + L"/" + s.text("menuLanguage");
    const std::vector<MenuEntry> menu = {
        {file, 0, false}, {file + L"/" + s.text("menuNetworkPort"), commandNetworkPort, false},
        {file + L"/" + s.text("menuQuit"), commandQuit, false}, {tools, 0, false}, {languages, 0, false},
        {languages + L"/" + s.text("menuRussian"), commandRussian, s.russian},
        {languages + L"/" + s.text("menuEnglish"), commandEnglish, !s.russian},
        {help, 0, false}, {help + L"/" + s.text("menuHelpItem"), commandHelpItem, false},
        {help + L"/" + s.text("menuAbout"), commandAbout, false}};
    EXPECT_TRUE(readMenu(s.window) == menu);
    EXPECT_EQ(s.console(), s.text("header"));
    EXPECT_EQ(s.idLabel(), s.text("idLabelAtRest"));
    EXPECT_TRUE(s.checked(resetOptionId) && !s.checked(updateOptionId));
    s.expectStates(idle);
}

void switchTo(Session& s, bool russian)
{
    command(s.window, russian ? commandRussian : commandEnglish);
    s.russian = russian;
    ASSERT_TRUE(waitUntil([&] { return textOf(s.window) == s.text("title"); }, 5000));
    expectLanguage(s);
}

TEST(Window, EnglishRelabelsTheWindowAndItsMenusAndLetsAnotherStartOpen)
{
    ASSERT_TRUE(window.window);
    command(window.window, resetOptionId);
    switchTo(window, false);
    // The single-instance rule looks for the Russian title: a third start opens.
    Session third;
    third.start(FLINTWELL_EXE, third.text("header"));
    killProgram(third.program);
    expectAboutBox(window, true);
}

TEST(Window, BackInRussianThePopupsQuitEndsTheProgram)
{
    ASSERT_TRUE(window.window);
    switchTo(window, true);
    PostMessageW(window.window, WM_RBUTTONUP, 0, MAKELPARAM(250, 556));
    HWND popup = nullptr;
    const DWORD id = window.program.process.dwProcessId;
    ASSERT_TRUE(waitUntil([&] { return (popup = first(topLevel(id, nullptr, L"#32768"))) != nullptr; }, 5000));
    const std::vector<MenuEntry> quitOnly = {{window.text("menuQuit"), commandQuit, false}};
    EXPECT_TRUE(readMenu(window.window, popup) == quitOnly);
    // The menu loop takes the keys: the first item, then Enter.
    PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
    window.expectExit();
}

// --- Session (the small image, code page 1252): a reader that vanishes with its
// port, then one whose job the end of the session and a close must wait for ------------
Session session;

TEST(Session, AReaderThatHangsUpMidJobFailsTheJobAndItsPortIsPassedBy)
{
    session.start(variants + "/Flintwell-small.exe", session.text("header"));
    ASSERT_TRUE(session.waitEnabled());
    session.expectOffered();
    session.runJob(60000);
    // A write to the vanished port fails and is logged, if the next block
    // went out before the line was cut.
    std::wstring writeError;
    const std::wstring console = session.console();
    if (const size_t at = console.find(session.text("portWriteError")); at != std::wstring::npos)
        writeError = console.substr(at, console.find(L']', at) + 1 - at);
    session.expectConsole(session.offeredConsole() + session.text("writingFlash") + writeError +
                          session.text("recordingInterrupted") + session.text("failed") + session.failedJob());
    EXPECT_EQ(session.idLabel(), session.text("idLabelOfSimulator"));
    const std::string reader = transcript(1);
    EXPECT_NE(lastReceived(reader).find("RX write block (0xF1) #5 "), std::string::npos) << lastReceived(reader);
    EXPECT_EQ(count(reader, "RX reset"), 0u);
    EXPECT_EQ(count(reader, "RX leave bootloader"), 0u);
    ASSERT_TRUE(session.press(searchButtonId, 30000));
    session.expectConsole(session.notFoundConsole());
}

TEST(Session, TheEndOfTheSessionAndACloseWaitForARunningJob)
{
    ASSERT_TRUE(session.window);
    ASSERT_EQ(restartReader("--fault late-ack=3:2000"), 2);
    ASSERT_TRUE(session.press(searchButtonId, 30000));
    session.expectOffered();
    bool answered = false;
    EXPECT_NE(sendWithTimeout(session.window, WM_QUERYENDSESSION, 0, 0, &answered), FALSE);
    EXPECT_TRUE(answered) << "idle, Windows may end the session";
    // The reader holds back block 3's acknowledgement: the job surely runs.
    command(session.window, startButtonId);
    ASSERT_TRUE(waitUntil([&] { return !session.enabled(); }, 5000));
    Sleep(800);
    EXPECT_EQ(sendWithTimeout(session.window, WM_QUERYENDSESSION, 0, 0, &answered), FALSE);
    EXPECT_TRUE(answered);
    PostMessageW(session.window, WM_CLOSE, 0, 0);  // as Task Manager's End task sends it
    Sleep(500);
    EXPECT_TRUE(IsWindow(session.window)) << "the close was carried out mid-job";
    session.expectExit(60000);
    const std::string reader = transcript(2);
    EXPECT_EQ(count(reader, "sum matches"), 1u) << "the job finished before the program ended";
    EXPECT_EQ(count(reader, "RX leave bootloader"), 0u);
}

// --- USB (a Karvo-7-USB image, code page 1252): the reader registered for
// SetupAPI on COM7 is looked up, switched and found there; its job fails, and
// the close then sends nothing ------------------------------------------------------------
const wchar_t usbDeviceKey[] = L"System\\CurrentControlSet\\Enum\\USB\\VID_1234&PID_ABCD\\FLW0001";

// Wine lists each instance key under Enum\USB with a class GUID, its
// hardware ids there and its port name under "Device Parameters".
bool plugUsbReader()
{
    auto set = [](const wchar_t* subkey, const wchar_t* name, DWORD type, const std::wstring& value) {
        return RegSetKeyValueW(HKEY_LOCAL_MACHINE, (std::wstring(usbDeviceKey) + subkey).c_str(), name, type,
                               value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    };
    const std::wstring ids = std::wstring(L"USB\\VID_1234&PID_ABCD&REV_0200") + L'\0' + L"USB\\VID_1234&PID_ABCD" + L'\0';
    return set(L"", L"HardwareID", REG_MULTI_SZ, ids) &&
           set(L"", L"ClassGUID", REG_SZ, L"{4D36E978-E325-11CE-BFC1-08002BE10318}") &&
           set(L"\\Device Parameters", L"PortName", REG_SZ, L"COM7");
}

TEST(Usb, AReaderFoundThroughSetupApiIsSwitchedAndTheCloseAfterAFailedJobSendsNothing)
{
    ASSERT_TRUE(plugUsbReader());
    Session s;
    s.start(variants + "/Flintwell-usb.exe", s.text("usbHeader"));
    ASSERT_TRUE(s.waitEnabled());
    EXPECT_NE(s.console().find(s.text("found")), std::wstring::npos) << s.console();
    EXPECT_EQ(s.selectedPort(), L"COM7");
    s.expectStates(offered);
    EXPECT_NE(transcript(1).find("RX AT command \"AT+BOOTL_USB\""), std::string::npos);
    s.runJob(60000);
    EXPECT_NE(s.console().find(s.failedJob()), std::wstring::npos) << s.console();
    PostMessageW(s.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    s.expectExit();
    EXPECT_EQ(count(transcript(1), "RX leave bootloader"), 0u);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, usbDeviceKey);
}

// --- Network (code page 1252): the reader behind ser2net's RFC 2217 accepter
// on 127.0.0.1, named on the command line; a silent server beside it; ports
// added with the dialog kept in the registry for the next start ---------------------
const wchar_t settingsKey[] = L"Software\\Flintwell";
Session network;

// ser2net's address (0) or the silent server's (1), HOST:PORT.
std::string networkAddress(int which)
{
    int ports[2] = {};
    sscanf(readWhole(workFile("network.ports")).c_str(), "%d %d", &ports[0], &ports[1]);
    return "127.0.0.1:" + std::to_string(ports[which]);
}

// The network port dialog, opened by its menu command.
HWND networkDialog(Session& s)
{
    command(s.window, commandNetworkPort);
    return s.ownedDialog(10000);
}

// HOST:PORT typed, the kind clicked, OK.
void submit(HWND dialog, const std::string& hostAndPort, int kind)
{
    sendWithTimeout(GetDlgItem(dialog, FLINTWELL_NETWORK_ADDRESS), WM_SETTEXT, 0,
                    reinterpret_cast<LPARAM>(wide(hostAndPort).c_str()));
    sendWithTimeout(GetDlgItem(dialog, kind), BM_CLICK);
    command(dialog, IDOK);
}

TEST(Network, AReaderBehindSer2netNamedOnTheCommandLineIsFoundAndUpdated)
{
    ASSERT_EQ(GetACP(), 1252u);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, settingsKey, L"NetworkPorts");
    network.port = "rfc2217://" + networkAddress(0);
    network.program = startProgram(FLINTWELL_EXE, L"--port rfc2217://127.0.0.1 --port " + wide(network.port));
    HWND box = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (box = first(topLevel(network.program.process.dwProcessId, nullptr, L"#32770"))); },
                          20000));
    EXPECT_EQ(textOf(box), network.text("caption"));
    EXPECT_EQ(textOf(GetDlgItem(box, 0xFFFF)),
              network.text("portRefused", {{"address", "rfc2217://127.0.0.1"}, {"reason", "no port after the host"}}));
    command(box, IDOK);
    network.opens(network.text("header"));
    ASSERT_TRUE(network.waitEnabled());
    network.expectOffered();
    EXPECT_EQ(network.networkEntries(), (std::vector<std::wstring>{wide(network.port)}));
    network.runJob(120000);
    network.expectConsole(updatedConsole(network));
    EXPECT_EQ(count(transcript(1), "sum matches"), 1u);
    EXPECT_EQ(hexToMemory(readWhole(workFile("flash.hex"))), imageFlash(readWhole(FIRMWARE_HEX)));
}

// An address without its port is refused in the dialog, nothing added; the
// silent server by RFC 2217, then by raw TCP, is, and shows in the list at once.
TEST(Network, TheDialogRefusesAnAddressWithoutItsPortAndAddsTwoOthers)
{
    ASSERT_TRUE(network.window);
    HWND dialog = networkDialog(network);
    EXPECT_EQ(textOf(dialog), network.text("networkCaption"));
    submit(dialog, "127.0.0.1", FLINTWELL_NETWORK_RFC2217);
    const std::wstring refusal =
        network.text("portRefused", {{"address", "rfc2217://127.0.0.1"}, {"reason", "no port after the host"}});
    EXPECT_TRUE(waitUntil([&] { return textOf(GetDlgItem(dialog, FLINTWELL_NETWORK_PROBLEM)) == refusal; }, 5000));
    EXPECT_EQ(sendWithTimeout(GetDlgItem(dialog, FLINTWELL_NETWORK_LIST), LB_GETCOUNT), 1) << "the command line's";
    const std::string silent = networkAddress(1);
    for (int kind : {FLINTWELL_NETWORK_RFC2217, FLINTWELL_NETWORK_RAW_TCP}) {
        if (!IsWindow(dialog))
            dialog = networkDialog(network);
        submit(dialog, silent, kind);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(dialog); }, 5000));
    }
    EXPECT_EQ(network.networkEntries(), (std::vector<std::wstring>{wide(network.port),
                                                             wide("rfc2217://" + silent), wide("socket://" + silent)}));
    PostMessageW(network.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    network.expectExit();
}

// Started again with the raw TCP one given: it comes first, the kept ones
// after it, none twice. The search walks them all, the silent server's RFC
// 2217 port for 3 s, while the window answers every message at once; a port
// removed in the dialog leaves the registry too.
TEST(Network, AfterARestartTheKeptPortsAreListedAndTheSearchHoldsNothingUp)
{
    const std::wstring rfc2217 = wide("rfc2217://" + networkAddress(1)), raw = wide("socket://" + networkAddress(1));
    Session s;
    s.start(FLINTWELL_EXE, s.text("header"), L"--port " + raw);
    int unanswered = 0;
    LRESULT lowest = 1 << 30, highest = -1;
    EXPECT_TRUE(waitUntil([&] {
        DWORD_PTR result = 0;
        unanswered += !SendMessageTimeoutW(s.window, WM_NULL, 0, 0, SMTO_NORMAL, 250, &result);
        const LRESULT position = sendWithTimeout(s.progressBar(), PBM_GETPOS);
        lowest = std::min(lowest, position);
        highest = std::max(highest, position);
        return s.enabled();
    }, 30000));
    EXPECT_EQ(unanswered, 0);
    EXPECT_GT(highest, lowest) << "the bar rises";
    EXPECT_EQ(s.networkEntries(), (std::vector<std::wstring>{raw, rfc2217}));

    HWND dialog = networkDialog(s);
    sendWithTimeout(GetDlgItem(dialog, FLINTWELL_NETWORK_LIST), LB_SETCURSEL, 1);
    command(dialog, FLINTWELL_NETWORK_REMOVE);
    command(dialog, IDOK);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(dialog); }, 5000));
    EXPECT_EQ(s.networkEntries(), (std::vector<std::wstring>{raw}));
    wchar_t kept[256] = {};
    DWORD bytes = sizeof kept;
    RegGetValueW(HKEY_CURRENT_USER, settingsKey, L"NetworkPorts", RRF_RT_REG_MULTI_SZ, nullptr, kept, &bytes);
    EXPECT_EQ(std::wstring(kept, bytes / sizeof(wchar_t)), raw + std::wstring(2, L'\0'));
    PostMessageW(s.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    s.expectExit();
    RegDeleteKeyValueW(HKEY_CURRENT_USER, settingsKey, L"NetworkPorts");
}

// --- The soak (tests/e2e/soak.sh, E2E_SOAK_CYCLES): search and update again and
// again in one run of the small image's program, printing what the process
// holds after each cycle; a leak shows as figures that keep growing ----------------------
long handleCount(DWORD processId)
{
    // SystemExtendedHandleInformation (64): Wine's GetProcessHandleCount gives 0.
    struct Entry {
        PVOID object;
        ULONG_PTR processId, handle;
        ULONG access;
        USHORT trace, type;
        ULONG attributes, reserved;
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<ULONG_PTR> buffer(1 << 18);
    while (query(64, buffer.data(), static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR)), nullptr) ==
           static_cast<LONG>(0xC0000004L))
        buffer.resize(buffer.size() * 2);
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + 2);
    return static_cast<long>(std::count_if(entries, entries + buffer[0],
                                           [&](const Entry& e) { return e.processId == processId; }));
}

TEST(Soak, PrintsHandlesAndMemoryAfterEachCycle)
{
    const char* cycles = getenv("E2E_SOAK_CYCLES");
    if (cycles == nullptr)
        GTEST_SKIP() << "run by tests/e2e/soak.sh";
    Session s;
    s.start(variants + "/Flintwell-small.exe", s.text("header"));
    for (int cycle = 1; cycle <= atoi(cycles) && !HasFailure(); ++cycle) {
        ASSERT_TRUE(cycle == 1 ? s.waitEnabled() : s.press(searchButtonId, 30000));
        s.expectOffered();
        s.runJob(60000);
        EXPECT_NE(s.console().find(s.text("successful")), std::wstring::npos);
        Sleep(300);  // the worker's handle is closed just after its end
        PROCESS_MEMORY_COUNTERS memory{};
        GetProcessMemoryInfo(s.program.process.hProcess, &memory, sizeof memory);
        printf("cycle %2d: handles %ld, private %zu KB, working set %zu KB\n", cycle,
               handleCount(s.program.process.dwProcessId), memory.PagefileUsage / 1024, memory.WorkingSetSize / 1024);
        fflush(stdout);
    }
    PostMessageW(s.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    s.expectExit();
}

}  // namespace
