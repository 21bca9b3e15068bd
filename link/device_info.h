// The device information on the wire: decoded from an identify reply,
// matched against the image's, encoded as a reader sends it.
#pragma once
#include <cstdint>

#include "app/device_info.h"

// Length of the device information in an identify reply's data.
constexpr int deviceInfoWireSize = 44;

// Result of decodeDeviceInfo for a reply that does not fit the image; the
// callers of readReply see it as 255.
constexpr int deviceInfoMismatch = -1;

// For code 0xF0 decodes the reply's data into app.reportedInfo and returns
// 240 when it fits app.expectedInfo, -1 when not. dataCount is the number of
// data bytes the reply really carried: fewer than 44 decode nothing and do
// not match. Any other code is returned unchanged, nothing decoded.
int decodeDeviceInfo(uint8_t code, const uint8_t* data, int dataCount);

// True when app.reportedInfo fits app.expectedInfo.
bool matchDeviceInfo();

// The wire form of a DeviceInfo (big-endian, bit-inverted), as a reader
// sends it; used by the simulator and the tests.
void encodeDeviceInfo(const DeviceInfo& info, uint8_t wire[deviceInfoWireSize]);
