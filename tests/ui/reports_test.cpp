#include "ui/reports.h"

#include <gtest/gtest.h>

#include <string>

#include "app/app_state.h"
#include "ui/cp1251.h"
#include "ui/headless/headless_window.h"
#include "ui/text_table.h"

namespace {

const std::string plus42(42, '+');
const std::string plus43(43, '+');
const std::string hyphens48(48, '-');

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class Reports : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        headlessReset();
    }

    void useLanguage(uint8_t language)
    {
        app.language = language;
        applyTexts();
    }

    std::string header(uint32_t deviceType, uint32_t version, uint32_t hardware)
    {
        clearLog();
        app.expectedInfo.deviceType = deviceType;
        app.expectedInfo.softwareVersion = version;
        app.expectedInfo.hardware = hardware;
        printHeader();
        return headlessLog();
    }

    std::string report(const char* port = "COM3")
    {
        clearLog();
        printDeviceReport(port);
        return headlessLog();
    }

    std::string idLabel() { return headlessControl(Control::idLabel).text; }

    // The device of the examples.
    void exampleDevice()
    {
        DeviceInfo& d = app.reportedInfo;
        d.interfaceCode = 0x61;
        d.interfaceVersion = 0x0100;
        d.interfaceParameter = 128;
        d.barcode = 12345;
        d.cipherId = 0x0A000001;
        d.deviceType = 0x0C00;
        d.hardware = 0x00010203;
        d.softwareVersion = 0x0105;
        d.vidPid = 0x1234ABCD;
        d.flashStart = 0x08000000;
        d.flashEnd = 0x08040000;
        d.eepromStart = 0x08080000;
        d.eepromEnd = 0x08081000;
    }
};

TEST_F(Reports, HeaderOfTheSerialModels)
{
    useLanguage(languageEnglish);
    EXPECT_EQ(header(0x0C00, 0x0105, 0x00010203),
              "\r\n   Karvo-7KRU ver.1.05 [ser.01 var.02 pcb.03]\r\n   " + plus42 + "\r\n" + hyphens48 + "\r\n");
    EXPECT_EQ(header(0x0C01, 0x020A, 0x00FFEE0C),
              "\r\n   Karvo-7KRM ver.2.0A [ser.FF var.EE pcb.0C]\r\n   " + plus42 + "\r\n" + hyphens48 + "\r\n");
}

TEST_F(Reports, RussianHeaderHasTwoBlanksBeforeThePcbLabel)
{
    useLanguage(languageRussian);
    EXPECT_EQ(header(0x0C00, 0x0105, 0x00010203),
              std::string(cp1251<"\r\n   Karvo-7KRU вер.1.05 [сер.01 изм.02  пп.03]\r\n   ">.data()) + plus42 +
                  "\r\n" + hyphens48 + "\r\n");
}

TEST_F(Reports, HeaderOfTheUsbBoards)
{
    useLanguage(languageEnglish);
    EXPECT_EQ(header(0x0C02, 0x0105, 0x00010203),
              "\r\n   Karvo-7-USB ver.1.05 [ser.01 var.02 pcb.03]\r\n\t\t   -----------\r\n\t\t    pcb: MAIN\r\n   " +
                  plus43 + "\r\n" + hyphens48 + "\r\n");
    EXPECT_EQ(header(0x0C03, 0x0105, 0x00010203),
              "\r\n   Karvo-7-USB ver.1.05 [ser.01 var.02 pcb.03]\r\n\t\t   ----------\r\n\t\t    pcb: PWR\r\n   " +
                  plus43 + "\r\n" + hyphens48 + "\r\n");

    // The board lines are the same in Russian; only the labels change.
    useLanguage(languageRussian);
    EXPECT_EQ(header(0x0C03, 0x0105, 0x00010203),
              std::string(cp1251<"\r\n   Karvo-7-USB вер.1.05 [сер.01 изм.02  пп.03]">.data()) +
                  "\r\n\t\t   ----------\r\n\t\t    pcb: PWR\r\n   " + plus43 + "\r\n" + hyphens48 + "\r\n");
}

TEST_F(Reports, HeaderOfAnUnknownDevice)
{
    for (uint8_t language : {languageEnglish, languageRussian}) {
        useLanguage(language);
        for (uint32_t type : {0x0C04u, 0x0BFFu, 0u, 0x00010C01u}) {
            EXPECT_EQ(header(type, 0x0105, 0x00010203),
                      "\r\n\t\tUnknown device!\r\n\t\t+++++++++++++++\r\n" + hyphens48 + "\r\n")
                << std::hex << type;
        }
    }
}

TEST_F(Reports, HeaderVersionMajorInHexWithoutPadding)
{
    useLanguage(languageEnglish);
    EXPECT_EQ(header(0x0C01, 0x1A05, 0x00010203).substr(0, 30), "\r\n   Karvo-7KRM ver.1A.05 [ser");
    EXPECT_EQ(header(0x0C01, 0x0001, 0).substr(0, 47), "\r\n   Karvo-7KRM ver.0.01 [ser.00 var.00 pcb.00]");
    // Only bits 0-15 of the version and 0-23 of the hardware are shown.
    EXPECT_EQ(header(0x0C01, 0xFFFF0203, 0xAA010203).substr(0, 47), "\r\n   Karvo-7KRM ver.2.03 [ser.01 var.02 pcb.03]");
}

