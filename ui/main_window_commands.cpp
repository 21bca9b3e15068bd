#include "ui/main_window_commands.h"

#include "app/app_state.h"
#include "ui/text_table.h"
#include "ui/window.h"
#include "workflow/device_search.h"

namespace {
constexpr unsigned countdownTimerId = 1;
constexpr int countdownTicksTotal = 100;
}  // namespace

void startCountdown()
{
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
    searchDevice();
    enableControl(Control::mainWindow, true);
}

void searchCommand()
{
    enableControl(Control::mainWindow, false);
    enableControl(Control::portList, false);
    enableControl(Control::searchButton, false);
    prepareSearch();
    startCountdown();
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
    checkLanguageMenu(newLanguage);
    app.language = newLanguage;
    relabelControls();
    rebuildMenus();
    prepareSearch();
    enableControl(Control::portList, true);
    enableControl(Control::searchButton, true);
    app.updateDone = false;
}
