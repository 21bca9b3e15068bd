// A reader in its bootloader found and updated through the window, and a job
// that nothing from outside can end: the end of the session is refused, the
// language items and SEARCH do nothing, and a close waits for the job.
#include "tests/e2e/driver/cases.h"
#include "tests/e2e/driver/fault_steps.h"
#include "tests/e2e/driver/sim_control.h"
#include "ui/win32/main_window.h"

namespace {

constexpr int jobTimeoutMs = 60000;

// START; the reader holds back block 3's acknowledgement for 3 s, so the
// job is surely running once the window is disabled and a moment passed.
bool startAndWaitMidJob(Session& s, const std::string& when)
{
    command(s.window, startButtonId);
    const bool running = waitUntil([&] { return !IsWindowEnabled(s.window); }, 5000);
    expect(running, when + ": START disables the window");
    pause(800);
    return running;
}

int readersUpdated()
{
    int updated = 0;
    for (const std::string& line : transcriptLines(currentReader()))
        if (line.find("sum matches") != std::string::npos)
            ++updated;
    return updated;
}

}  // namespace

void caseReachable()
{
    Session s{};
    if (!launchAndWatchStartUp(s) || !waitForSearchEnd(s)) {
        killProgram(s.program);
        return;
    }
    const ExpectedTexts& t = texts(s);
    expectConsole(s, consoleBeforeDots(s),
                  std::wstring(t.report) + t.foundInBootloader + L"\r\n" + separator + t.updateRequired + separator,
                  "a reader in its bootloader");
    expectStates(s, statesOffered, "a reader in its bootloader");

    // Mid-job: Windows may not end the session, and what would close the
    // port is refused.
    if (startAndWaitMidJob(s, "first job")) {
        bool answered = false;
        const LRESULT mayEnd = sendWithTimeout(s.window, WM_QUERYENDSESSION, 0, 0, &answered);
        expect(answered && mayEnd == FALSE, "mid-job: WM_QUERYENDSESSION is answered FALSE");
        command(s.window, commandEnglish);
        command(s.window, searchButtonId);
        pause(300);
        expect(textOf(s.window) == t.title, "mid-job: the language item changes nothing");
        expect(consoleText(s).find(t.writingFlash) != std::wstring::npos, "mid-job: SEARCH does not clear the console");
    }
    const bool ended = waitUntil([&] { return IsWindowEnabled(s.window); }, jobTimeoutMs);
    expect(ended && consoleText(s).find(t.successful) != std::wstring::npos, "the first job succeeds");
    bool answered = false;
    const LRESULT mayEnd = sendWithTimeout(s.window, WM_QUERYENDSESSION, 0, 0, &answered);
    expect(answered && mayEnd != FALSE, "after the job: WM_QUERYENDSESSION is answered TRUE");

    // A close mid-job (as Task Manager's End task sends it) waits for the job.
    if (searchAgain(s).came && isEnabled(control(s, startButtonId)) && startAndWaitMidJob(s, "second job")) {
        PostMessageW(s.window, WM_CLOSE, 0, 0);
        pause(500);
        expect(IsWindow(s.window) != FALSE, "mid-job: WM_CLOSE leaves the window and the job running");
        expectExit(s, "the close carried out after the job", jobTimeoutMs);
        expect(readersUpdated() == 2, "the second job finished before the program ended",
               std::to_string(readersUpdated()) + " resets with a matching sum");
    } else {
        expect(false, "the reader is found again and offered the update");
        killProgram(s.program);
    }
}

namespace {

// A USB reader for SetupAPI: Wine lists every instance key under Enum\USB
// that has a class GUID, reads its hardware id from there and its port name
// from "Device Parameters", as Windows does for a plugged-in device.
const wchar_t usbDeviceKey[] = L"System\\CurrentControlSet\\Enum\\USB\\VID_1234&PID_ABCD\\FLW0001";

bool setString(HKEY key, const wchar_t* name, DWORD type, const std::wstring& value)
{
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()), bytes) == ERROR_SUCCESS;
}

bool plugUsbReader(const wchar_t* portName)
{
    HKEY device = nullptr, parameters = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, usbDeviceKey, 0, nullptr, 0, KEY_WRITE, nullptr, &device, nullptr) !=
        ERROR_SUCCESS)
        return false;
    // A list of strings: each ends with its zero, the list with one more.
    const std::wstring ids = std::wstring(L"USB\\VID_1234&PID_ABCD&REV_0200") + L'\0' + L"USB\\VID_1234&PID_ABCD" + L'\0';
    bool ok = setString(device, L"HardwareID", REG_MULTI_SZ, ids) &&
              setString(device, L"ClassGUID", REG_SZ, L"{4D36E978-E325-11CE-BFC1-08002BE10318}") &&
              RegCreateKeyExW(device, L"Device Parameters", 0, nullptr, 0, KEY_WRITE, nullptr, &parameters,
                              nullptr) == ERROR_SUCCESS;
    if (parameters != nullptr) {
        ok = ok && setString(parameters, L"PortName", REG_SZ, portName);
        RegCloseKey(parameters);
    }
    RegCloseKey(device);
    return ok;
}

void unplugUsbReader()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, usbDeviceKey);
}

bool transcriptHas(const std::string& text)
{
    for (const std::string& line : transcriptLines(currentReader()))
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

}  // namespace

void caseUsbHalfWritten()
{
    if (!expect(plugUsbReader(L"COM7"), "a USB reader on COM7 registered for SetupAPI"))
        return;
    Session s{};
    s.header = L"\r\n   Karvo-7-USB вер.1.05 [сер.01 изм.02  пп.03]\r\n\t\t   -----------\r\n\t\t    pcb: MAIN"
               L"\r\n   +++++++++++++++++++++++++++++++++++++++++++\r\n------------------------------------------------\r\n";
    if (launchAndWatchStartUp(s) && waitForSearchEnd(s)) {
        const ExpectedTexts& t = texts(s);
        const std::wstring console = consoleText(s);
        expect(console.find(L"\r\n<< Перевод считывателя в загрузчик \r\n<< Поиск устройства для обновления .\r\n"
                            L">> Устройство найдено:\r\n   > порт:\t\tCOM7") != std::wstring::npos,
               "the USB reader is looked up through SetupAPI, switched and found on COM7", "it reads " + shown(console));
        expect(transcriptHas("RX AT command \"AT+BOOTL_USB\""), "the reader got the USB switch command");
        expectStates(s, statesOffered, "USB reader found");
        const Outcome job = runJob(s, "USB job", jobTimeoutMs);
        expect(job.came && consoleText(s).find(std::wstring(t.updateFailed) + t.staysInBootloader) != std::wstring::npos,
               "the job fails at block 3 and the console says the reader stays in its bootloader");
        // Shutdown could find the reader by its identifiers: it must send nothing.
        pressCloseBox(s.window);
        expectExit(s, "the close box after the failed job");
    } else {
        killProgram(s.program);
    }
    unplugUsbReader();
}
