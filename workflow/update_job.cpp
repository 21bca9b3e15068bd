#include "workflow/update_job.h"

#include "app/system.h"
#include "workflow/flash_writer.h"
#include "link/bootloader_commands.h"
#include "ports/port_access.h"
#include "workflow/commands.h"
#include "ui/option_controls.h"
#include "ui/window.h"
#include "workflow/reader_port.h"
#include "workflow/worker.h"

namespace {

const char banner[] = "\r\n++++++++++++++++++++++++++++++++++++++++++++++++";
const char ok[] = "\r\n>> OK";

bool jobResetsSettings;  // the operator's choice, read on the window thread at START
const char* TextTable::*finishHint = &TextTable::logFinishWithSearch;

// The job's requests go out only while nobody asked it to stop (the end of
// the session asks too).
bool stopped()
{
    return jobStopRequested;
}

// One reset request, 20 ms, its acknowledgement; a stop sends nothing.
bool resetAcknowledged(const char* announcement, bool (*send)(Port&))
{
    Port& port = readerPort();
    appendLog(announcement);
    if (stopped()) {
        appendLog(texts().logRecordingInterrupted);
        return false;
    }
    send(port);
    sleepMs(20 + portRoundTripMs(port));
    if (readReply(port) != replyAcknowledged)
        return false;
    appendLog(ok);
    return true;
}

bool resetFailed(JobOutcome outcome, const char* noAcknowledgement)
{
    if (stopped()) {
        app.lastJob = JobOutcome::stopped;
    } else {
        app.lastJob = outcome;
        appendLog(noAcknowledgement);
    }
    return false;
}

}  // namespace

void setFinishHint(const char* TextTable::*hint)
{
    finishHint = hint;
}

void startUpdateJob()
{
    // After a stop request nothing more is written in this process.
    if (app.activity != Activity::idle || app.lastSearch != SearchOutcome::foundOffered || !portIsOpen(readerPort()) ||
        workerBusy() || jobStopRequested)
        return;
    app.activity = Activity::updating;
    enableControl(Control::mainWindow, false);
    const bool resetChosen = !isChecked(Control::updateOption);
    setOptionControls(false, resetChosen);
    enableControl(Control::startButton, false);
    jobResetsSettings = isChecked(Control::resetOption);
    setSessionEndReason(texts().sessionEndReason);

    if (startWorker(updateJobThread, updateJobEnded))
        return;
    // Nothing was sent: the reader is as the search left it, START again.
    app.lastJob = JobOutcome::notStarted;
    appendLog(texts().logJobNotStarted);
    setSessionEndReason(nullptr);
    setOptionControls(!app.resetSettingsDefault, resetChosen);
    enableControl(Control::startButton, true);
    endActivity();
}

void updateJobThread()
{
    const bool succeeded = flashAndReset(jobResetsSettings);
    appendLog(banner);
    appendLog(succeeded ? texts().logUpdateSuccessful : texts().logUpdateFailed);
    if (!succeeded) {
        appendLog(texts().logStaysInBootloader);
        appendLog(texts().*finishHint);
    }

    closePort(&readerPort());
    // The window comes back on the window thread, in updateJobEnded, together
    // with the end of the job's activity: a command that the enabled window
    // lets through is never refused as arriving during the job.
}

bool flashAndReset(bool resetSettings)
{
    // From the first block on, the reader's firmware is no longer whole.
    app.reader.firmware = FirmwareKnown::halfWritten;
    app.blocksWritten = 0;
    app.jobBlock = 0;
    appendLog(texts().logWritingFlash);
    if (!flashImage(readerPort())) {
        app.lastJob = stopped() ? JobOutcome::stopped : JobOutcome::failedWriting;
        app.jobBlock = static_cast<uint16_t>(app.blocksWritten + 1);
        appendLog(texts().logFailed);
        return false;
    }
    appendLog(ok);
    if (resetSettings && !resetAcknowledged(texts().logResetSettings, sendResetSettings))
        return resetFailed(JobOutcome::failedAtSettingsReset, texts().logNoSettingsResetAck);
    if (!resetAcknowledged(texts().logResetDevice, sendResetDevice))
        return resetFailed(JobOutcome::failedAtDeviceReset, texts().logNoDeviceResetAck);
    app.updateDone = true;
    app.reader.firmware = FirmwareKnown::whole;
    app.lastJob = JobOutcome::updated;
    return true;
}

void updateJobEnded()
{
    setSessionEndReason(nullptr);
    enableControl(Control::portList, true);
    enableControl(Control::searchButton, true);
    endActivity();
}
