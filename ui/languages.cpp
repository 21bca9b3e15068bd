#include "ui/languages.h"

#include <cstring>

#include "app/app_state.h"
#include "resources/resource_ids.h"

extern const TextTable russianTexts;
extern const TextTable englishTexts;

// In the order of app.language: Russian first, the language of every start.
const Language languages[] = {
    {"ru", "Русский", &russianTexts, FLINTWELL_ABOUT_RUSSIAN, 1251},
    {"en", "English", &englishTexts, FLINTWELL_ABOUT_ENGLISH, 1251},
};
const uint8_t languageCount = sizeof languages / sizeof languages[0];
static_assert(languageRussian == 0 && languageEnglish == 1, "the rows' order is app.language's");

const Language* languageOfCode(const char* code)
{
    for (const Language& language : languages)
        if (strcmp(language.code, code) == 0)
            return &language;
    return nullptr;
}

uint8_t languageIndex(const Language& language)
{
    return static_cast<uint8_t>(&language - languages);
}

const Language& currentLanguage()
{
    return languages[app.language < languageCount ? app.language : languageRussian];
}

void applyTexts()
{
    if (app.language < languageCount)
        app.texts = languages[app.language].texts;
}
