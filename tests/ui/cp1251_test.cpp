#include "ui/cp1251.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

template <std::size_t N>
std::string bytesOf(const std::array<char, N>& array)
{
    return std::string(array.data(), N);  // terminator included, so its presence is checked too
}

// Compile-time conversion: wrong bytes or a wrong length fail the build.
static_assert(cp1251<"Файл">.size() == 5);
static_assert(static_cast<unsigned char>(cp1251<"Файл">[0]) == 0xD4);
static_assert(cp1251<"">.size() == 1 && cp1251<"">[0] == '\0');
static_assert(cp1251Representable<"Ёё«»–—№€ ASCII \r\n\t">);
static_assert(!cp1251Representable<"日本">);
static_assert(!cp1251Representable<"Ω">);       // Greek, not in 1251
static_assert(!cp1251Representable<"😀">);      // four-byte sequence
static_assert(!cp1251Representable<"\xD0">);    // truncated sequence
static_assert(!cp1251Representable<"\xC0\x80">);  // overlong NUL
static_assert(!cp1251Representable<"\xED\xA0\x80">);  // UTF-16 surrogate
static_assert(!cp1251Representable<"\x80">);    // stray continuation byte

TEST(Cp1251Literal, ConvertsCyrillicAndPunctuation)
{
    EXPECT_EQ(bytesOf(cp1251<"Файл">), std::string("\xD4\xE0\xE9\xEB", 5));
    EXPECT_EQ(bytesOf(cp1251<"АЯая">), std::string("\xC0\xDF\xE0\xFF", 5));
    EXPECT_EQ(bytesOf(cp1251<"Ёё">), std::string("\xA8\xB8", 3));
    EXPECT_EQ(bytesOf(cp1251<"«»–—№">), std::string("\xAB\xBB\x96\x97\xB9", 6));
    EXPECT_EQ(bytesOf(cp1251<"a\r\n\tz ~">), std::string("a\r\n\tz ~", 8));
}

// The Russian alphabet in order, with Ё after Е; its 1251 bytes built apart.
const char* const upperAlphabet = "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ";
const char* const lowerAlphabet = "абвгдеёжзийклмнопрстуфхцчшщъыьэюя";

std::string alphabetBytes(unsigned char first, unsigned char yo)
{
    std::string out;
    for (int i = 0; i < 32; ++i) {
        out += static_cast<char>(first + i);
        if (i == 5) out += static_cast<char>(yo);
    }
    return out;
}

TEST(Cp1251Runtime, EveryCyrillicLetterBothWays)
{
    const std::string upper = alphabetBytes(0xC0, 0xA8);
    const std::string lower = alphabetBytes(0xE0, 0xB8);
    EXPECT_EQ(utf8ToCp1251(upperAlphabet), upper);
    EXPECT_EQ(utf8ToCp1251(lowerAlphabet), lower);
    EXPECT_EQ(cp1251ToUtf8(upper.c_str()), upperAlphabet);
    EXPECT_EQ(cp1251ToUtf8(lower.c_str()), lowerAlphabet);
}

TEST(Cp1251Runtime, EveryAssignedByteRoundTrips)
{
    std::set<std::string> seen;
    for (int byte = 1; byte <= 0xFF; ++byte) {
        if (byte == 0x98) continue;
        const char text[2] = {static_cast<char>(byte), '\0'};
        std::string utf8 = cp1251ToUtf8(text);
        ASSERT_GE(utf8.size(), 1u) << "byte " << byte;
        ASSERT_LE(utf8.size(), 3u) << "byte " << byte;
        EXPECT_NE(utf8, "\xEF\xBF\xBD") << "byte " << byte;
        EXPECT_EQ(utf8ToCp1251(utf8), std::string(1, text[0])) << "byte " << byte;
        seen.insert(utf8);
    }
    EXPECT_EQ(seen.size(), 254u);  // no two bytes share a character
}

TEST(Cp1251Runtime, KnownUpperHalfCharacters)
{
    EXPECT_EQ(cp1251ToUtf8("\x88"), "\xE2\x82\xAC");  // euro sign
    EXPECT_EQ(cp1251ToUtf8("\x96"), "\xE2\x80\x93");  // en dash
    EXPECT_EQ(cp1251ToUtf8("\xA0"), "\xC2\xA0");      // no-break space
    EXPECT_EQ(cp1251ToUtf8("\xB9"), "\xE2\x84\x96");  // numero sign
    EXPECT_EQ(cp1251ToUtf8("\x80"), "\xD0\x82");      // Serbian Dje
    EXPECT_EQ(cp1251ToUtf8("\xA5"), "\xD2\x90");      // Ukrainian Ghe with upturn
}

TEST(Cp1251Runtime, UnassignedByteAndNullInput)
{
    EXPECT_EQ(cp1251ToUtf8("a\x98z"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(utf8ToCp1251("\xEF\xBF\xBD"), "?");
    EXPECT_EQ(cp1251ToUtf8(nullptr), "");
    EXPECT_EQ(cp1251ToUtf8(""), "");
}

TEST(Cp1251Runtime, UnmappableAndMalformedBecomeQuestionMarks)
{
    EXPECT_EQ(utf8ToCp1251("日本"), "??");
    EXPECT_EQ(utf8ToCp1251("a😀b"), "a?b");
    EXPECT_EQ(utf8ToCp1251("x\xFFy"), "x?y");
    EXPECT_EQ(utf8ToCp1251("\xC0\x80"), "??");         // overlong: both bytes rejected
    EXPECT_EQ(utf8ToCp1251("ok\xD0"), "ok?");           // truncated at the end
    EXPECT_EQ(utf8ToCp1251("\xE2\x84"), "??");          // truncated three-byte sequence
    EXPECT_EQ(utf8ToCp1251("\xD0Я"), "?\xDF");          // resumes after a bad lead byte
    EXPECT_EQ(utf8ToCp1251(std::string_view("a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
