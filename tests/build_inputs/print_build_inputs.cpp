// Prints what the program carries, read the way the updater reads it at
// start-up: the device information of the embedded image and the
// reset-settings default of the embedded configuration text. The
// build-input tests run it in builds made with other inputs.
#include <cstdio>

#include "app/app_state.h"
#include "image/start_up_load.h"
#include "ui/headless/headless_window.h"

int main()
{
    resetAppState();
    headlessEchoToStderr(true);
    if (!loadImageAtStart()) {
        fputs("loadImageAtStart failed\n", stderr);
        return 1;
    }
    if (!loadAppConfig()) {
        fputs("loadAppConfig failed\n", stderr);
        return 1;
    }
    const DeviceInfo& info = app.expectedInfo;
    printf("deviceType: 0x%08X\n", static_cast<unsigned>(info.deviceType));
    printf("hardware: 0x%08X\n", static_cast<unsigned>(info.hardware));
    printf("softwareVersion: 0x%08X\n", static_cast<unsigned>(info.softwareVersion));
    printf("barcode: 0x%08X\n", static_cast<unsigned>(info.barcode));
    printf("resetSettingsDefault: %d\n", app.resetSettingsDefault ? 1 : 0);
    return 0;
}
