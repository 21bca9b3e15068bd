#include "frontends/cli/batch_texts.h"

#include "ui/text_table.h"

namespace {

const BatchTexts russian = {
    .searching = "поиск",
    .updating = "обновление",
    .outcomes = {"обновлено", "отказ (версия не старше)", "нет устройства", "ОШИБКА в блоке %u",
                 "ОШИБКА при сбросе настроек", "ОШИБКА при сбросе устройства", "ПРЕРВАНО", "не начато",
                 "ПРЕРВАНО при поиске: ничего не записано", "ОШИБКА (нет результата)"},
    .summary = "Обновлено: %d, отказ: %d, нет устройства: %d, ошибок: %d",
    .failedPorts = "Не обновлены:",
    .stayInBootloader = "Эти устройства остаются в загрузчике. Не отключайте их! Запустите команду еще раз.",
    .recordFailed = "Журнал обслуживания не записан: %s: %s",
    .noReaderFound = "Устройство не найдено!",
};

const BatchTexts english = {
    .searching = "searching",
    .updating = "updating",
    .outcomes = {"updated", "declined (not older)", "no reader", "FAILED at block %u", "FAILED at the settings reset",
                 "FAILED at the device reset", "STOPPED", "not started",
                 "STOPPED during the search: nothing written", "FAILED (no result)"},
    .summary = "Updated: %d, declined: %d, no reader: %d, failed: %d",
    .failedPorts = "Not updated:",
    .stayInBootloader = "These readers stay in their bootloaders. Do not disconnect them! Run the command again.",
    .recordFailed = "Service record not written: %s: %s",
    .noReaderFound = "Device not found!",
};

}  // namespace

const BatchTexts& batchTexts(uint8_t language)
{
    return language == languageEnglish ? english : russian;
}
