#include "ui/text_table.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "app/app_state.h"
#include "ui/cp1251.h"

namespace {

using Key = const char* TextTable::*;

const TextTable& russian = textTables[languageRussian];
const TextTable& english = textTables[languageEnglish];

constexpr Key tableAKeys[] = {
    &TextTable::windowTitle,   &TextTable::menuFile,        &TextTable::menuTools,
    &TextTable::menuHelp,      &TextTable::menuQuit,        &TextTable::menuLanguage,
    &TextTable::menuHelpItem,  &TextTable::menuAbout,       &TextTable::messageCaption,
    &TextTable::captionSearch, &TextTable::captionUpdate,   &TextTable::captionUpdateReset,
    &TextTable::captionStart,  &TextTable::labelVer,        &TextTable::labelSer,
    &TextTable::labelVar,      &TextTable::labelPcb,        &TextTable::errorHexLoad,
    &TextTable::errorAppconfigLoad, &TextTable::sessionEndReason,
};

// Table B without the two question texts: every one of these is a log text.
constexpr Key logKeys[] = {
    &TextTable::logDeviceManager,      &TextTable::logNoComPorts,
    &TextTable::logSwitchToBootloader, &TextTable::logSearching,
    &TextTable::logDeviceNotFound,     &TextTable::logDeviceFound,
    &TextTable::reportPort,            &TextTable::reportInterface,
    &TextTable::reportDeviceType,      &TextTable::reportSeries,
    &TextTable::reportChange,          &TextTable::reportExecutionPcb,
    &TextTable::reportBarcode,         &TextTable::reportCipherId,
    &TextTable::reportSoftwareVersion, &TextTable::logDeviceNewer,
    &TextTable::logVersionsSame,       &TextTable::logUpdateRequired,
    &TextTable::logPortReadError,      &TextTable::logPortWriteError,
    &TextTable::logWritingFlash,       &TextTable::logRecordingInterrupted,
    &TextTable::logHexParseException,  &TextTable::logHexReadError,
    &TextTable::logMemoryError,        &TextTable::logResetSettings,
    &TextTable::logResetDevice,        &TextTable::logFailed,
    &TextTable::logNoSettingsResetAck, &TextTable::logNoDeviceResetAck,
    &TextTable::logUpdateFailed,       &TextTable::logUpdateSuccessful,
    &TextTable::logFoundInBootloader,  &TextTable::logStaysInBootloader,
    &TextTable::logFinishWithSearch,   &TextTable::logFinishByRunningAgain,
    &TextTable::logJobNotStarted,
};

constexpr Key askKeys[] = {&TextTable::askDeviceNewer, &TextTable::askVersionsSame};

// The three lists together must name every text of the record.
static_assert(std::size(tableAKeys) + std::size(logKeys) + std::size(askKeys) == 59);
static_assert(offsetof(TextTable, messageBoxLanguage) == 59 * sizeof(const char*));

template <typename Visit>
void forEachKey(Visit visit)
{
    for (Key key : tableAKeys) visit(key);
    for (Key key : logKeys) visit(key);
    for (Key key : askKeys) visit(key);
}

// The texts a user reads to know how things went, spelled here in UTF-8 on
// their own: a Russian text is compared after decoding its code page 1251 bytes.
struct Spelling {
    Key key;
    const char* russian;
    const char* english;
};

const Spelling spellings[] = {
    {&TextTable::windowTitle, "Flintwell вер.1.0", "Flintwell ver.1.0"},
    {&TextTable::messageCaption, "Сообщение", "Message"},
    {&TextTable::captionSearch, "ПОИСК", "SEARCH"},
    {&TextTable::captionStart, "СТАРТ", "START"},
    {&TextTable::captionUpdateReset, "Обновить прошивку и сбро-\r\nсить настройки по умолчанию",
     "Update Firmware and Reset\r\n to Default"},
    {&TextTable::labelPcb, " пп", "pcb"},
    {&TextTable::logDeviceNotFound, "\r\n>> Устройство не найдено!", "\r\n>> Device not found!"},
    {&TextTable::logDeviceFound, "\r\n>> Устройство найдено:", "\r\n>> Device found:"},
    {&TextTable::reportExecutionPcb, "\r\n   > исполнение ПП:\t", "\r\n   > execution PCB:\t"},
    {&TextTable::askVersionsSame,
     "Не требуется обновления прошивки!\n(Версии прошивок одинаковые...)\n\nВ любом случае обновить прошивку?",
     "No firmware update required!\n(Firmware versions are the same...)\n\nShould I update the firmware anyway?"},
    {&TextTable::logPortReadError, "\r\n>> Ошибка: Считывание из COM-порта!", "\r\n>> Error: Reading from COM port!"},
    {&TextTable::logRecordingInterrupted, "\r\n   > запись прервана", "\r\n   > recording interrupted"},
    {&TextTable::logNoSettingsResetAck, "\r\n>> Ошибка: Нет подтверждения сброса настроек!",
     "\r\n>> Error: No confirmation of reset!"},
    {&TextTable::logNoDeviceResetAck, "\r\n>> Ошибка: Нет подтверждения сброса устройства!",
     "\r\n>> Error: No confirmation of device reset!"},
    {&TextTable::logUpdateFailed, "\r\n\tОБНОВЛЕНИЕ ЗАВЕРШИЛОСЬ НЕУДАЧЕЙ!!!", "\r\n\t\tUPDATE FAILED!!!"},
    {&TextTable::logUpdateSuccessful, "\r\n\t\t    УДАЧНО!!!", "\r\n\t\t  SUCCESSFUL!!!"},
};

TEST(TextTable, TextsReadAsSpelled)
{
    for (const Spelling& s : spellings) {
        EXPECT_EQ(cp1251ToUtf8(russian.*s.key), s.russian);
        EXPECT_STREQ(english.*s.key, s.english);
    }
}

TEST(TextTable, EveryEntryPresent)
{
    forEachKey([](Key key) {
        ASSERT_NE(russian.*key, nullptr);
        ASSERT_NE(english.*key, nullptr);
        EXPECT_GT(std::strlen(english.*key), 0u);
    });
    EXPECT_EQ(russian.messageBoxLanguage, 0);
    EXPECT_EQ(english.messageBoxLanguage, 9);
}

TEST(TextTable, RussianIsCp1251AndEnglishIsAscii)
{
    // UTF-8 left unconverted would show up as bytes 0x80..0xBF, which none
    // of these texts uses; every Russian text holds some Cyrillic letter.
    forEachKey([](Key key) {
        const char* ru = russian.*key;
        bool cyrillic = false;
        for (const char* p = ru; *p != '\0'; ++p) {
            unsigned char b = static_cast<unsigned char>(*p);
            EXPECT_FALSE(b >= 0x80 && b < 0xC0) << "byte " << int(b) << " in " << cp1251ToUtf8(ru);
            cyrillic = cyrillic || b >= 0xC0;
        }
        EXPECT_TRUE(cyrillic) << cp1251ToUtf8(ru);
        EXPECT_EQ(utf8ToCp1251(cp1251ToUtf8(ru)), ru);
        for (const char* p = english.*key; *p != '\0'; ++p) {
            EXPECT_LT(static_cast<unsigned char>(*p), 0x80);
        }
    });
}

TEST(TextTable, LogTextsStartWithCrLfAndOthersDoNot)
{
    for (Key key : logKeys) {
        EXPECT_EQ(std::strncmp(russian.*key, "\r\n", 2), 0) << cp1251ToUtf8(russian.*key);
        EXPECT_EQ(std::strncmp(english.*key, "\r\n", 2), 0) << english.*key;
    }
    for (Key key : tableAKeys) {
        EXPECT_NE((russian.*key)[0], '\r');
        EXPECT_NE((english.*key)[0], '\r');
    }
}

class ApplyTexts : public ::testing::Test {
protected:
    void SetUp() override { resetAppState(); }
    void TearDown() override { resetAppState(); }
};

TEST_F(ApplyTexts, StartsRussianAndFollowsTheLanguage)
{
    ASSERT_EQ(app.texts, &textTables[0]);
    EXPECT_STREQ(texts().windowTitle, "Flintwell \xE2\xE5\xF0.1.0");
    EXPECT_EQ(texts().messageBoxLanguage, 0);

    app.language = languageEnglish;
    applyTexts();
    ASSERT_EQ(app.texts, &textTables[1]);
    EXPECT_STREQ(texts().windowTitle, "Flintwell ver.1.0");
    EXPECT_EQ(texts().messageBoxLanguage, 9);

    app.language = languageRussian;
    applyTexts();
    EXPECT_EQ(app.texts, &textTables[0]);
}

TEST_F(ApplyTexts, OutOfRangeLanguageKeepsTheTable)
{
    app.language = languageEnglish;
    applyTexts();
    for (uint8_t language : {uint8_t{2}, uint8_t{9}, uint8_t{255}}) {
        app.language = language;
        applyTexts();
        EXPECT_EQ(app.texts, &textTables[1]) << int(language);
    }
    app.texts = nullptr;
    app.language = 2;
    applyTexts();
    EXPECT_EQ(app.texts, nullptr);
}

}  // namespace
