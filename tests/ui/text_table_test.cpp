#include "ui/text_table.h"

#include <gtest/gtest.h>

#include <algorithm>
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

std::size_t countOf(const char* text, char c)
{
    return static_cast<std::size_t>(std::count(text, text + std::strlen(text), c));
}

std::size_t trailingTabs(const char* text)
{
    std::size_t n = std::strlen(text);
    std::size_t tabs = 0;
    while (tabs < n && text[n - 1 - tabs] == '\t') ++tabs;
    return tabs;
}

TEST(TextTable, SampleRussianTextsAreExactCp1251Bytes)
{
    EXPECT_STREQ(russian.windowTitle, "Flintwell \xE2\xE5\xF0.1.0");
    EXPECT_STREQ(russian.menuFile, "\xD4\xE0\xE9\xEB");
    EXPECT_STREQ(russian.messageCaption, "\xD1\xEE\xEE\xE1\xF9\xE5\xED\xE8\xE5");
    EXPECT_STREQ(russian.labelPcb, " \xEF\xEF");
    EXPECT_STREQ(russian.logDeviceFound,
                 "\r\n>> \xD3\xF1\xF2\xF0\xEE\xE9\xF1\xF2\xE2\xEE \xED\xE0\xE9\xE4\xE5\xED\xEE:");
    EXPECT_STREQ(russian.reportExecutionPcb,
                 "\r\n   > \xE8\xF1\xEF\xEE\xEB\xED\xE5\xED\xE8\xE5 \xCF\xCF:\t");
    EXPECT_STREQ(russian.logUpdateSuccessful, "\r\n\t\t    \xD3\xC4\xC0\xD7\xCD\xCE!!!");
    // "сбро-" CR LF "сить": the word is hyphenated across the line break.
    EXPECT_NE(std::strstr(russian.captionUpdateReset, "\xF1\xE1\xF0\xEE-\r\n\xF1\xE8\xF2\xFC"),
              nullptr);
}

TEST(TextTable, SampleEnglishTexts)
{
    EXPECT_STREQ(english.windowTitle, "Flintwell ver.1.0");
    EXPECT_STREQ(english.labelPcb, "pcb");
    EXPECT_STREQ(english.captionUpdateReset, "Update Firmware and Reset\r\n to Default");
    EXPECT_STREQ(english.logUpdateFailed, "\r\n\t\tUPDATE FAILED!!!");
    EXPECT_STREQ(english.logUpdateSuccessful, "\r\n\t\t  SUCCESSFUL!!!");
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

TEST(TextTable, LineBreaks)
{
    // The option label breaks once with CR LF; the question boxes use LF alone.
    for (const TextTable* t : {&russian, &english}) {
        EXPECT_EQ(countOf(t->captionUpdateReset, '\r'), 1u);
        EXPECT_EQ(countOf(t->captionUpdateReset, '\n'), 1u);
        EXPECT_NE(std::strstr(t->captionUpdateReset, "\r\n"), nullptr);
        for (Key key : askKeys) {
            EXPECT_EQ(countOf(t->*key, '\r'), 0u);
            EXPECT_EQ(countOf(t->*key, '\n'), 3u);
            EXPECT_NE(std::strstr(t->*key, "\n\n"), nullptr);
        }
        EXPECT_EQ(countOf(t->logDeviceNewer, '\r'), 2u);
        EXPECT_EQ(countOf(t->logVersionsSame, '\r'), 2u);
    }
    EXPECT_EQ(std::strstr(english.captionUpdateReset, "\r\n")[2], ' ');
}

TEST(TextTable, ReportLabelTabsAndTrailingBlanks)
{
    const Key reports[] = {&TextTable::reportPort,         &TextTable::reportInterface,
                           &TextTable::reportDeviceType,   &TextTable::reportSeries,
                           &TextTable::reportChange,       &TextTable::reportExecutionPcb,
                           &TextTable::reportBarcode,      &TextTable::reportCipherId,
                           &TextTable::reportSoftwareVersion};
    const std::size_t russianTabs[] = {2, 2, 1, 2, 2, 1, 2, 1, 2};
    const std::size_t englishTabs[] = {2, 2, 1, 2, 2, 1, 2, 2, 1};
    for (std::size_t i = 0; i < std::size(reports); ++i) {
        EXPECT_EQ(trailingTabs(russian.*reports[i]), russianTabs[i]) << i;
        EXPECT_EQ(trailingTabs(english.*reports[i]), englishTabs[i]) << i;
        EXPECT_EQ(countOf(russian.*reports[i], '\t'), russianTabs[i]) << i;
        EXPECT_EQ(countOf(english.*reports[i], '\t'), englishTabs[i]) << i;
        EXPECT_EQ(std::strncmp(russian.*reports[i], "\r\n   > ", 7), 0) << i;
    }
    EXPECT_EQ(countOf(russian.logUpdateFailed, '\t'), 1u);
    EXPECT_EQ(countOf(english.logUpdateFailed, '\t'), 2u);
    for (const TextTable* t : {&russian, &english}) {
        for (Key key : {&TextTable::logSwitchToBootloader, &TextTable::logSearching}) {
            const char* text = t->*key;
            std::size_t n = std::strlen(text);
            EXPECT_EQ(text[n - 1], ' ');
            EXPECT_NE(text[n - 2], ' ');
        }
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
