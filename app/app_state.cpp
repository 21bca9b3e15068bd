#include "app/app_state.h"

AppState app;
std::atomic<bool> jobStopRequested{false};

void resetAppState()
{
    app = AppState{};
    app.upperAddress = 0x0800;
    jobStopRequested = false;
}
