#include "link/device_info.h"

#include "app/app_state.h"

namespace {

constexpr uint8_t identifyCode = 0xF0;
constexpr int matchStatus = 240;

// Big-endian number of width bytes, bit-inverted at that width.
uint32_t readInverted(const uint8_t* bytes, int width)
{
    uint32_t value = 0;
    for (int i = 0; i < width; ++i)
        value = (value << 8) | bytes[i];
    const uint32_t mask = width == 4 ? 0xFFFFFFFFu : ((1u << (8 * width)) - 1u);
    return ~value & mask;
}

void writeInverted(uint8_t* bytes, int width, uint32_t value)
{
    for (int i = width - 1; i >= 0; --i) {
        bytes[i] = static_cast<uint8_t>(~value);
        value >>= 8;
    }
}

}  // namespace

int decodeDeviceInfo(uint8_t code, const uint8_t* data, int dataCount)
{
    if (code != identifyCode)
        return code;
    DeviceInfo& info = app.reportedInfo;
    if (dataCount < deviceInfoWireSize) {
        // Too short to be a device: keep nothing of an earlier reply.
        info = DeviceInfo{};
        return deviceInfoMismatch;
    }
    info.interfaceCode = static_cast<uint8_t>(readInverted(data + 0, 1));
    info.interfaceVersion = static_cast<uint16_t>(readInverted(data + 1, 2));
    info.interfaceParameter = static_cast<uint8_t>(readInverted(data + 3, 1));
    info.barcode = readInverted(data + 4, 4);
    info.cipherId = readInverted(data + 8, 4);
    info.deviceType = readInverted(data + 12, 4);
    info.hardware = readInverted(data + 16, 4);
    info.softwareVersion = readInverted(data + 20, 4);
    info.vidPid = readInverted(data + 24, 4);
    info.flashStart = readInverted(data + 28, 4);
    info.flashEnd = readInverted(data + 32, 4);
    info.eepromStart = readInverted(data + 36, 4);
    info.eepromEnd = readInverted(data + 40, 4);
    return matchDeviceInfo() ? matchStatus : deviceInfoMismatch;
}

bool matchDeviceInfo()
{
    const DeviceInfo& r = app.reportedInfo;
    const DeviceInfo& e = app.expectedInfo;
    // The change byte (bits 8-15) of the hardware variant may differ.
    constexpr uint32_t hardwareMask = 0xFFFF00FFu;
    return r.interfaceCode == e.interfaceCode && r.interfaceVersion == e.interfaceVersion &&
           r.interfaceParameter == e.interfaceParameter && r.deviceType == e.deviceType &&
           (r.hardware & hardwareMask) == (e.hardware & hardwareMask) && r.flashStart == e.flashStart &&
           r.flashEnd == e.flashEnd && r.eepromStart == e.eepromStart && r.eepromEnd == e.eepromEnd;
}

void encodeDeviceInfo(const DeviceInfo& info, uint8_t wire[deviceInfoWireSize])
{
    writeInverted(wire + 0, 1, info.interfaceCode);
    writeInverted(wire + 1, 2, info.interfaceVersion);
    writeInverted(wire + 3, 1, info.interfaceParameter);
    writeInverted(wire + 4, 4, info.barcode);
    writeInverted(wire + 8, 4, info.cipherId);
    writeInverted(wire + 12, 4, info.deviceType);
    writeInverted(wire + 16, 4, info.hardware);
    writeInverted(wire + 20, 4, info.softwareVersion);
    writeInverted(wire + 24, 4, info.vidPid);
    writeInverted(wire + 28, 4, info.flashStart);
    writeInverted(wire + 32, 4, info.flashEnd);
    writeInverted(wire + 36, 4, info.eepromStart);
    writeInverted(wire + 40, 4, info.eepromEnd);
}
