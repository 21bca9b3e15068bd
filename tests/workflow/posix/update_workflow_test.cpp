// Whole updates through the portable workflow against the reader simulator.

#include "tests/workflow/posix/workflow_fixture.h"
#include "ui/option_controls.h"

namespace {

const std::string separator = "\r\n------------------------------------------------";
const std::string banner = "\r\n++++++++++++++++++++++++++++++++++++++++++++++++";

std::string englishReportOfDefaultSimulator(const std::string& port, const std::string& version)
{
    return "\r\n>> Device found:"
           "\r\n   > port:\t\t" + port +
           "\r\n   > interface:\t\t61/1.00/128"
           "\r\n   > Barcode:\t\t0012345678 [00BC614E]"
           "\r\n   > ID device cipher:\t\t0167772161 [10.0.0.1]"
           "\r\n   > device type:\tKarvo-7KRM"
           "\r\n   > series:\t\t01"
           "\r\n   > change:\t\t02"
           "\r\n   > execution PCB:\t03"
           "\r\n   > software version:\t" + version +
           "\r\n   > VID:PID:\t\t1234ABCD"
           "\r\n   > Flash:\t\t256KB"
           "\r\n   > Eeprom:\t\t4KB";
}

// The image's data records from text byte 124 on, at their addresses.
std::map<uint32_t, uint8_t> streamedPartOf(const std::string& lfText)
{
    return hexToMemory(lfText, 124);
}

}  // namespace

TEST_F(WorkflowTest, UpdatesTheBuiltInImageAndTheReaderHoldsExactlyItsRecords)
{
    SimProcess sim;
    ASSERT_TRUE(sim.ready());
    startUpAndSearch({sim.link()});
    ASSERT_EQ(app.lastSearch, SearchOutcome::foundOffered);
    runUpdateJob();

    const std::string expected =
        "\r\n   Karvo-7KRM ver.1.05 [ser.01 var.02 pcb.03]"
        "\r\n   ++++++++++++++++++++++++++++++++++++++++++" + separator + "\r\n"
        "\r\n>> Device Manager"
        "\r\n<< Searching for a device to update ." +
        englishReportOfDefaultSimulator("COM1", "1.04") +
        "\r\n" + separator + "\r\n>> UPDATE YOUR DEVICE FIRMWARE!" + separator +
        "\r\n<< Writing to Flash Memory"
        "\r\n>> OK"
        "\r\n<< Reset device"
        "\r\n>> OK" + banner + "\r\n\t\t  SUCCESSFUL!!!";
    EXPECT_EQ(log(), expected);
    EXPECT_TRUE(app.updateDone);
    EXPECT_FALSE(app.portOpen);

    sim.stop();
    const std::string image = withLfLineEnds(readFile(SAMPLE_FIRMWARE_HEX));
    const auto flash = hexToMemory(sim.flashHex());
    EXPECT_EQ(flash, streamedPartOf(image));
    EXPECT_EQ(flash.size(), 21504u);
    EXPECT_NE(sim.transcript().find("sum matches"), std::string::npos) << sim.transcript();
}

