#include "link/crc8.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

uint8_t reflect8(uint8_t v)
{
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i)
        if (v & (1 << i))
            r |= static_cast<uint8_t>(1 << (7 - i));
    return r;
}

// The same CRC computed the other way round: most significant bit first with
// the unreflected polynomial x^8 + x^5 + x^4 + 1 (0x31) on bit-reversed input,
// the result reversed back.
uint8_t referenceCrc(const uint8_t* bytes, size_t length)
{
    uint8_t crc = 0;
    for (size_t i = 0; i < length; ++i) {
        crc ^= reflect8(bytes[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80) ? static_cast<uint8_t>((crc << 1) ^ 0x31) : static_cast<uint8_t>(crc << 1);
    }
    return reflect8(crc);
}

}  // namespace

TEST(Crc8, PublishedCheckValueAndEmptyInput)
{
    const char* check = "123456789";
    EXPECT_EQ(crc8(reinterpret_cast<const uint8_t*>(check), 9), 0xA1);
    EXPECT_EQ(crc8(nullptr, 0), 0);
}

TEST(Crc8, AgreesWithAnIndependentReferenceOnEveryByteAndOnLongInput)
{
    for (int b = 0; b < 256; ++b) {
        const uint8_t byte = static_cast<uint8_t>(b);
        ASSERT_EQ(crc8(&byte, 1), referenceCrc(&byte, 1)) << "byte " << b;
    }
    std::mt19937 gen(7);
    std::vector<uint8_t> data(255);
    for (int round = 0; round < 50; ++round) {
        for (auto& d : data)
            d = static_cast<uint8_t>(gen());
        const uint8_t length = static_cast<uint8_t>(gen() % 256);
        ASSERT_EQ(crc8(data.data(), length), referenceCrc(data.data(), length));
    }
}

TEST(Crc8, ASequenceFollowedByItsOwnCrcChecksToZero)
{
    std::mt19937 gen(11);
    uint8_t data[141];
    for (int length = 1; length < 140; length += 7) {
        for (int i = 0; i < length; ++i)
            data[i] = static_cast<uint8_t>(gen());
        data[length] = crc8(data, static_cast<uint8_t>(length));
        EXPECT_EQ(crc8(data, static_cast<uint8_t>(length + 1)), 0) << "length " << length;
    }
}
