#include "workflow/update_job.h"

#include <atomic>

#include "app/app_state.h"
#include "app/system.h"
#include "image/hex_stream.h"
#include "link/bootloader_commands.h"
#include "ports/port_access.h"
#include "ui/option_controls.h"
#include "ui/text_table.h"
#include "ui/window.h"

namespace {

constexpr int statusAck = 170;
constexpr unsigned jobTimerId = 2;
const char banner[] = "\r\n++++++++++++++++++++++++++++++++++++++++++++++++";
const char ok[] = "\r\n>> OK";

std::atomic<bool> jobActive{false};

}  // namespace

void startUpdateJob()
{
    bool idle = false;
    if (!jobActive.compare_exchange_strong(idle, true))
        return;
    app.jobThread = startThread(updateJobThread);
}

void updateJobThread()
{
    enableControl(Control::mainWindow, false);
    setOptionControls(false, !isChecked(Control::updateOption));
    enableControl(Control::startButton, false);
    const bool resetSettings = isChecked(Control::resetOption);

    const bool succeeded = flashAndReset(resetSettings);
    appendLog(banner);
    appendLog(succeeded ? texts().logUpdateSuccessful : texts().logUpdateFailed);

    closePort();
    enableControl(Control::portList, true);
    enableControl(Control::searchButton, true);
    enableControl(Control::mainWindow, true);
    startTimer(jobTimerId, 10);
}

bool flashAndReset(bool resetSettings)
{
    appendLog(texts().logWritingFlash);
    if (!flashImage()) {
        appendLog(texts().logFailed);
        return false;
    }
    appendLog(ok);
    if (resetSettings) {
        appendLog(texts().logResetSettings);
        sendResetSettings();
        sleepMs(20);
        if (readReply() != statusAck) {
            appendLog(texts().logNoSettingsResetAck);
            return false;
        }
        appendLog(ok);
    }
    appendLog(texts().logResetDevice);
    sendResetDevice();
    sleepMs(20);
    if (readReply() != statusAck) {
        appendLog(texts().logNoDeviceResetAck);
        return false;
    }
    appendLog(ok);
    app.updateDone = true;
    return true;
}

void onJobTimer()
{
    stopTimer(jobTimerId);
    if (app.jobThread) {
        closeThreadHandle(app.jobThread);
        app.jobThread = 0;
    }
    jobActive = false;
}

bool updateJobActive()
{
    return jobActive;
}
