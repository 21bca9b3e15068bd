// How a search ends by what answers on the ports, and what the window and
// the console show then.
#include <memory>

#include "tests/workflow/posix/workflow_fixture.h"

TEST_F(WorkflowTest, SearchOutcomes)
{
    const std::vector<std::string> silent = {"--fault", "silent"}, reader = {}, other = {"--fault", "other-device"},
                                   shortReply = {"--fault", "short-identify"};
    const struct {
        const char* what;
        std::vector<std::vector<std::string>> ports;  // a simulator each
        SearchOutcome outcome;
        std::string dots;  // one a port tried
        int selection;
    } cases[] = {
        {"no ports", {}, SearchOutcome::noPorts, "", 0},
        {"a silent reader", {silent}, SearchOutcome::notFound, ".", 0},
        {"another model", {other}, SearchOutcome::notFound, ".", 0},
        {"a short identify reply", {shortReply}, SearchOutcome::notFound, ".", 0},
        {"the reader on the second of three ports", {silent, reader, other}, SearchOutcome::foundOffered, "..", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        restart(false);
        carryImage(smallImage());
        std::vector<std::unique_ptr<SimProcess>> sims;
        std::vector<std::string> links;
        for (const auto& args : c.ports) {
            sims.push_back(std::make_unique<SimProcess>(args));
            ASSERT_TRUE(sims.back()->ready());
            links.push_back(sims.back()->link());
        }
        startUpAndSearch(links);
        EXPECT_EQ(app.lastSearch, c.outcome);
        EXPECT_EQ(headlessPortListSelection(), c.selection);
        const bool found = c.outcome == SearchOutcome::foundOffered;
        EXPECT_EQ(portIsOpen(readerPort()), found);
        EXPECT_TRUE(enabled(Control::mainWindow));
        EXPECT_EQ(enabled(Control::portList) && enabled(Control::searchButton), !found);
        EXPECT_EQ(enabled(Control::startButton), found);
        if (found) {
            EXPECT_EQ(logFrom("deviceManager"),
                      expected("deviceManager") + expected("searching") + c.dots +
                          expected("report", {{"port", "COM2"}, {"version", "1.04"}}) + "\r\n" +
                          expected("separator") + expected("updateRequired") + expected("separator"));
        } else if (c.outcome == SearchOutcome::noPorts) {
            EXPECT_EQ(headlessPortList(), std::vector<std::string>{""});
            EXPECT_EQ(logFrom("deviceManager"),
                      expected("deviceManager") + expected("noComPorts") + "\r\n" + expected("separator"));
        } else {
            EXPECT_EQ(logFrom("deviceManager"), expected("deviceManager") + expected("searching") + c.dots +
                                                     expected("notFound") + "\r\n\r\n" + expected("separator"));
        }
    }
}
