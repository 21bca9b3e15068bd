// The texts an operator must see, in UTF-8, from tests/data/console_en.txt and
// console_ru.txt: written out by hand, apart from the program's own text
// table, and read by every test that compares what the program shows.
#pragma once
#include <fstream>
#include <initializer_list>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>

namespace expected_texts_detail {

// "\r", "\n", "\t", "\\" and "\ " (a space that no editor trims).
inline std::string unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
    }
    return out;
}

inline std::map<std::string, std::string> load(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::map<std::string, std::string> texts;
    std::string line, key;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (line.compare(0, 2, "  ") == 0 && !key.empty()) {
            texts[key] += unescape(line.substr(2));
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string::npos)
            throw std::runtime_error(path + ": not an entry: " + line);
        key = line.substr(0, colon);
        const size_t value = line.find_first_not_of(' ', colon + 1);
        texts[key] = value == std::string::npos ? "" : unescape(line.substr(value));
    }
    return texts;
}

}  // namespace expected_texts_detail

// The text of `key` in Russian or English, with each {name} filled in.
inline std::string expectedText(bool russian, const std::string& key,
                                std::initializer_list<std::pair<std::string, std::string>> fill = {})
{
    static const auto russianTexts = expected_texts_detail::load(EXPECTED_TEXTS_DIR "/console_ru.txt");
    static const auto englishTexts = expected_texts_detail::load(EXPECTED_TEXTS_DIR "/console_en.txt");
    const auto& texts = russian ? russianTexts : englishTexts;
    const auto found = texts.find(key);
    if (found == texts.end())
        throw std::runtime_error("no expected text named " + key);
    std::string text = found->second;
    for (const auto& [name, value] : fill) {
        const std::string placeholder = "{" + name + "}";
        for (size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at + value.size()))
            text.replace(at, placeholder.size(), value);
    }
    return text;
}
