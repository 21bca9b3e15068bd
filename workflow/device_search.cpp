#include "workflow/device_search.h"

#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "app/system.h"
#include "link/bootloader_commands.h"
#include "link/bootloader_switch.h"
#include "link/reader_models.h"
#include "ports/port_access.h"
#include "ports/network_ports.h"
#include "ports/port_list.h"
#include "ports/usb_lookup.h"
#include "ui/option_controls.h"
#include "workflow/reports.h"
#include "ui/text_table.h"
#include "ui/window.h"
#include "workflow/reader_port.h"
#include "workflow/update_decision.h"

namespace {

constexpr uint32_t baudRate = 19200;
constexpr int maxProbedPorts = 50;
const char separator[] = "\r\n------------------------------------------------";

void foundEnding()
{
    selectPortInList(readerPort().name);
    enableControl(Control::portList, false);
    enableControl(Control::searchButton, false);
    appendLog(texts().logDeviceFound);
    printDeviceReport(readerPort().name);
    if (app.reader.firmware == FirmwareKnown::inBootloader)
        appendLog(texts().logFoundInBootloader);
    if (!decideUpdate()) {
        app.lastSearch = SearchOutcome::foundDeclined;
        return;
    }
    if (app.resetSettingsDefault)
        setOptionControls(false, true);
    else
        setOptionControls(true, false);
    enableControl(Control::startButton, true);
    app.lastSearch = SearchOutcome::foundOffered;
}

void notFoundEnding()
{
    enableControl(Control::portList, true);
    enableControl(Control::searchButton, true);
    appendLog(texts().logDeviceNotFound);
    appendLog("\r\n");
    appendLog("\r\n");
    appendLog(separator);
    app.lastSearch = SearchOutcome::notFound;
}

void noPortsEnding()
{
    portListClear();
    portListAppend("");
    portListSelect(0);
    appendLog(texts().logNoComPorts);
    enableControl(Control::portList, true);
    enableControl(Control::searchButton, true);
    appendLog("\r\n");
    appendLog(separator);
}

// A reader answered the AT command on the open port: it was running its
// firmware, so it is whole, whoever it turns out to be.
void noteSwitchedReader(EchoHeard heard)
{
    app.reader = FoundReader{};
    app.reader.how = heard == EchoHeard::exact ? FoundBy::echo : FoundBy::distortedEcho;
    app.reader.firmware = FirmwareKnown::whole;
    snprintf(app.reader.port, sizeof app.reader.port, "%s", readerPort().name);
}

// The reader on the open port identified itself as the image's reader.
// One that gave back nothing of the AT command was in its bootloader
// already: its firmware is of unknown state, unless this run knew this very
// reader whole (it echoed earlier, nothing was written since).
void noteIdentifiedReader(const FoundReader& before)
{
    if (app.reader.how == FoundBy::nothing) {
        app.reader = FoundReader{};
        app.reader.how = FoundBy::silenceThenIdentify;
        const bool knownWhole = before.identified && before.firmware == FirmwareKnown::whole &&
                                sameReader(before.info, app.reportedInfo);
        app.reader.firmware = knownWhole ? FirmwareKnown::whole : FirmwareKnown::inBootloader;
    }
    app.reader.identified = true;
    app.reader.info = app.reportedInfo;
    snprintf(app.reader.port, sizeof app.reader.port, "%s", readerPort().name);
}

bool stopAsked()
{
    if (!jobStopRequested)
        return false;
    app.lastSearch = SearchOutcome::stopped;
    return true;
}

}  // namespace

UsbIdStrings formatUsbIds(uint32_t vidPid)
{
    UsbIdStrings ids;
    const unsigned vid = vidPid >> 16;
    const unsigned pid = vidPid & 0xFFFF;
    snprintf(ids.vidUpper, sizeof ids.vidUpper, "%04X", vid);
    snprintf(ids.pidUpper, sizeof ids.pidUpper, "%04X", pid);
    snprintf(ids.vidLower, sizeof ids.vidLower, "%04x", vid);
    snprintf(ids.pidLower, sizeof ids.pidLower, "%04x", pid);
    return ids;
}

bool findImageUsbPort(char name[portNameSize])
{
    const UsbIdStrings ids = formatUsbIds(app.expectedInfo.vidPid);
    return findUsbPort(name, ids.vidUpper, ids.pidUpper, "0200", ids.vidLower, ids.pidLower, "0200");
}

