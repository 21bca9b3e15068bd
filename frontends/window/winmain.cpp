// Flintwell.exe: the start-up sequence and the message loop. Returns 0 on
// every path. The command line may name serial ports on the network:
//
//     Flintwell.exe [--port rfc2217://HOST:PORT | --port socket://HOST:PORT]...
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/kept_ports.h"
#include "image/start_up_load.h"
#include "ports/network_ports.h"
#include "ports/port_address.h"
#include "workflow/commands.h"
#include "workflow/reports.h"
#include "ui/text_table.h"
#include "frontends/window/main_window.h"
#include "ui/window.h"

namespace {

// Another instance shows the Russian start-up title: bring it forward.
bool bringRunningInstanceForward()
{
    wchar_t title[wideTextSize];
    widen(texts().windowTitle, title, wideTextSize);
    HWND running = FindWindowW(nullptr, title);
    if (running == nullptr)
        return false;
    if (IsIconic(running))
        ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
    return true;
}

// Whether text is a network port's address; the reason why not.
bool isNetworkAddress(const char* text, const char** reason)
{
    PortAddress address;
    if (!parsePortAddress(text, &address, reason))
        return false;
    *reason = texts().networkPortNotNetwork;
    return address.kind != PortKind::serial;
}

// The network ports of this run: those given with --port, then those kept
// from the dialog, none twice. A given one that is no network address is
// shown in the message box with what is wrong and left out; a kept one that
// is none (the value edited by hand) is left out unsaid.
void takeNetworkPorts()
{
    std::vector<std::string> ports;
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; arguments != nullptr && i + 1 < count; ++i) {
        if (wcscmp(arguments[i], L"--port") != 0)
            continue;
        char address[portAddressSize * 2];
        narrow(arguments[++i], address, sizeof address);
        const char* reason = "";
        if (isNetworkAddress(address, &reason)) {
            ports.emplace_back(address);
            continue;
        }
        char text[wideTextSize];
        snprintf(text, sizeof text, texts().networkPortRefused, address, reason);
        showMessage(text, texts().messageCaption);
    }
    LocalFree(arguments);
    for (const std::string& kept : keptNetworkPorts()) {
        const char* reason = "";
        if (isNetworkAddress(kept.c_str(), &reason))
            ports.push_back(kept);
    }
    useNetworkPorts(ports);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    // Language 0 at every start: the Russian texts (applyTexts).
    resetAppState();
    if (bringRunningInstanceForward())
        return 0;
    if (!createMainWindow(instance))
        return 0;

    // The window stays hidden when the carried image or configuration is
    // unusable: only the message box is seen.
    std::string imageProblem;
    if (!loadImageAtStart(&imageProblem)) {
        showMessage(imageLoadFailureText(imageProblem).c_str(), texts().messageCaption);
        return 0;
    }
    if (!loadAppConfig()) {
        showMessage(texts().errorAppconfigLoad, texts().messageCaption);
        return 0;
    }
    takeNetworkPorts();

    createControls();
    HWND window = mainWindow();
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    printHeader();
    enableControl(Control::mainWindow, false);
    startCountdown();

    // Key messages are dispatched untranslated: typing in the console
    // produces no characters.
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}
