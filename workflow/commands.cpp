#include "workflow/commands.h"

#include "app/app_state.h"
#include "ports/port_list.h"
#include "ui/text_table.h"
#include "ui/timer_ids.h"
#include "ui/window.h"
#include "workflow/device_search.h"
#include "workflow/worker.h"

namespace {
constexpr int countdownTicksTotal = 100;
// The search's ending on the window thread.
void searchEnded()
{
    searchEnding();
    endActivity();
}

}  // namespace

void startCountdown()
{
    app.activity = Activity::countdown;
    startProgressTimer(countdownTimerId, 10, countdownTicksTotal);
}

void countdownTick()
{
    stepProgress();
    if (++app.countdownTicks < countdownTicksTotal)
        return;
    app.countdownTicks = 0;
    stopTimer(countdownTimerId);
    setProgressPosition(0);
    app.activity = Activity::searching;
    // The ports are probed off the window thread, which goes on painting the
    // dots and the bar; without a worker the search runs here.
    if (!startWorker(searchPorts, searchEnded)) {
        searchPorts();
        searchEnded();
    }
}

void searchCommand()
{
    if (app.activity != Activity::idle)
        return;
    enableControl(Control::mainWindow, false);
    enableControl(Control::portList, false);
    enableControl(Control::searchButton, false);
    prepareSearch();
    startCountdown();
}

void networkPortCommand()
{
    if (app.activity != Activity::idle || !editNetworkPorts())
        return;
    refreshPortList();
    // A reader found before keeps its port shown.
    selectPortInList(app.reader.port);
}

void relabelControls()
{
    applyTexts();
    setControlText(Control::mainWindow, texts().windowTitle);
    setControlText(Control::searchButton, texts().captionSearch);
    setControlText(Control::updateOptionLabel, texts().captionUpdate);
    setControlText(Control::resetOptionLabel, texts().captionUpdateReset);
    setControlText(Control::startButton, texts().captionStart);
}

void switchLanguage(uint8_t newLanguage)
{
    if (app.activity != Activity::idle)
        return;
    checkLanguageMenu(newLanguage);
    app.language = newLanguage;
    relabelControls();
    rebuildMenus();
    prepareSearch();
    enableControl(Control::portList, true);
    enableControl(Control::searchButton, true);
    app.updateDone = false;
}

bool requestClose()
{
    // A countdown has not touched the port yet: it may end with the window.
    if (app.activity == Activity::searching || app.activity == Activity::updating) {
        app.closePending = true;
        return false;
    }
    stopTimer(countdownTimerId);
    app.activity = Activity::idle;
    closeMainWindow();
    return true;
}

void endActivity()
{
    app.activity = Activity::idle;
    enableControl(Control::mainWindow, true);
    carryOutPendingClose();
}

void carryOutPendingClose()
{
    if (app.closePending && app.activity == Activity::idle) {
        app.closePending = false;
        requestClose();
    }
}

bool sessionMayEnd()
{
    return app.activity != Activity::updating;
}

void endSession()
{
    app.sessionEnding = true;
    jobStopRequested = true;
}