void searchPorts()
{
    // Every search starts with nothing known; what the last one knew is kept
    // only to recognise the same reader found again in its bootloader.
    const FoundReader before = app.reader;
    app.reader = FoundReader{};
    app.lastSearch = SearchOutcome::none;
    if (stopAsked())
        return;
    if (fillPortList()) {
        sortPortList();
    } else if (networkPorts().empty()) {
        app.lastSearch = SearchOutcome::noPorts;
        return;
    } else {
        portListClear();  // the network ports alone
    }
    appendNetworkPorts();

    bool found = false;
    switch (readerModel(app.expectedInfo.deviceType).search) {
    case SearchPath::serial:
        found = searchAllPorts(before);
        break;
    case SearchPath::usbSwitched:
        switchUsbReader();
        found = searchUsbPort(before);
        break;
    case SearchPath::usbIdentified:
        found = searchUsbPort(before);
        break;
    }
    if (!found)
        app.reader = FoundReader{};
    // foundEnding or notFoundEnding set the final outcome.
    if (app.lastSearch != SearchOutcome::stopped)
        app.lastSearch = found ? SearchOutcome::foundOffered : SearchOutcome::notFound;
}

void searchEnding()
{
    switch (app.lastSearch) {
    case SearchOutcome::noPorts:
        noPortsEnding();
        break;
    case SearchOutcome::foundOffered:
        foundEnding();
        break;
    case SearchOutcome::stopped:
        enableControl(Control::portList, true);
        enableControl(Control::searchButton, true);
        appendLog(texts().logStoppedNothingWritten);
        break;
    default:
        notFoundEnding();
        break;
    }
}

void searchDevice()
{
    searchPorts();
    searchEnding();
}

bool searchAllPorts(const FoundReader& before)
{
    Port& port = readerPort();
    sleepMs(500);
    appendLog(texts().logSearching);
    const int n = portListCount();
    setProgressRange(static_cast<unsigned>(n));
    // Each close rebuilds the list; the walk keeps n and reads entry i anew:
    // the COM ports (at most 50), then the network ports. A stop is taken
    // between ports, never inside a probe.
    int comPorts = 0;
    for (int i = 0; i < n && !stopAsked(); ++i) {
        char name[portTextSize];
        portListText(i, name, portTextSize);
        const bool onNetwork = isNetworkPort(name);
        if (!onNetwork && ++comPorts > maxProbedPorts)
            continue;
        appendLog(".");
        stepProgress();
        if (!openPort(&port, name, baudRate))
            continue;
        enableControl(Control::portList, false);
        // A reader already in its bootloader does not echo: it is asked to
        // identify all the same.
        const EchoHeard heard = switchToBootloader(port);
        if (heard != EchoHeard::none) {
            noteSwitchedReader(heard);
            sleepMs(60);
        }
        if (sendIdentify(port)) {
            sleepMs(500 + portRoundTripMs(port));
            if (readReply(port) == replyDeviceFits) {
                noteIdentifiedReader(before);
                resetProgress();
                return true;
            }
        }
        closePort(&port);
        app.reader = FoundReader{};
    }
    resetProgress();
    return false;
}

bool searchUsbPort(const FoundReader& before)
{
    Port& port = readerPort();
    sleepMs(500);
    appendLog(texts().logSearching);
    setProgressRange(1);
    appendLog(".");
    stepProgress();
    sleepMs(500);
    char name[portNameSize];
    if (findImageUsbPort(name) && openPort(&port, name, baudRate)) {
        enableControl(Control::portList, false);
        if (sendIdentify(port)) {
            sleepMs(60 + portRoundTripMs(port));
            if (readReply(port) == replyDeviceFits) {
                // A switch this search saw on another port says nothing of
                // the reader here (another reader may sit on it): without
                // one on this very port it counts as found in its bootloader.
                if (app.reader.how != FoundBy::nothing && strcmp(app.reader.port, port.name) != 0)
                    app.reader = FoundReader{};
                noteIdentifiedReader(before);
                resetProgress();
                return true;
            }
        }
    }
    closePort(&port);
    resetProgress();
    return false;
}

bool switchUsbReader()
{
    Port& port = readerPort();
    char name[portNameSize];
    if (stopAsked() || !findImageUsbPort(name))
        return false;
    if (!openPort(&port, name, baudRate))
        return false;
    appendLog(texts().logSwitchToBootloader);
    const EchoHeard heard = switchToBootloader(port);
    if (heard != EchoHeard::none)
        noteSwitchedReader(heard);
    sleepMs(60);
    closePort(&port);
    // The reader restarts as a bootloader device; give it 3.3 s to come back.
    setProgressPosition(0);
    for (int p = 3; p <= 99; p += 3) {
        setProgressPosition(p);
        sleepMs(100);
    }
    setProgressPosition(0);
    return heard != EchoHeard::none;
}

void prepareSearch()
{
    closePort(&readerPort());
    setControlText(Control::idLabel, "ID: 0; 0;");
    clearLog();
    printHeader();
    setOptionControls(false, !isChecked(Control::updateOption));
    enableControl(Control::startButton, false);
}
