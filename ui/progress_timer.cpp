#include "ui/text_table.h"
#include "ui/window.h"

void startProgressTimer(unsigned timerId, unsigned periodMs, unsigned steps)
{
    setProgressRange(steps);
    startTimer(timerId, periodMs < 10 ? 10 : periodMs);
    if (timerId == 1)
        appendLog(texts().logDeviceManager);
}
