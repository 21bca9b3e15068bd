// The console front end's exit statuses, also listed by --help and in the
// README.
#pragma once

enum ExitStatus {
    exitUpdated = 0,
    exitUsage = 1,
    exitStartUpFailed = 2,
    exitNoPorts = 3,
    exitDeviceNotFound = 4,
    exitNotUpdated = 5,
    exitUpdateFailed = 6,
    exitRecordFailed = 7,
};

// The console front end's own entry, with the arguments in UTF-8 (the
// platform's main passes them on).
int cliMain(int argc, char** argv);
