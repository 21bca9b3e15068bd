#include "frontends/cli/service_record.h"

#include <cstdio>

#include "app/shared_file.h"
#include "app/system.h"
#include "image/image_identity.h"

#ifndef FLINTWELL_VERSION
#error "FLINTWELL_VERSION must give the program's version"
#endif

namespace {

// A byte-order mark first, so that a spreadsheet reads the file as UTF-8.
const char header[] =
    "\xEF\xBB\xBFtime (UTC),computer,port,device,series,change,pcb,barcode,firmware found,firmware in the image,"
    "settings reset,result,duration (s),program version,image SHA-256\r\n";

// A field as CSV has it: quoted, with quotes doubled, when it holds a
// separator, a quote or a line break.
std::string field(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string hexByte(uint32_t value, int shift)
{
    char text[4];
    snprintf(text, sizeof text, "%02X", static_cast<unsigned>((value >> shift) & 0xFF));
    return text;
}

}  // namespace

// The image column names the release that updated the reader: its note gives
// the same SHA-256 of the packed image.
std::string serviceRecordRow(const ReaderResult& r, const std::string& time, const std::string& computer,
                             const std::string& image)
{
    std::string row = time + "," + field(computer) + "," + field(r.port) + ",";
    if (r.found) {
        char barcode[16];
        snprintf(barcode, sizeof barcode, "%010u", static_cast<unsigned>(r.barcode));
        row += field(deviceName(r.deviceType)) + "," + hexByte(r.hardware, 16) + "," + hexByte(r.hardware, 8) + "," +
               hexByte(r.hardware, 0) + "," + barcode + "," + versionText(r.firmwareFound) + ",";
    } else {
        row += ",,,,,,";
    }
    char seconds[32];
    snprintf(seconds, sizeof seconds, "%.1f", r.seconds);
    row += versionText(r.firmwareImage) + "," + (r.resetSettings ? "yes" : "no") + "," + field(resultText(r)) + "," +
           seconds + "," FLINTWELL_VERSION "," + image + "\r\n";
    return row;
}

bool appendServiceRecord(const char* path, const std::vector<ReaderResult>& results, std::string* reason)
{
    const std::string time = utcTimeText(), computer = computerName(), image = carriedImageSha256();
    std::string rows;
    for (const ReaderResult& r : results)
        rows += serviceRecordRow(r, time, computer, image);
    int error = 0;
    if (appendShared(path, header, rows, &error))
        return true;
    *reason = systemErrorText(error);
    return false;
}
