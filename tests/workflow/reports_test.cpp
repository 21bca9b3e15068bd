// The header and the device report as the console shows them, against the
// texts written out by hand, and how the report writes its values.
#include "workflow/reports.h"

#include <gtest/gtest.h>

#include <string>

#include "app/app_state.h"
#include "tests/support/expected_texts.h"
#include "tests/support/sample_firmware_info.h"
#include "ui/cp1251.h"
#include "frontends/headless/headless_window.h"
#include "ui/text_table.h"

namespace {

class Reports : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetAppState();
        headlessReset();
        app.expectedInfo = sampleFirmwareInfo();
        app.reportedInfo = sampleFirmwareInfo();
    }

    void useLanguage(bool russian)
    {
        app.language = russian ? languageRussian : languageEnglish;
        applyTexts();
    }

    static std::string shown(void (*print)())
    {
        clearLog();
        print();
        return cp1251ToUtf8(headlessLog().c_str());
    }

    static std::string header() { return shown(printHeader); }
    static std::string report() { return shown([] { printDeviceReport("COM12"); }); }
};

}  // namespace

TEST_F(Reports, HeaderReportAndIdLabelInBothLanguages)
{
    for (bool russian : {false, true}) {
        SCOPED_TRACE(russian ? "Russian" : "English");
        useLanguage(russian);
        EXPECT_EQ(header(), expectedText(russian, "header"));
        EXPECT_EQ(expectedText(russian, "found") + report(),
                  expectedText(russian, "report", {{"port", "COM12"}, {"version", "1.05"}}));
        EXPECT_EQ(headlessControl(Control::idLabel).text, expectedText(russian, "idLabelOfSimulator"));

        // Only bits 0-15 of the version and 0-23 of the hardware are shown.
        app.expectedInfo.softwareVersion = 0xFFFF0105;
        app.expectedInfo.hardware = 0xAA010203;
        EXPECT_EQ(header(), expectedText(russian, "header"));
        app.expectedInfo.deviceType = 0x0C03;
        EXPECT_EQ(header(), expectedText(russian, "headerUsbPwr"));
        for (uint32_t type : {0x0C04u, 0x0BFFu, 0u, 0x00010C01u}) {
            app.expectedInfo.deviceType = type;
            EXPECT_EQ(header(), expectedText(russian, "headerUnknown")) << std::hex << type;
        }
        app.expectedInfo = sampleFirmwareInfo();
    }
}

TEST_F(Reports, ValuesOfTheReport)
{
    useLanguage(false);
    const struct {
        const char* what;
        void (*alter)(DeviceInfo&);
        const char* value;  // between the label and the next line
    } cases[] = {
        {"version major in hex", [](DeviceInfo& d) { d.softwareVersion = 0x1A05; }, "\t1A.05\r\n"},
        {"version bits 0-15 only", [](DeviceInfo& d) { d.softwareVersion = 0xFFFF0203; }, "\t2.03\r\n"},
        {"interface", [](DeviceInfo& d) { d.interfaceCode = 0x0F, d.interfaceVersion = 0x1B02, d.interfaceParameter = 255; },
         "\t0F/1B.02/255\r\n"},
        {"barcode 0", [](DeviceInfo& d) { d.barcode = 0; }, "\t0000000000 [00000000]\r\n"},
        {"largest barcode", [](DeviceInfo& d) { d.barcode = 4294967295u; }, "\t4294967295 [FFFFFFFF]\r\n"},
        {"cipher", [](DeviceInfo& d) { d.cipherId = 0xC0A801FF; }, "\t3232236031 [192.168.1.255]\r\n"},
        {"KRU", [](DeviceInfo& d) { d.deviceType = 0x0C00; }, "\tKarvo-7KRU\r\n"},
        {"USB main", [](DeviceInfo& d) { d.deviceType = 0x0C02; }, "\tKarvo-7-USB (pcb: MAIN)\r\n"},
        {"USB power", [](DeviceInfo& d) { d.deviceType = 0x0C03; }, "\tKarvo-7-USB (pcb: PWR)\r\n"},
        {"unknown model", [](DeviceInfo& d) { d.deviceType = 0xFFFFFFFF; }, "\tUnknown device!\r\n"},
        {"flash in whole KB", [](DeviceInfo& d) { d.flashEnd = d.flashStart + 127 * 1024 + 1023; }, "\t127KB\r\n"},
        {"eeprom under 1 KB", [](DeviceInfo& d) { d.eepromEnd = d.eepromStart + 1023; }, "\t0KB"},
        {"eeprom end below its start", [](DeviceInfo& d) { d.eepromStart = 0x1000, d.eepromEnd = 0; }, "\t4194300KB"},
    };
    for (const auto& c : cases) {
        app.reportedInfo = sampleFirmwareInfo();
        c.alter(app.reportedInfo);
        EXPECT_NE(report().find(c.value), std::string::npos) << c.what << "\n" << report();
    }
    app.reportedInfo.barcode = 4294967295u;
    app.reportedInfo.cipherId = 0xC0A801FF;
    report();
    EXPECT_EQ(headlessControl(Control::idLabel).text, "ID: 4294967295; 3232236031;");
}
