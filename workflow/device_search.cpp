#include "workflow/device_search.h"

#include <cstdio>

#include "app/app_state.h"
#include "app/system.h"
#include "link/bootloader_commands.h"
#include "link/bootloader_switch.h"
#include "ports/port_access.h"
#include "ports/port_list.h"
#include "ports/usb_lookup.h"
#include "ui/option_controls.h"
#include "ui/reports.h"
#include "ui/text_table.h"
#include "ui/window.h"
#include "workflow/update_decision.h"

namespace {

constexpr uint32_t baudRate = 19200;
constexpr int maxProbedPorts = 50;
const char separator[] = "\r\n------------------------------------------------";

void foundEnding()
{
    selectPortInList(app.portName);
    enableControl(Control::portList, false);
    enableControl(Control::searchButton, false);
    appendLog(texts().logDeviceFound);
    printDeviceReport(app.portName);
    if (app.foundInBootloader) {
        appendLog(texts().logFoundInBootloader);
        // Known whole only if it is the reader that echoed in this run and
        // nothing was written to it since.
        app.readerWhole = app.readerWhole && app.reportedInfo.barcode == app.wholeReaderBarcode;
    } else {
        app.readerWhole = true;
        app.wholeReaderBarcode = app.reportedInfo.barcode;
    }
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

bool findImageUsbPort()
{
    const UsbIdStrings ids = formatUsbIds(app.expectedInfo.vidPid);
    return findUsbPort(app.portName, ids.vidUpper, ids.pidUpper, "0200", ids.vidLower, ids.pidLower, "0200");
}

void searchPorts()
{
    app.foundInBootloader = false;
    if (!fillPortList()) {
        app.lastSearch = SearchOutcome::noPorts;
        return;
    }
    sortPortList();

    bool found;
    switch (app.expectedInfo.deviceType) {
    case deviceTypeKru:
    case deviceTypeKrm:
        found = searchAllPorts();
        break;
    case deviceTypeUsbMain:
    case deviceTypeUsbPwr:
        // A reader that did not confirm the switch was already in its
        // bootloader (or is not there at all).
        app.foundInBootloader = !switchUsbReader();
        found = searchUsbPort();
        break;
    default:
        found = searchUsbPort();
        break;
    }
    // foundEnding or notFoundEnding set the final outcome.
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

bool searchAllPorts()
{
    sleepMs(500);
    appendLog(texts().logSearching);
    const int n = portListCount();
    setProgressRange(static_cast<unsigned>(n));
    // Each close rebuilds the list; the walk keeps n and reads entry i anew.
    for (int i = 0; i < n && i < maxProbedPorts; ++i) {
        appendLog(".");
        stepProgress();
        portListText(i, app.portName, portNameSize);
        if (!openPort(app.portName, baudRate))
            continue;
        app.portOpen = true;
        enableControl(Control::portList, false);
        const bool switched = switchToBootloader();
        // A reader already in its bootloader does not echo: it is asked to
        // identify all the same.
        if (switched)
            sleepMs(60);
        if (sendIdentify()) {
            sleepMs(500);
            if (readReply() == replyDeviceFits) {
                app.foundInBootloader = !switched;
                resetProgress();
                return true;
            }
        }
        closePort();
    }
    resetProgress();
    return false;
}

bool searchUsbPort()
{
    sleepMs(500);
    appendLog(texts().logSearching);
    setProgressRange(1);
    appendLog(".");
    stepProgress();
    sleepMs(500);
    if (findImageUsbPort() && openPort(app.portName, baudRate)) {
        app.portOpen = true;
        enableControl(Control::portList, false);
        if (sendIdentify()) {
            sleepMs(60);
            if (readReply() == replyDeviceFits) {
                resetProgress();
                return true;
            }
        }
    }
    closePort();
    resetProgress();
    return false;
}

bool switchUsbReader()
{
    if (!findImageUsbPort())
        return false;
    if (!openPort(app.portName, baudRate))
        return false;
    app.portOpen = true;
    appendLog(texts().logSwitchToBootloader);
    const bool switched = switchToBootloader();
    if (switched) {
        // It was running its firmware: whole, whichever reader it is.
        app.readerWhole = true;
        app.wholeReaderBarcode = 0;
    }
    sleepMs(60);
    closePort();
    // The reader restarts as a bootloader device; give it 3.3 s to come back.
    setProgressPosition(0);
    for (int p = 3; p <= 99; p += 3) {
        setProgressPosition(p);
        sleepMs(100);
    }
    setProgressPosition(0);
    return switched;
}

void prepareSearch()
{
    closePort();
    setControlText(Control::idLabel, "ID: 0; 0;");
    clearLog();
    printHeader();
    setOptionControls(false, !isChecked(Control::updateOption));
    enableControl(Control::startButton, false);
}