TEST_F(Reports, DeviceReportInEnglish)
{
    useLanguage(languageEnglish);
    exampleDevice();
    EXPECT_EQ(report(),
              "\r\n   > port:\t\tCOM3"
              "\r\n   > interface:\t\t61/1.00/128"
              "\r\n   > Barcode:\t\t0000012345 [00003039]"
              "\r\n   > ID device cipher:\t\t0167772161 [10.0.0.1]"
              "\r\n   > device type:\tKarvo-7KRU"
              "\r\n   > series:\t\t01"
              "\r\n   > change:\t\t02"
              "\r\n   > execution PCB:\t03"
              "\r\n   > software version:\t1.05"
              "\r\n   > VID:PID:\t\t1234ABCD"
              "\r\n   > Flash:\t\t256KB"
              "\r\n   > Eeprom:\t\t4KB");
    EXPECT_EQ(idLabel(), "ID: 0000012345; 0167772161;");
}

TEST_F(Reports, DeviceReportInRussianKeepsTheLastThreeLabelsEnglish)
{
    useLanguage(languageRussian);
    exampleDevice();
    EXPECT_EQ(report("COM12"),
              std::string(cp1251<"\r\n   > порт:\t\tCOM12"
                                 "\r\n   > интерфейс:\t\t61/1.00/128"
                                 "\r\n   > Штрих-код:\t\t0000012345 [00003039]"
                                 "\r\n   > ID шифра прибора:\t0167772161 [10.0.0.1]"
                                 "\r\n   > тип устройства:\tKarvo-7KRU"
                                 "\r\n   > серия:\t\t01"
                                 "\r\n   > изменение:\t\t02"
                                 "\r\n   > исполнение ПП:\t03"
                                 "\r\n   > версия ПО:\t\t1.05"
                                 "\r\n   > VID:PID:\t\t1234ABCD"
                                 "\r\n   > Flash:\t\t256KB"
                                 "\r\n   > Eeprom:\t\t4KB">.data()));
    EXPECT_EQ(idLabel(), "ID: 0000012345; 0167772161;");
}

TEST_F(Reports, ModelNamesOfTheDeviceReport)
{
    useLanguage(languageEnglish);
    exampleDevice();
    const struct {
        uint32_t type;
        const char* name;
    } models[] = {
        {0x0C00, "Karvo-7KRU"},
        {0x0C01, "Karvo-7KRM"},
        {0x0C02, "Karvo-7-USB (pcb: MAIN)"},
        {0x0C03, "Karvo-7-USB (pcb: PWR)"},
        {0x0C04, "Unknown device!"},
        {0xFFFFFFFF, "Unknown device!"},
    };
    for (const auto& m : models) {
        app.reportedInfo.deviceType = m.type;
        EXPECT_NE(report().find(std::string("\r\n   > device type:\t") + m.name + "\r\n   > series:"), std::string::npos)
            << m.name;
    }
}

TEST_F(Reports, BarcodeExtremesAndTheIdLabel)
{
    useLanguage(languageEnglish);
    exampleDevice();
    app.reportedInfo.barcode = 0;
    EXPECT_NE(report().find("\r\n   > Barcode:\t\t0000000000 [00000000]\r\n"), std::string::npos);
    EXPECT_EQ(idLabel(), "ID: 0000000000; 0167772161;");

    app.reportedInfo.barcode = 4294967295u;
    app.reportedInfo.cipherId = 0xC0A801FF;
    const std::string text = report();
    EXPECT_NE(text.find("\r\n   > Barcode:\t\t4294967295 [FFFFFFFF]\r\n"), std::string::npos);
    EXPECT_NE(text.find("\t\t3232236031 [192.168.1.255]\r\n"), std::string::npos);
    EXPECT_EQ(idLabel(), "ID: 4294967295; 3232236031;");
}

TEST_F(Reports, VersionsAndInterfaceValues)
{
    useLanguage(languageEnglish);
    exampleDevice();
    app.reportedInfo.softwareVersion = 0x1A05;
    app.reportedInfo.interfaceCode = 0x0F;
    app.reportedInfo.interfaceVersion = 0x1B02;
    app.reportedInfo.interfaceParameter = 255;
    const std::string text = report();
    EXPECT_NE(text.find("\r\n   > software version:\t1A.05\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\n   > interface:\t\t0F/1B.02/255\r\n"), std::string::npos) << text;
}

TEST_F(Reports, MemorySizesInWholeKibibytes)
{
    useLanguage(languageEnglish);
    exampleDevice();
    app.reportedInfo.flashStart = 0x08000000;
    app.reportedInfo.flashEnd = 0x08000000 + 128 * 1024 - 1024;
    app.reportedInfo.eepromStart = 0x08080000;
    app.reportedInfo.eepromEnd = 0x08080000 + 1023;
    std::string text = report();
    EXPECT_NE(text.find("\r\n   > Flash:\t\t127KB\r\n"), std::string::npos) << text;
    EXPECT_TRUE(endsWith(text, "\r\n   > Eeprom:\t\t0KB")) << text;

    // An end below its start gives the unsigned difference.
    app.reportedInfo.eepromStart = 0x1000;
    app.reportedInfo.eepromEnd = 0;
    text = report();
    EXPECT_TRUE(endsWith(text, "\r\n   > Eeprom:\t\t4194300KB")) << text;
}

}  // namespace
