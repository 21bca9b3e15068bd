#include "workflow/reports.h"

#include <cstdio>

#include "app/app_state.h"
#include "link/reader_models.h"
#include "ui/text_table.h"
#include "ui/window.h"

namespace {

// No formatted report text comes near these: the version text of the header
// is at most 35 characters, a whole line at most 60.
constexpr int versionTextSize = 48;
constexpr int reportTextSize = 100;

unsigned byteAt(uint32_t value, int shift)
{
    return (value >> shift) & 0xFF;
}

// Size of a memory range in whole KiB; an end below its start gives the
// unsigned difference.
int kibibytes(uint32_t start, uint32_t end)
{
    return static_cast<int>((end - start) >> 10);
}

}  // namespace

void printHeader()
{
    const DeviceInfo& info = app.expectedInfo;
    const TextTable& t = texts();
    char version[versionTextSize];
    snprintf(version, sizeof version, "%X.%02X [%s.%02X %s.%02X %s.%02X]", byteAt(info.softwareVersion, 8),
             byteAt(info.softwareVersion, 0), t.labelSer, byteAt(info.hardware, 16), t.labelVar,
             byteAt(info.hardware, 8), t.labelPcb, byteAt(info.hardware, 0));
    appendLog("\r\n");

    const ReaderModel& model = readerModel(info.deviceType);
    if (model.name) {
        char line[reportTextSize];
        snprintf(line, sizeof line, "   %s %s.%s", model.name, t.labelVer, version);
        appendLog(line);
        appendLog(model.boardLines);
        appendLog(model.headerRule);
    } else {
        appendLog("\t\tUnknown device!");
        appendLog("\r\n\t\t+++++++++++++++");
    }
    appendLog("\r\n------------------------------------------------");
    appendLog("\r\n");
}

void printDeviceReport(const char* portName)
{
    const DeviceInfo& info = app.reportedInfo;
    const TextTable& t = texts();
    char value[reportTextSize];

    appendLog(t.reportPort);
    appendLog(portName);

    snprintf(value, sizeof value, "%02X/%X.%02X/%d", static_cast<unsigned>(info.interfaceCode),
             byteAt(info.interfaceVersion, 8), byteAt(info.interfaceVersion, 0),
             static_cast<int>(info.interfaceParameter));
    appendLog(t.reportInterface);
    appendLog(value);

    char barcode[reportTextSize];
    snprintf(barcode, sizeof barcode, "%010u [%08X]", static_cast<unsigned>(info.barcode),
             static_cast<unsigned>(info.barcode));
    appendLog(t.reportBarcode);
    appendLog(barcode);

    char cipher[reportTextSize];
    snprintf(cipher, sizeof cipher, "%010u [%d.%d.%d.%d]", static_cast<unsigned>(info.cipherId),
             static_cast<int>(byteAt(info.cipherId, 24)), static_cast<int>(byteAt(info.cipherId, 16)),
             static_cast<int>(byteAt(info.cipherId, 8)), static_cast<int>(byteAt(info.cipherId, 0)));
    appendLog(t.reportCipherId);
    appendLog(cipher);

    // The two ten-digit decimal numbers.
    snprintf(value, sizeof value, "ID: %.10s; %.10s;", barcode, cipher);
    setControlText(Control::idLabel, value);

    appendLog(t.reportDeviceType);
    appendLog(readerModel(info.deviceType).reportName);

    snprintf(value, sizeof value, "%02X", byteAt(info.hardware, 16));
    appendLog(t.reportSeries);
    appendLog(value);
    snprintf(value, sizeof value, "%02X", byteAt(info.hardware, 8));
    appendLog(t.reportChange);
    appendLog(value);
    snprintf(value, sizeof value, "%02X", byteAt(info.hardware, 0));
    appendLog(t.reportExecutionPcb);
    appendLog(value);

    snprintf(value, sizeof value, "%X.%02X", byteAt(info.softwareVersion, 8), byteAt(info.softwareVersion, 0));
    appendLog(t.reportSoftwareVersion);
    appendLog(value);

    snprintf(value, sizeof value, "%08X", static_cast<unsigned>(info.vidPid));
    appendLog("\r\n   > VID:PID:\t\t");
    appendLog(value);

    snprintf(value, sizeof value, "%dKB", kibibytes(info.flashStart, info.flashEnd));
    appendLog("\r\n   > Flash:\t\t");
    appendLog(value);

    snprintf(value, sizeof value, "%dKB", kibibytes(info.eepromStart, info.eepromEnd));
    appendLog("\r\n   > Eeprom:\t\t");
    appendLog(value);
}
