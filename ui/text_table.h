// Every text the operator sees, one table per language (ui/texts_*.cpp;
// the languages themselves are ui/languages.h). Texts are Windows-1251 byte
// strings; the source spells them in readable UTF-8 and the compiler
// converts them (ui/cp1251.h).
#pragma once
#include <cstdint>

// How many ways one reader of a batch can end (frontends/cli/reader_result.h).
constexpr int batchOutcomeCount = 10;

struct TextTable {
    // Captions, menus and boxes
    const char* windowTitle;
    const char* menuFile;
    const char* menuTools;
    const char* menuHelp;
    const char* menuQuit;
    const char* menuLanguage;
    const char* menuHelpItem;
    const char* menuAbout;
    const char* messageCaption;
    const char* captionSearch;
    const char* captionUpdate;
    const char* captionUpdateReset;
    const char* captionStart;
    const char* labelVer;
    const char* labelSer;
    const char* labelVar;
    const char* labelPcb;
    const char* errorHexLoad;
    const char* errorAppconfigLoad;

    // Log and question texts
    const char* logDeviceManager;
    const char* logNoComPorts;
    const char* logSwitchToBootloader;
    const char* logSearching;
    const char* logDeviceNotFound;
    const char* logDeviceFound;
    const char* reportPort;
    const char* reportInterface;
    const char* reportDeviceType;
    const char* reportSeries;
    const char* reportChange;
    const char* reportExecutionPcb;
    const char* reportBarcode;
    const char* reportCipherId;
    const char* reportSoftwareVersion;
    const char* logDeviceNewer;
    const char* askDeviceNewer;
    const char* logVersionsSame;
    const char* askVersionsSame;
    const char* logUpdateRequired;
    const char* logPortReadError;
    const char* logPortWriteError;
    const char* logWritingFlash;
    const char* logRecordingInterrupted;
    const char* logHexParseException;
    const char* logHexReadError;
    const char* logMemoryError;
    const char* logResetSettings;
    const char* logResetDevice;
    const char* logFailed;
    const char* logNoSettingsResetAck;
    const char* logNoDeviceResetAck;
    const char* logUpdateFailed;
    const char* logUpdateSuccessful;

    // Keeping the reader reachable
    const char* logFoundInBootloader;
    const char* logStaysInBootloader;
    const char* logFinishWithSearch;
    const char* logFinishByRunningAgain;
    const char* logJobNotStarted;
    const char* logStoppedNothingWritten;  // a stop request ended the run before any block
    const char* sessionEndReason;  // shown by Windows when it would end the session mid-job

    // The console updater's batch
    const char* batchSearching;
    const char* batchUpdating;
    const char* batchOutcomes[batchOutcomeCount];  // in the order of the batch's outcomes; %u: the block
    const char* batchSummary;          // %d updated, %d declined, %d without a reader, %d failed
    const char* batchFailedPorts;      // followed by the ports
    const char* batchStayInBootloader;
    const char* batchRecordFailed;     // %s the file, %s the reason

    // Serial ports on the network in the window: File > Network port... and
    // its dialog, and the addresses given with --port
    const char* menuNetworkPort;
    const char* networkDialogCaption;
    const char* networkAddressLabel;    // over the HOST:PORT field
    const char* networkRfc2217;
    const char* networkRawTcp;
    const char* networkPortsLabel;      // over the list of the ports added
    const char* networkRemove;
    const char* networkOk;
    const char* networkCancel;
    const char* networkPortRefused;     // %s the address, %s what is wrong with it
    const char* networkPortNotNetwork;  // what is wrong with a local port given as one

    uint16_t messageBoxLanguage;  // 0 neutral (Russian), 9 English
};

constexpr uint8_t languageRussian = 0;  // the language every start begins with
constexpr uint8_t languageEnglish = 1;

// Points app.texts at the table of app.language (ui/languages.h); any other
// language value leaves the table as it is. Touches no window.
void applyTexts();

// Shorthand for the current table. Before any is chosen, the Russian one:
// the program always starts in Russian.
inline const TextTable& texts();
#include "app/app_state.h"
extern const TextTable russianTexts;
inline const TextTable& texts() { return app.texts ? *app.texts : russianTexts; }
