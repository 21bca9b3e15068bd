#include "link/frame.h"

#include <cstring>

#include "app/app_state.h"
#include "app/bytes.h"
#include "link/crc8.h"

namespace {

}  // namespace

int buildFrame(uint8_t* frame, PacketKey key, const FrameFields& fields, const uint8_t* data, int dataLength,
               int fillerLength)
{
    frame[0] = static_cast<uint8_t>(key);
    putBigEndian32(frame + frameDeviceOffset, fields.device);
    frame[frameCodeOffset] = fields.code;
    frame[frameCountOffset] = fields.count;
    putBigEndian32(frame + frameAddressOffset, fields.address);
    int at = frameDataOffset;
    if (dataLength > 0)
        memcpy(frame + at, data, static_cast<size_t>(dataLength));
    at += dataLength;
    for (int i = 0; i < fillerLength; ++i)
        frame[at++] = static_cast<uint8_t>(randomByte());
    frame[at] = crc8(frame + 1, static_cast<uint8_t>(at - 1));
    const int length = at + 1;
    maskBytes(key, frame + 1, static_cast<uint8_t>(length - 1));
    return length;
}

int buildReplyFrame(uint8_t* frame, PacketKey key, const FrameFields& fields, const uint8_t* data)
{
    const int unpadded = frameOverhead + fields.count;  // key byte included
    const int filler = (4 - (unpadded - 1) % 4) % 4;
    return buildFrame(frame, key, fields, data, fields.count, filler);
}

bool openFrame(uint8_t* frame, int length, PacketKey* key, FrameFields* fields)
{
    if (length < minFrameLength || length > maxFrameLength || length % 2 == 0)
        return false;
    PacketKey found = 0;
    if (!findPacketKey(frame[0], &found))
        return false;
    maskBytes(found, frame + 1, static_cast<uint8_t>(length - 1));
    if (crc8(frame + 1, static_cast<uint8_t>(length - 1)) != 0)
        return false;
    *key = found;
    fields->device = bigEndian32(frame + frameDeviceOffset);
    fields->code = frame[frameCodeOffset];
    fields->count = frame[frameCountOffset];
    fields->address = bigEndian32(frame + frameAddressOffset);
    return true;
}

int frameDataCount(uint8_t count, int length)
{
    const int held = length - frameOverhead;
    if (held <= 0)
        return 0;
    return count < held ? count : held;
}

bool parseReply(uint8_t* frame, int receivedLength)
{
    PacketKey key = 0;
    FrameFields fields{};
    if (!openFrame(frame, receivedLength, &key, &fields))
        return false;
    LinkReply& reply = app.linkReply;
    reply.key = key;
    reply.device = fields.device;
    reply.code = fields.code;
    reply.count = fields.count;
    reply.address = fields.address;
    memcpy(reply.data, frame + frameDataOffset, static_cast<size_t>(frameDataCount(fields.count, receivedLength)));
    return true;
}