// A toolchain's usual output: 32-byte data records (75 characters a line,
// more than the configuration scan's line buffer) around the 16-byte
// configuration records.
TEST_F(WorkflowTest, AnImageOf32ByteRecordsStartsAndUpdates)
{
    auto records32 = [](uint16_t from, uint16_t to) {
        std::string text;
        for (uint16_t address = from; address < to; address = static_cast<uint16_t>(address + 32)) {
            std::vector<uint8_t> data(32);
            for (int k = 0; k < 32; ++k)
                data[static_cast<size_t>(k)] = static_cast<uint8_t>(address / 32 + k);
            text += hexRecord(address, data);
        }
        return text;
    };
    const std::string small = smallImage(0x0C01, 0x0105, 0);
    const size_t identity = small.find(":10480000"), afterVersion = small.find('\n', small.find(":10540000")) + 1;
    std::string text = hexRecord(0, {0x08, 0x00}, 4) + records32(0, 32) + hexRecord(32, std::vector<uint8_t>(10, 7));
    ASSERT_EQ(text.size(), 124u);
    text += hexRecord(0, {0x08, 0x00}, 4) + records32(0x4000, 0x4800) +
            small.substr(identity, afterVersion - identity) + records32(0x5410, 0x5800) + hexRecord(0, {}, 1);
    carryImage(text);

    SimProcess sim;
    ASSERT_TRUE(sim.ready());
    startUpAndSearch({sim.link()});
    ASSERT_EQ(app.lastSearch, SearchOutcome::foundOffered);
    runUpdateJob();
    EXPECT_TRUE(app.updateDone) << log();
    sim.stop();
    EXPECT_EQ(hexToMemory(sim.flashHex()), streamedPartOf(text));
    EXPECT_NE(sim.transcript().find("sum matches"), std::string::npos);
}

TEST_F(WorkflowTest, RussianConsoleTextByteForByte)
{
    app.language = languageRussian;
    applyTexts();
    carryImage(smallImage());
    SimProcess sim;
    ASSERT_TRUE(sim.ready());
    startUpAndSearch({sim.link()});
    runUpdateJob();
    const std::string expected =
        "\r\n   Karvo-7KRM вер.1.05 [сер.01 изм.02  пп.03]"
        "\r\n   ++++++++++++++++++++++++++++++++++++++++++" + separator + "\r\n"
        "\r\n>> Диспетчер устройств"
        "\r\n<< Поиск устройства для обновления ."
        "\r\n>> Устройство найдено:"
        "\r\n   > порт:\t\tCOM1"
        "\r\n   > интерфейс:\t\t61/1.00/128"
        "\r\n   > Штрих-код:\t\t0012345678 [00BC614E]"
        "\r\n   > ID шифра прибора:\t0167772161 [10.0.0.1]"
        "\r\n   > тип устройства:\tKarvo-7KRM"
        "\r\n   > серия:\t\t01"
        "\r\n   > изменение:\t\t02"
        "\r\n   > исполнение ПП:\t03"
        "\r\n   > версия ПО:\t\t1.04"
        "\r\n   > VID:PID:\t\t1234ABCD"
        "\r\n   > Flash:\t\t256KB"
        "\r\n   > Eeprom:\t\t4KB"
        "\r\n" + separator + "\r\n>> ОБНОВИТЕ ПРОШИВКУ УСТРОЙСТВА!" + separator +
        "\r\n<< Запись во Flash память"
        "\r\n>> OK"
        "\r\n<< Сброс устройства"
        "\r\n>> OK" + banner + "\r\n\t\t    УДАЧНО!!!";
    EXPECT_EQ(log(), expected);
}

TEST_F(WorkflowTest, ControlStatesWhenTheUpdateIsOfferedAndAfterTheJob)
{
    carryImage(smallImage());
    SimProcess sim;
    ASSERT_TRUE(sim.ready());
    startUpAndSearch({sim.link()});
    ASSERT_EQ(app.lastSearch, SearchOutcome::foundOffered);
    EXPECT_TRUE(enabled(Control::mainWindow));
    EXPECT_FALSE(enabled(Control::portList));
    EXPECT_FALSE(enabled(Control::searchButton));
    EXPECT_TRUE(enabled(Control::startButton));
    EXPECT_TRUE(enabled(Control::updateOption));
    EXPECT_TRUE(enabled(Control::resetOptionLabel));
    EXPECT_TRUE(checked(Control::updateOption));
    EXPECT_FALSE(checked(Control::resetOption));
    EXPECT_TRUE(app.portOpen);
    EXPECT_EQ(headlessPortList(), std::vector<std::string>{"COM1"});
    EXPECT_EQ(headlessPortListSelection(), 0);
    EXPECT_EQ(headlessControl(Control::idLabel).text, "ID: 0012345678; 0167772161;");

    runUpdateJob();
    EXPECT_TRUE(enabled(Control::mainWindow));
    EXPECT_TRUE(enabled(Control::portList));
    EXPECT_TRUE(enabled(Control::searchButton));
    EXPECT_FALSE(enabled(Control::startButton));
    EXPECT_FALSE(enabled(Control::updateOption));
    EXPECT_FALSE(enabled(Control::resetOption));
    EXPECT_TRUE(checked(Control::updateOption)) << "the job keeps the operator's choice";
    EXPECT_FALSE(app.portOpen);
    EXPECT_EQ(app.jobThread, 0);
}

