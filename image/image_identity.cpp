#include "image/image_identity.h"

#include <cstdio>

#include "image/resources.h"
#include "image/sha256.h"
#include "link/reader_models.h"

std::string deviceName(uint32_t type)
{
    if (const char* name = readerModel(type).recordName)
        return name;
    char text[16];
    snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(type));
    return text;
}

std::string imageIdentityText(const DeviceInfo& info, const uint8_t* packed, uint32_t size)
{
    char version[16];
    snprintf(version, sizeof version, "%X.%02X", static_cast<unsigned>((info.softwareVersion >> 8) & 0xFF),
             static_cast<unsigned>(info.softwareVersion & 0xFF));
    return "firmware:       " + deviceName(info.deviceType) + " " + version + "\n" +
           "image SHA-256:  " + sha256Hex(packed, size) + "\n";
}

std::string carriedImageSha256()
{
    uint32_t size = 0;
    const uint8_t* packed = loadResourceBytes(imageResourceId, imageResourceType, &size);
    return packed == nullptr ? "" : sha256Hex(packed, size);
}
