// Windows-1251 (Cyrillic) texts. The Russian texts are written as readable
// UTF-8 in the source and turned into 1251 bytes by the compiler:
//
//     cp1251<"Файл">          a std::array<char, 5> {0xD4, 0xE0, 0xE9, 0xEB, 0}
//     cp1251<"Файл">.data()   a constant pointer with static storage
//
// A character that 1251 cannot hold, or malformed UTF-8, stops the build.
// The run-time converters serve the layers that hand texts to UTF-8 or
// UTF-16 interfaces.
#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// The compile-time conversion reads ordinary literals as UTF-8.
static_assert(static_cast<unsigned char>("Ж"[0]) == 0xD0 &&
                  static_cast<unsigned char>("Ж"[1]) == 0x96,
              "compile with a UTF-8 execution character set");

// Code points of the bytes 0x80..0xBF; 0 marks 0x98, which 1251 leaves
// unassigned. 0x00..0x7F is ASCII and 0xC0..0xFF is U+0410..U+044F.
inline constexpr char16_t cp1251UpperHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

constexpr char32_t replacementCharacter = 0xFFFD;

// The 1251 byte of a code point, or -1 when 1251 has none.
constexpr int cp1251ByteOf(char32_t codePoint)
{
    if (codePoint < 0x80) return static_cast<int>(codePoint);
    if (codePoint >= 0x410 && codePoint <= 0x44F) return static_cast<int>(codePoint - 0x410 + 0xC0);
    for (int i = 0; i < 64; ++i) {
        if (cp1251UpperHalf[i] != 0 && cp1251UpperHalf[i] == codePoint) return 0x80 + i;
    }
    return -1;
}

// The code point of a 1251 byte; the unassigned 0x98 gives U+FFFD.
constexpr char32_t cp1251CodePoint(unsigned char byte)
{
    if (byte < 0x80) return byte;
    if (byte >= 0xC0) return 0x410 + (byte - 0xC0);
    char32_t codePoint = cp1251UpperHalf[byte - 0x80];
    return codePoint != 0 ? codePoint : replacementCharacter;
}

// Decodes the UTF-8 sequence that starts at text[pos] (pos < length) without
// reading past text[length - 1]. Returns its length in bytes and sets
// codePoint, or returns 0 for a malformed, overlong or surrogate sequence.
constexpr std::size_t decodeUtf8(const char* text, std::size_t length, std::size_t pos,
                                 char32_t& codePoint)
{
    unsigned char lead = static_cast<unsigned char>(text[pos]);
    std::size_t size;
    char32_t value;
    char32_t smallest;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        size = 2, value = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        size = 3, value = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        size = 4, value = lead & 0x07, smallest = 0x10000;
    } else {
        return 0;
    }
    if (length - pos < size) return 0;
    for (std::size_t i = 1; i < size; ++i) {
        unsigned char next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    codePoint = value;
    return size;
}

// Number of 1251 bytes that a UTF-8 text becomes, or -1 when it is malformed
// or holds a character that 1251 cannot hold.
constexpr long cp1251Length(const char* text, std::size_t length)
{
    long count = 0;
    std::size_t pos = 0;
    while (pos < length) {
        char32_t codePoint = 0;
        std::size_t size = decodeUtf8(text, length, pos, codePoint);
        if (size == 0 || cp1251ByteOf(codePoint) < 0) return -1;
        pos += size;
        ++count;
    }
    return count;
}

// A UTF-8 string literal carried as a template argument.
template <std::size_t N>
struct Utf8Literal {
    char text[N] {};
    constexpr Utf8Literal(const char (&literal)[N])
    {
        for (std::size_t i = 0; i < N; ++i) text[i] = literal[i];
    }
    constexpr std::size_t length() const { return N - 1; }  // without the terminator
};

template <Utf8Literal S>
inline constexpr bool cp1251Representable = cp1251Length(S.text, S.length()) >= 0;

template <Utf8Literal S>
constexpr auto makeCp1251()
{
    constexpr long length = cp1251Length(S.text, S.length());
    static_assert(length >= 0, "text is not UTF-8 or holds a character that Windows-1251 cannot hold");
    std::array<char, (length >= 0 ? length : 0) + 1> out {};
    std::size_t pos = 0;
    std::size_t at = 0;
    while (pos < S.length() && at + 1 < out.size()) {
        char32_t codePoint = 0;
        pos += decodeUtf8(S.text, S.length(), pos, codePoint);
        out[at++] = static_cast<char>(cp1251ByteOf(codePoint));
    }
    return out;
}

// The 1251 bytes of a UTF-8 literal, zero-terminated, made at compile time.
// One object per distinct text, so .data() may go into constant tables.
template <Utf8Literal S>
inline constexpr auto cp1251 = makeCp1251<S>();

// A zero-terminated 1251 text as UTF-8; 0x98 becomes U+FFFD. A null pointer
// gives an empty string.
std::string cp1251ToUtf8(const char* bytes);

// A UTF-8 text as 1251; each character 1251 cannot hold, and each malformed
// byte, becomes '?'.
std::string utf8ToCp1251(std::string_view text);
