#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#include "app/console.h"
#include "ui/cp1251.h"
#include "frontends/headless/headless_window.h"
#include "ui/window.h"
#include "workflow/shutdown.h"

namespace {

// The worker thread appends and steps the bar while the main thread may read;
// the real window serialises through its message queue, the model through
// this lock.
std::recursive_mutex lock;

struct Model {
    std::string log;
    std::vector<HeadlessMessage> messages;
    std::vector<HeadlessQuestion> questions;
    HeadlessControl controls[controlCount];
    std::vector<std::string> portList;
    int selection = -1;
    HeadlessProgress progress{100, 0, 10};
    std::map<unsigned, unsigned> timers;
    int menuLanguage = 0;     // the checked item of the Language popup
    int menuBuilds = 1;       // menu bars built so far
    int networkDialogs = 0;
    bool quitPosted = false;
    bool closed = false;              // the window was destroyed (shutdown ran)
    std::string sessionEndReason;     // Windows-1251; empty: the session may end
};

// As the window creates them: everything disabled but the main window, the
// label, the console and the bar; the update option checked.
Model freshModel()
{
    Model m;
    for (auto& c : m.controls)
        c = HeadlessControl{false, false, ""};
    auto set = [&m](Control c, bool enabled, bool checked, const char* text) {
        m.controls[static_cast<int>(c)] = HeadlessControl{enabled, checked, text};
    };
    set(Control::mainWindow, true, false, "");
    set(Control::idLabel, true, false, "ID: 0; 0;");
    set(Control::logConsole, true, false, "");
    set(Control::progressBar, true, false, "");
    set(Control::updateOption, false, true, "");
    return m;
}

Model model = freshModel();
bool echo = false;
std::function<bool(const HeadlessQuestion&)> questionPolicy;
std::function<void(const HeadlessProgress&)> progressObserver;

HeadlessControl& control(Control c)
{
    return model.controls[static_cast<int>(c)];
}

void progressChanged()
{
    if (progressObserver)
        progressObserver(model.progress);
}

}  // namespace

void headlessReset()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    model = freshModel();
}

void appendLog(const char* text)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    model.log += text;
    if (echo)
        consoleWrite(cp1251ToUtf8(text));
}

void clearLog()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    model.log.clear();
}

void showMessage(const char* text, const char* caption)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    model.messages.push_back({text, caption});
    if (echo)
        consoleWrite(cp1251ToUtf8(text) + "\n");
}

bool askYesNo(const char* text, const char* caption, uint16_t languageId)
{
    HeadlessQuestion question{text, caption, languageId};
    std::function<bool(const HeadlessQuestion&)> policy;
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        model.questions.push_back(question);
        policy = questionPolicy;
    }
    return policy ? policy(question) : false;
}

void enableControl(Control c, bool enabled)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    control(c).enabled = enabled;
}

void setControlText(Control c, const char* text)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    control(c).text = text;
}

void setChecked(Control c, bool checked)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    control(c).checked = checked;
}

bool isChecked(Control c)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    return control(c).checked;
}

void portListClear()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    model.portList.clear();
    model.selection = -1;
}

void portListAppend(const char* text)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    model.portList.emplace_back(text);
}

void portListSelect(int position)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (position >= 0 && position < static_cast<int>(model.portList.size()))
        model.selection = position;
}

int portListCount()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    return static_cast<int>(model.portList.size());
}

bool portListText(int position, char* text, int size)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (size > 0)
        text[0] = '\0';
    if (position < 0 || position >= static_cast<int>(model.portList.size()) || size <= 0)
        return false;
    const std::string& entry = model.portList[static_cast<size_t>(position)];
    const size_t n = entry.size() < static_cast<size_t>(size - 1) ? entry.size() : static_cast<size_t>(size - 1);
    memcpy(text, entry.data(), n);
    text[n] = '\0';
    return true;
}

void setProgressRange(unsigned n)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    model.progress = HeadlessProgress{static_cast<int>(n & 0xFFFF), 0, 1};
    progressChanged();
}

void stepProgress()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    // Past the maximum the bar starts over from its minimum, as the real one does.
    model.progress.position += model.progress.step;
    if (model.progress.position > model.progress.maximum)
        model.progress.position = 0;
    progressChanged();
}

void setProgressPosition(int position)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (position < 0)
        position = 0;
    if (position > model.progress.maximum)
        position = model.progress.maximum;
    model.progress.position = position;
    progressChanged();
}

void resetProgress()
{
    setProgressPosition(0);
}

void startTimer(unsigned timerId, unsigned periodMs)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    model.timers[timerId] = periodMs;
}

void stopTimer(unsigned timerId)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    model.timers.erase(timerId);
}

std::string headlessLog()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    return model.log;
}

std::vector<HeadlessMessage> headlessMessages()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    return model.messages;
}

std::vector<HeadlessQuestion> headlessQuestions()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    return model.questions;
}

HeadlessControl headlessControl(Control c)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    return control(c);
}

std::vector<std::string> headlessPortList()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    return model.portList;
}

int headlessPortListSelection()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    return model.selection;
}

HeadlessProgress headlessProgress()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    return model.progress;
}

unsigned headlessTimerPeriod(unsigned timerId)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    auto it = model.timers.find(timerId);
    return it == model.timers.end() ? 0 : it->second;
}

void headlessEchoToStderr(bool on)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    echo = on;
}

void headlessSetQuestionPolicy(std::function<bool(const HeadlessQuestion&)> policy)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    questionPolicy = std::move(policy);
}

void headlessSetProgressObserver(std::function<void(const HeadlessProgress&)> observer)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    progressObserver = std::move(observer);
}

void checkLanguageMenu(uint8_t language)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    model.menuLanguage = language;
}

void rebuildMenus()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    ++model.menuBuilds;
}

void quitProgram()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    model.quitPosted = true;
}

int headlessMenuLanguage()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    return model.menuLanguage;
}

int headlessMenuBuilds()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    return model.menuBuilds;
}

bool editNetworkPorts()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    ++model.networkDialogs;
    return false;
}

int headlessNetworkDialogs()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    return model.networkDialogs;
}

void postWorkerDone()
{
    // Headless front ends join the worker (joinWorker) instead.
}

void closeMainWindow()
{
    {
        std::lock_guard<std::recursive_mutex> guard(lock);
        if (model.closed)
            return;
        model.closed = true;
    }
    shutdown();
}

void setSessionEndReason(const char* reason)
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    model.sessionEndReason = reason ? reason : "";
}

bool headlessWindowClosed()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    return model.closed;
}

std::string headlessSessionEndReason()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    return model.sessionEndReason;
}

bool headlessQuitPosted()
{
    std::lock_guard<std::recursive_mutex> guard(lock);
    return model.quitPosted;
}
