#include "image/start_up_load.h"

#include <cstdint>
#include <cstring>

#include "app/app_state.h"
#include "image/config_scan.h"
#include "image/embedded_image.h"
#include "image/image_check.h"
#include "image/resources.h"
#include "ui/text_table.h"

namespace {

const char resetSettingsOn[] = "RESET_SETTINGS = TRUE;";

// The rules the build's own image passed, on the text as it will stream.
bool imageIsWhole(const uint8_t* text, uint32_t length, std::string* problem)
{
    ImageCheck check;
    checkImage(text, length, &check);
    if (check.problems.empty())
        return true;
    if (problem != nullptr) {
        const ImageProblem& first = check.problems.front();
        *problem = "line " + std::to_string(first.line) + ": " + first.reason;
    }
    return false;
}

}  // namespace

bool loadImageAtStart(std::string* problem)
{
    if (problem != nullptr)
        problem->clear();
    ImageText text;
    return unpackEmbeddedImage(&text) == ImageTextEnd::unpacked &&
           imageIsWhole(text.bytes.get(), text.length, problem) && scanImageConfig(text.bytes.get(), text.length);
}

std::string imageLoadFailureText(const std::string& problem)
{
    const std::string text = texts().errorHexLoad;
    return problem.empty() ? text : text + "\n" + problem;
}

bool loadAppConfig()
{
    uint32_t size = 0;
    const uint8_t* resource = loadResourceBytes(configResourceId, configResourceType, &size);
    if (resource == nullptr || size == 0)
        return false;

    if (configTextAsksReset(resource, size))
        app.resetSettingsDefault = true;
    return true;
}

bool configTextAsksReset(const uint8_t* text, uint32_t size)
{
    // What does not fit the buffer is cut off; a cut line is too long to be
    // the one that turns the setting on.
    char line[appConfigLineSize] = {};
    for (uint32_t i = 0; i < size && i < appConfigLineSize - 1; ++i) {
        if (text[i] == '\r' || text[i] == '\0')
            break;
        line[i] = static_cast<char>(text[i]);
    }
    return strcmp(line, resetSettingsOn) == 0;
}
