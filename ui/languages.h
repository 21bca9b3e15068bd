// The languages of the program, one row each. A new language is one text
// table (ui/texts_*.cpp), one About box (resources/flintwell.rc) and one row
// here: the window's Language menu, the About box, the console updater's and
// the image tool's --lang follow the table.
#pragma once
#include <cstdint>

#include "ui/text_table.h"

struct Language {
    const char* code;        // what --lang takes: "ru", "en"
    const char* menuName;    // its item in the Language menu (UTF-8), the same in every language
    const TextTable* texts;
    int aboutBox;            // the resource id of its About box
    unsigned codePage;       // the Windows code page its texts are written in
};

extern const Language languages[];
extern const uint8_t languageCount;

// The row of a --lang code, or nullptr.
const Language* languageOfCode(const char* code);
// Its index (app.language), for a row of the table.
uint8_t languageIndex(const Language& language);
// The current language's row.
const Language& currentLanguage();
