#include "ui/cp1251.h"

namespace {

void appendUtf8(std::string& out, char32_t codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        // 1251 reaches no further than U+FFFD, so three bytes suffice.
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

}  // namespace

std::string cp1251ToUtf8(const char* bytes)
{
    std::string out;
    if (bytes == nullptr) return out;
    for (const char* p = bytes; *p != '\0'; ++p) {
        appendUtf8(out, cp1251CodePoint(static_cast<unsigned char>(*p)));
    }
    return out;
}

std::string utf8ToCp1251(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t codePoint = 0;
        std::size_t size = decodeUtf8(text.data(), text.size(), pos, codePoint);
        if (size == 0) {
            out += '?';
            ++pos;
            continue;
        }
        int byte = cp1251ByteOf(codePoint);
        out += byte >= 0 ? static_cast<char>(byte) : '?';
        pos += size;
    }
    return out;
}
