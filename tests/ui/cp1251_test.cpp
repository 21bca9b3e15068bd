// Code page 1251 both ways, at build time (the program's texts) and at run
// time (what the window shows and the console prints), against bytes
// written out by hand.
#include "ui/cp1251.h"

#include <gtest/gtest.h>

#include <string>

static_assert(std::string_view(cp1251<"АЯЁё№">.data(), 6) == std::string_view("\xC0\xDF\xA8\xB8\xB9", 6));
static_assert(cp1251Representable<"Ёё«»–—№€ ASCII \r\n\t">);
static_assert(!cp1251Representable<"日本"> && !cp1251Representable<"Ω"> && !cp1251Representable<"\xC0\x80">);

TEST(Cp1251, CharactersBothWaysAndThoseWithNoCp1251Form)
{
    enum Way { bothWays, toCp1251Only, toUtf8Only };
    const struct {
        std::string utf8;
        std::string cp1251;
        Way way;
    } cases[] = {
        {"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ",
         "\xC0\xC1\xC2\xC3\xC4\xC5\xA8\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF\xD0\xD1\xD2\xD3\xD4\xD5\xD6\xD7\xD8\xD9"
         "\xDA\xDB\xDC\xDD\xDE\xDF", bothWays},
        {"абвгдеёжзийклмнопрстуфхцчшщъыьэюя",
         "\xE0\xE1\xE2\xE3\xE4\xE5\xB8\xE6\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF\xF0\xF1\xF2\xF3\xF4\xF5\xF6\xF7\xF8\xF9"
         "\xFA\xFB\xFC\xFD\xFE\xFF", bothWays},
        {"«»–—№€", "\xAB\xBB\x96\x97\xB9\x88", bothWays},
        {"\xC2\xA0ЂҐ", "\xA0\x80\xA5", bothWays},  // no-break space, Serbian Dje, Ukrainian Ghe with upturn
        {"a\r\n\tz ~", "a\r\n\tz ~", bothWays},
        {std::string("a\0b", 3), std::string("a\0b", 3), bothWays},
        {"a\xEF\xBF\xBDz", "a\x98z", toUtf8Only},  // 0x98 is no character
        {"日本", "??", toCp1251Only},
        {"a😀b", "a?b", toCp1251Only},
        {"Ω", "?", toCp1251Only},
        {"x\xFFy", "x?y", toCp1251Only},
        {"\xC0\x80", "??", toCp1251Only},  // overlong: both bytes refused
        {"ok\xD0", "ok?", toCp1251Only},   // cut at the end
        {"\xE2\x84", "??", toCp1251Only},  // cut three-byte sequence
        {"\xD0Я", "?\xDF", toCp1251Only},  // resumes after a bad lead byte
    };
    for (const auto& c : cases) {
        if (c.way != toUtf8Only) {
            EXPECT_EQ(utf8ToCp1251(c.utf8), c.cp1251) << c.utf8;
        }
        if (c.way != toCp1251Only) {
            EXPECT_EQ(cp1251ToUtf8(c.cp1251.c_str()), c.utf8.c_str()) << c.utf8;
        }
    }
    EXPECT_EQ(cp1251ToUtf8(nullptr), "");
}
