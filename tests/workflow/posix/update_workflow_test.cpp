// Whole updates through the portable workflow against the reader simulator.

#include "tests/workflow/posix/workflow_fixture.h"
#include "ui/option_controls.h"

TEST_F(WorkflowTest, UpdatesTheBuiltInImageAndTheReaderHoldsExactlyItsRecords)
{
    const std::string imageText = withLfLineEnds(readFile(SAMPLE_FIRMWARE_HEX));
    ASSERT_EQ(hexToMemory(imageText, 124).size(), 21504u);
    // (The Russian console of the same update is e2e.Update's.)
    restart(false);
    ASSERT_TRUE(loadImageAtStart());
    SimProcess sim;
    ASSERT_TRUE(sim.ready());
    startUpAndSearch({sim.link()});
    ASSERT_EQ(app.lastSearch, SearchOutcome::foundOffered);
    EXPECT_FALSE(enabled(Control::portList) || enabled(Control::searchButton));
    EXPECT_TRUE(enabled(Control::mainWindow) && enabled(Control::startButton) && enabled(Control::updateOption));
    EXPECT_TRUE(checked(Control::updateOption) && !checked(Control::resetOption));
    EXPECT_EQ(headlessPortList(), std::vector<std::string>{"COM1"});
    EXPECT_EQ(headlessControl(Control::idLabel).text, expected("idLabelOfSimulator"));
    runUpdateJob();

    EXPECT_EQ(log(), expected("header") + expected("deviceManager") + expected("searching") + "." +
                         expected("report", {{"port", "COM1"}, {"version", "1.04"}}) + "\r\n" +
                         expected("separator") + expected("updateRequired") + expected("separator") +
                         expected("writingFlash") + expected("ok") + expected("resetDevice") + expected("ok") +
                         expected("banner") + expected("successful"));
    EXPECT_TRUE(app.updateDone && !portIsOpen(readerPort()));
    EXPECT_TRUE(enabled(Control::portList) && enabled(Control::searchButton));
    EXPECT_FALSE(enabled(Control::startButton) || enabled(Control::updateOption));
    EXPECT_TRUE(checked(Control::updateOption)) << "the job keeps the operator's choice";
    expectFlashHoldsImage(sim, imageText);
}

// Whether the update is offered, asked about or declined, by the versions
// of the image and of the reader and the operator's answer.
TEST_F(WorkflowTest, TheUpdateIsOfferedAskedAboutOrDeclinedByVersion)
{
    const struct {
        bool russian;
        uint32_t image;
        std::vector<std::string> reader;
        bool answer;
        const char* question;  // nullptr: none asked
        const char* logged;
        uint16_t languageId;
        SearchOutcome outcome;
    } cases[] = {
        {false, 0x0105, {"--version", "0x104"}, false, nullptr, "updateRequired", 0, SearchOutcome::foundOffered},
        {false, 0x0104, {"--version", "0x104"}, true, "askVersionsSame", "versionsSame", 0x0409,
         SearchOutcome::foundOffered},
        {true, 0x0105, {"--version", "0x200"}, false, "askDeviceNewer", "deviceNewer", 0x0400,
         SearchOutcome::foundDeclined},
        // Its firmware may be incomplete, whatever version it reports.
        {false, 0x0104, {"--version", "0x104", "--start-in-bootloader"}, false, nullptr, "updateRequired", 0,
         SearchOutcome::foundOffered},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.logged);
        restart(c.russian);
        carryImage(smallImage(0x0C01, c.image));
        headlessSetQuestionPolicy([answer = c.answer](const HeadlessQuestion&) { return answer; });
        SimProcess sim(c.reader);
        ASSERT_TRUE(sim.ready());
        startUpAndSearch({sim.link()});
        ASSERT_EQ(headlessQuestions().size(), c.question ? 1u : 0u);
        if (c.question) {
            EXPECT_EQ(cp1251ToUtf8(headlessQuestions()[0].text.c_str()), expected(c.question));
            EXPECT_EQ(cp1251ToUtf8(headlessQuestions()[0].caption.c_str()), expected("caption"));
            EXPECT_EQ(headlessQuestions()[0].languageId, c.languageId);
        }
        EXPECT_NE(log().find(expected(c.logged) + expected("separator")), std::string::npos) << log();
        EXPECT_EQ(app.lastSearch, c.outcome);
        EXPECT_EQ(enabled(Control::startButton) && enabled(Control::updateOption), c.outcome == SearchOutcome::foundOffered);
        EXPECT_FALSE(enabled(Control::portList) || enabled(Control::searchButton));
        EXPECT_TRUE(portIsOpen(readerPort()));
    }
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
    EXPECT_FALSE(portIsOpen(readerPort())) << "the switch closes the port";
    EXPECT_TRUE(enabled(Control::portList) && enabled(Control::searchButton));
}

// The configuration's default and the operator's choice of the two options:
// the settings are reset, before the device, exactly when the reset is chosen.
TEST_F(WorkflowTest, TheResetChoiceIsHonoured)
{
    const struct {
        const char* what;
        bool resetByDefault;
        std::vector<void (*)()> choices;
        bool resetsSettings;
    } cases[] = {
        {"update alone", false, {}, false},
        {"reset chosen", false, {chooseResetOption}, true},
        {"reset chosen, then the update alone again", false, {chooseResetOption, chooseUpdateOption}, false},
        {"reset by default: options locked", true, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        restart(false);
        carryImage(smallImage());
        carryConfig(c.resetByDefault ? "RESET_SETTINGS = TRUE;\r\n" : "RESET_SETTINGS = FALSE;\r\n");
        SimProcess sim;
        ASSERT_TRUE(sim.ready());
        startUpAndSearch({sim.link()});
        EXPECT_EQ(enabled(Control::updateOption), !c.resetByDefault);
        EXPECT_EQ(enabled(Control::resetOption), !c.resetByDefault);
        EXPECT_EQ(checked(Control::resetOption), c.resetByDefault);
        for (auto choose : c.choices)
            choose();
        runUpdateJob();
        const std::string settings = c.resetsSettings ? expected("resetSettings") + expected("ok") : "";
        EXPECT_EQ(logFrom("writingFlash"), expected("writingFlash") + expected("ok") + settings +
                                               expected("resetDevice") + expected("ok") + expected("banner") +
                                               expected("successful"));
        sim.stop();
        EXPECT_EQ(sim.transcript().find("reset settings") != std::string::npos, c.resetsSettings) << sim.transcript();
    }
}