TEST_F(WorkflowTest, EqualVersionsAskAndYesOffersTheUpdate)
{
    carryImage(smallImage(0x0C01, 0x0104));
    headlessSetQuestionPolicy([](const HeadlessQuestion&) { return true; });
    SimProcess sim;
    ASSERT_TRUE(sim.ready());
    startUpAndSearch({sim.link()});
    ASSERT_EQ(headlessQuestions().size(), 1u);
    EXPECT_EQ(headlessQuestions()[0].text, texts().askVersionsSame);
    EXPECT_EQ(headlessQuestions()[0].caption, "Message");
    EXPECT_EQ(headlessQuestions()[0].languageId, 0x0409);
    EXPECT_EQ(app.lastSearch, SearchOutcome::foundOffered);
    EXPECT_TRUE(enabled(Control::startButton));
    const std::string text = log();
    EXPECT_NE(text.find("\r\n>> NO FIRMWARE UPDATE REQUIRED!\r\n   (Firmware versions are the same...)" + separator),
              std::string::npos);
}

TEST_F(WorkflowTest, NewerDeviceAskedInRussianAndNoLeavesStartDisabledAndThePortOpen)
{
    app.language = languageRussian;
    applyTexts();
    carryImage(smallImage(0x0C01, 0x0105));
    SimProcess sim({"--version", "0x200"});
    ASSERT_TRUE(sim.ready());
    startUpAndSearch({sim.link()});  // no policy: the box is answered No
    ASSERT_EQ(headlessQuestions().size(), 1u);
    EXPECT_EQ(headlessQuestions()[0].text, texts().askDeviceNewer);
    EXPECT_EQ(headlessQuestions()[0].languageId, 0x0400);
    EXPECT_EQ(app.lastSearch, SearchOutcome::foundDeclined);
    EXPECT_FALSE(enabled(Control::startButton));
    EXPECT_FALSE(enabled(Control::portList));
    EXPECT_FALSE(enabled(Control::searchButton));
    EXPECT_FALSE(enabled(Control::updateOption));
    EXPECT_TRUE(app.portOpen);

    // Closing the window now tells the reader to leave its bootloader.
    shutdown();
    EXPECT_FALSE(app.portOpen);
    EXPECT_TRUE(headlessQuitPosted());
    sim.stop();
    EXPECT_NE(sim.transcript().find("leave bootloader"), std::string::npos) << sim.transcript();
}

TEST_F(WorkflowTest, AfterASuccessTheSameDeviceIsDeclinedSilentlyUntilTheLanguageChanges)
{
    carryImage(smallImage(0x0C01, 0x0104));
    headlessSetQuestionPolicy([](const HeadlessQuestion&) { return true; });
    SimProcess sim({"--version", "0x104"});
    ASSERT_TRUE(sim.ready());
    startUpAndSearch({sim.link()});
    runUpdateJob();
    ASSERT_TRUE(app.updateDone);
    ASSERT_EQ(headlessQuestions().size(), 1u);

    searchAgain();
    EXPECT_EQ(app.lastSearch, SearchOutcome::foundDeclined);
    EXPECT_EQ(headlessQuestions().size(), 1u) << "asked again after a success";
    EXPECT_FALSE(enabled(Control::startButton));

    switchLanguage(languageEnglish);
    EXPECT_FALSE(app.updateDone);
    EXPECT_FALSE(app.portOpen) << "the switch closes the port";
    EXPECT_TRUE(enabled(Control::portList));
    EXPECT_TRUE(enabled(Control::searchButton));

    // The switch closed the port without the leave request: the reader is
    // still in its bootloader, where the next search finds it and offers the
    // update without asking.
    searchAgain();
    EXPECT_EQ(app.lastSearch, SearchOutcome::foundOffered);
    EXPECT_TRUE(app.foundInBootloader);
    EXPECT_EQ(headlessQuestions().size(), 1u);
}

