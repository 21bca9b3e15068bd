// File > Network port...: the modal dialog of the network ports (template
// FLINTWELL_NETWORK_DIALOG of resources/flintwell.rc, its texts from the
// current text table). It adds a serial port on the network by HOST:PORT,
// RFC 2217 or raw TCP, and removes ports added before. OK puts the ports in
// use and keeps the ones added here for the next start (app/kept_ports.h);
// Cancel changes nothing.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/kept_ports.h"
#include "frontends/window/main_window.h"
#include "ports/network_ports.h"
#include "ports/port_address.h"
#include "resources/resource_ids.h"
#include "ui/text_table.h"

namespace {

// What the dialog shows: the ports in use, as listed, less the ones removed.
// Nothing changes before OK.
struct PortsEdit {
    std::vector<std::string> ports;
    std::vector<std::string> removed;
};

void setText(HWND dialog, int id, const char* text)
{
    wchar_t wide[wideTextSize];
    widen(text, wide, wideTextSize);
    SetDlgItemTextW(dialog, id, wide);
}

void showTexts(HWND dialog, const PortsEdit& edit)
{
    const TextTable& t = texts();
    wchar_t caption[wideTextSize];
    widen(t.networkDialogCaption, caption, wideTextSize);
    SetWindowTextW(dialog, caption);
    const std::pair<int, const char*> captions[] = {
        {FLINTWELL_NETWORK_ADDRESS_LABEL, t.networkAddressLabel}, {FLINTWELL_NETWORK_RFC2217, t.networkRfc2217},
        {FLINTWELL_NETWORK_RAW_TCP, t.networkRawTcp},             {FLINTWELL_NETWORK_PORTS_LABEL, t.networkPortsLabel},
        {FLINTWELL_NETWORK_REMOVE, t.networkRemove},              {IDOK, t.networkOk},
        {IDCANCEL, t.networkCancel}};
    for (const auto& [id, text] : captions)
        setText(dialog, id, text);
    CheckRadioButton(dialog, FLINTWELL_NETWORK_RFC2217, FLINTWELL_NETWORK_RAW_TCP, FLINTWELL_NETWORK_RFC2217);
    for (const std::string& port : edit.ports) {
        wchar_t wide[wideTextSize];
        widen(port.c_str(), wide, wideTextSize);
        SendDlgItemMessageW(dialog, FLINTWELL_NETWORK_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide));
    }
}

void removeSelected(HWND dialog, PortsEdit* edit)
{
    const LRESULT at = SendDlgItemMessageW(dialog, FLINTWELL_NETWORK_LIST, LB_GETCURSEL, 0, 0);
    if (at < 0 || static_cast<size_t>(at) >= edit->ports.size())
        return;
    edit->removed.push_back(edit->ports[static_cast<size_t>(at)]);
    edit->ports.erase(edit->ports.begin() + at);
    SendDlgItemMessageW(dialog, FLINTWELL_NETWORK_LIST, LB_DELETESTRING, static_cast<WPARAM>(at), 0);
}

// The address typed, as a network address of the kind chosen: "" when
// nothing was typed; false, with the reason shown in the dialog, when it
// does not parse.
bool typedAddress(HWND dialog, std::string* address)
{
    wchar_t wide[wideTextSize];
    GetDlgItemTextW(dialog, FLINTWELL_NETWORK_ADDRESS, wide, wideTextSize);
    char hostAndPort[wideTextSize];
    narrow(wide, hostAndPort, wideTextSize);
    address->clear();
    if (hostAndPort[0] == '\0')
        return true;
    const bool raw = IsDlgButtonChecked(dialog, FLINTWELL_NETWORK_RAW_TCP) == BST_CHECKED;
    *address = std::string(raw ? "socket://" : "rfc2217://") + hostAndPort;
    PortAddress parsed;
    const char* reason = "";
    if (parsePortAddress(address->c_str(), &parsed, &reason))
        return true;
    char refusal[wideTextSize];
    snprintf(refusal, sizeof refusal, texts().networkPortRefused, address->c_str(), reason);
    setText(dialog, FLINTWELL_NETWORK_PROBLEM, refusal);
    return false;
}

// OK: the ports in use become the list with the new address last; the kept
// ones lose those removed and gain the new one.
void applyEdit(PortsEdit* edit, const std::string& added)
{
    // A search or a job on the worker reads the ports in use (the dialog
    // refuses to open then, but a command posted meanwhile could start one).
    if (app.activity == Activity::searching || app.activity == Activity::updating)
        return;
    std::vector<std::string> kept = keptNetworkPorts();
    for (const std::string& address : edit->removed)
        kept.erase(std::remove(kept.begin(), kept.end(), address), kept.end());
    if (!added.empty()) {
        edit->ports.push_back(added);
        if (std::find(kept.begin(), kept.end(), added) == kept.end())
            kept.push_back(added);
    }
    useNetworkPorts(edit->ports);
    keepNetworkPorts(kept);
}

INT_PTR CALLBACK networkDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* edit = reinterpret_cast<PortsEdit*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        showTexts(dialog, *reinterpret_cast<PortsEdit*>(lParam));
        return TRUE;  // the focus on the address
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case FLINTWELL_NETWORK_REMOVE:
            removeSelected(dialog, edit);
            return TRUE;
        case IDOK: {
            std::string added;
            if (!typedAddress(dialog, &added))
                return TRUE;  // refused: nothing added, the dialog stays
            applyEdit(edit, added);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        case IDCANCEL:  // Cancel, Escape or the close box
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

}  // namespace

bool editNetworkPorts()
{
    PortsEdit edit{networkPorts(), {}};
    return DialogBoxParamW(win.instance, MAKEINTRESOURCEW(FLINTWELL_NETWORK_DIALOG), mainWindow(), networkDialogProc,
                           reinterpret_cast<LPARAM>(&edit)) == IDOK;
}