TEST_F(WorkflowTest, ResetSettingsByDefaultLocksTheOptionsAndResetsSettingsBeforeTheDevice)
{
    carryImage(smallImage());
    carryConfig("RESET_SETTINGS = TRUE;\r\n");
    ASSERT_TRUE(app.resetSettingsDefault);
    SimProcess sim;
    ASSERT_TRUE(sim.ready());
    startUpAndSearch({sim.link()});
    EXPECT_TRUE(enabled(Control::startButton));
    EXPECT_FALSE(enabled(Control::updateOption));
    EXPECT_FALSE(enabled(Control::resetOption));
    EXPECT_TRUE(checked(Control::resetOption));
    EXPECT_FALSE(checked(Control::updateOption));
    runUpdateJob();
    EXPECT_NE(log().find("\r\n>> OK\r\n<< Reset to default settings\r\n>> OK\r\n<< Reset device\r\n>> OK" + banner +
                         "\r\n\t\t  SUCCESSFUL!!!"),
              std::string::npos)
        << log();
    sim.stop();
    const std::string transcript = sim.transcript();
    const size_t settings = transcript.find("reset settings");
    const size_t device = transcript.find("reset device");
    ASSERT_NE(settings, std::string::npos) << transcript;
    ASSERT_NE(device, std::string::npos);
    EXPECT_LT(settings, device);
}

TEST_F(WorkflowTest, TheOperatorsResetChoiceIsHonouredAndWithoutItOnlyTheDeviceIsReset)
{
    carryImage(smallImage());
    {
        SimProcess sim;
        ASSERT_TRUE(sim.ready());
        startUpAndSearch({sim.link()});
        // The reset chosen and then the update alone again.
        chooseResetOption();
        chooseUpdateOption();
        runUpdateJob();
        sim.stop();
        EXPECT_EQ(sim.transcript().find("reset settings"), std::string::npos);
        EXPECT_NE(sim.transcript().find("reset device"), std::string::npos);
    }
    SimProcess sim({"--version", "0x100"});
    ASSERT_TRUE(sim.ready());
    posixUsePortPaths({sim.link()});
    searchAgain();
    ASSERT_EQ(app.lastSearch, SearchOutcome::foundOffered);
    chooseResetOption();
    runUpdateJob();
    EXPECT_TRUE(app.updateDone);
    sim.stop();
    const std::string transcript = sim.transcript();
    EXPECT_NE(transcript.find("reset settings"), std::string::npos) << transcript;
    EXPECT_LT(transcript.find("reset settings"), transcript.find("reset device"));
}

TEST_F(WorkflowTest, ASecondStartBeforeTheJobDisabledTheWindowStartsNothing)
{
    carryImage(smallImage());
    SimProcess sim;
    ASSERT_TRUE(sim.ready());
    startUpAndSearch({sim.link()});
    startUpdateJob();
    const ThreadHandle first = app.jobThread;
    startUpdateJob();
    EXPECT_EQ(app.jobThread, first);
    joinWorker();
    sim.stop();
    const std::string transcript = sim.transcript();
    size_t resets = 0;
    for (size_t at = transcript.find("RX reset device"); at != std::string::npos;
         at = transcript.find("RX reset device", at + 1))
        ++resets;
    EXPECT_EQ(resets, 1u) << transcript;
}
