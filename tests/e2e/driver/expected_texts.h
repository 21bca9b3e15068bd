// What the window must show, written out here independently of the
// program's own text table, so that a wrong text or a broken conversion to
// UTF-16 shows up as a difference.
#pragma once
#include <string>

struct ExpectedTexts {
    const wchar_t* title;
    const wchar_t* search;
    const wchar_t* start;
    const wchar_t* update;
    const wchar_t* updateReset;
    const wchar_t* menuFile;
    const wchar_t* menuTools;
    const wchar_t* menuHelp;
    const wchar_t* menuQuit;
    const wchar_t* menuLanguage;
    const wchar_t* menuHelpItem;
    const wchar_t* menuAbout;
    const wchar_t* caption;
    const wchar_t* header;  // printHeader for the built-in image, separator and line break included
    const wchar_t* deviceManager;
    const wchar_t* searching;
    const wchar_t* found;
    const wchar_t* notFound;
    const wchar_t* updateRequired;
    const wchar_t* versionsSame;
    const wchar_t* askVersionsSame;
    const wchar_t* deviceNewer;
    const wchar_t* askDeviceNewer;
    const wchar_t* writingFlash;
    const wchar_t* resetDevice;
    const wchar_t* successful;
    const wchar_t* report;  // the device report of the default simulator on COM7, version 1.04
    const wchar_t* errorHexLoad;
    const wchar_t* errorAppconfigLoad;
    const wchar_t* aboutFirstLines;  // the About text up to the version line
    // The update job's failures.
    const wchar_t* recordingInterrupted;
    const wchar_t* failed;
    const wchar_t* updateFailed;
    const wchar_t* resetSettings;
    const wchar_t* noSettingsResetAck;
    const wchar_t* noDeviceResetAck;
    const wchar_t* portWriteError;  // followed by " [error number]"
    // Keeping the reader reachable.
    const wchar_t* foundInBootloader;
    const wchar_t* staysInBootloader;  // with how to finish, after UPDATE FAILED
};

constexpr const wchar_t* separator = L"\r\n------------------------------------------------";
constexpr const wchar_t* banner = L"\r\n++++++++++++++++++++++++++++++++++++++++++++++++";
constexpr const wchar_t* idLabelAtRest = L"ID: 0; 0;";
constexpr const wchar_t* idLabelOfSimulator = L"ID: 0012345678; 0167772161;";
constexpr const wchar_t* aboutCaption = L"О программе...";

inline const ExpectedTexts russianTexts = {
    L"Flintwell вер.1.0",
    L"ПОИСК",
    L"СТАРТ",
    L"Обновить прошивку",
    L"Обновить прошивку и сбро-\r\nсить настройки по умолчанию",
    L"Файл",
    L"Инструменты",
    L"Помощь",
    L"Выход",
    L"Язык",
    L"Справка",
    L"О программе...",
    L"Сообщение",
    L"\r\n   Karvo-7KRM вер.1.05 [сер.01 изм.02  пп.03]"
    L"\r\n   ++++++++++++++++++++++++++++++++++++++++++"
    L"\r\n------------------------------------------------\r\n",
    L"\r\n>> Диспетчер устройств",
    L"\r\n<< Поиск устройства для обновления ",
    L"\r\n>> Устройство найдено:",
    L"\r\n>> Устройство не найдено!",
    L"\r\n>> ОБНОВИТЕ ПРОШИВКУ УСТРОЙСТВА!",
    L"\r\n>> НЕ ТРЕБУЕТСЯ ОБНОВЛЕНИЯ ПРОШИВКИ!\r\n   (Версии прошивок одинаковые...)",
    L"Не требуется обновления прошивки!\n(Версии прошивок одинаковые...)\n\nВ любом случае обновить прошивку?",
    L"\r\n>> НЕ ТРЕБУЕТСЯ ОБНОВЛЕНИЯ ПРОШИВКИ!\r\n   (Версия прошивки устройства новее...)",
    L"Не требуется обновления прошивки!\n(Версия прошивки устройства новее...)\n\nВ любом случае обновить прошивку?",
    L"\r\n<< Запись во Flash память",
    L"\r\n<< Сброс устройства",
    L"\r\n\t\t    УДАЧНО!!!",
    L"\r\n>> Устройство найдено:"
    L"\r\n   > порт:\t\tCOM7"
    L"\r\n   > интерфейс:\t\t61/1.00/128"
    L"\r\n   > Штрих-код:\t\t0012345678 [00BC614E]"
    L"\r\n   > ID шифра прибора:\t0167772161 [10.0.0.1]"
    L"\r\n   > тип устройства:\tKarvo-7KRM"
    L"\r\n   > серия:\t\t01"
    L"\r\n   > изменение:\t\t02"
    L"\r\n   > исполнение ПП:\t03"
    L"\r\n   > версия ПО:\t\t1.04"
    L"\r\n   > VID:PID:\t\t1234ABCD"
    L"\r\n   > Flash:\t\t256KB"
    L"\r\n   > Eeprom:\t\t4KB",
    L"Ошибка: загрузка данных из hex-файла!",
    L"Ошибка: загрузка данных из appconfig-файла!",
    L"Загрузчик:\n\rFlintwell.\n\r\n\rВерсия:   1.00",
    L"\r\n   > запись прервана",
    L"\r\n>> Ошибка: Завершилась неудачей!",
    L"\r\n\tОБНОВЛЕНИЕ ЗАВЕРШИЛОСЬ НЕУДАЧЕЙ!!!",
    L"\r\n<< Сброс настроек по умолчанию",
    L"\r\n>> Ошибка: Нет подтверждения сброса настроек!",
    L"\r\n>> Ошибка: Нет подтверждения сброса устройства!",
    L"\r\n<< Ошибка: Запись в COM-порт!",
    L"\r\n   > найдено в загрузчике: прошивка может быть неполной",
    L"\r\n>> Устройство остается в загрузчике. Не отключайте его!"
    L"\r\n   Нажмите ПОИСК, затем СТАРТ, чтобы завершить обновление.",
};

inline const ExpectedTexts englishTexts = {
    L"Flintwell ver.1.0",
    L"SEARCH",
    L"START",
    L"Update Firmware",
    L"Update Firmware and Reset\r\n to Default",
    L"File",
    L"Tools",
    L"Help",
    L"Quit",
    L"Language",
    L"Help",
    L"About...",
    L"Message",
    L"\r\n   Karvo-7KRM ver.1.05 [ser.01 var.02 pcb.03]"
    L"\r\n   ++++++++++++++++++++++++++++++++++++++++++"
    L"\r\n------------------------------------------------\r\n",
    L"\r\n>> Device Manager",
    L"\r\n<< Searching for a device to update ",
    L"\r\n>> Device found:",
    L"\r\n>> Device not found!",
    L"\r\n>> UPDATE YOUR DEVICE FIRMWARE!",
    L"\r\n>> NO FIRMWARE UPDATE REQUIRED!\r\n   (Firmware versions are the same...)",
    L"No firmware update required!\n(Firmware versions are the same...)\n\nShould I update the firmware anyway?",
    L"\r\n>> NO FIRMWARE UPDATE REQUIRED!\r\n   (The Device's firmware version is newer...)",
    L"No firmware update required!\n(The Device's firmware version is newer...)\n\nShould I update the firmware anyway?",
    L"\r\n<< Writing to Flash Memory",
    L"\r\n<< Reset device",
    L"\r\n\t\t  SUCCESSFUL!!!",
    L"\r\n>> Device found:"
    L"\r\n   > port:\t\tCOM7"
    L"\r\n   > interface:\t\t61/1.00/128"
    L"\r\n   > Barcode:\t\t0012345678 [00BC614E]"
    L"\r\n   > ID device cipher:\t\t0167772161 [10.0.0.1]"
    L"\r\n   > device type:\tKarvo-7KRM"
    L"\r\n   > series:\t\t01"
    L"\r\n   > change:\t\t02"
    L"\r\n   > execution PCB:\t03"
    L"\r\n   > software version:\t1.04"
    L"\r\n   > VID:PID:\t\t1234ABCD"
    L"\r\n   > Flash:\t\t256KB"
    L"\r\n   > Eeprom:\t\t4KB",
    L"Error: loading data from hex file!",
    L"Error: loading data from appconfig file!",
    L"Loader:\n\rFlintwell.\n\r\n\rVersion:   1.00",
    L"\r\n   > recording interrupted",
    L"\r\n>> Error: Failed!",
    L"\r\n\t\tUPDATE FAILED!!!",
    L"\r\n<< Reset to default settings",
    L"\r\n>> Error: No confirmation of reset!",
    L"\r\n>> Error: No confirmation of device reset!",
    L"\r\n<< Error: Writing to COM port!",
    L"\r\n   > found in its bootloader: the firmware may be incomplete",
    L"\r\n>> The reader stays in its bootloader. Do not disconnect it!"
    L"\r\n   Press SEARCH, then START to finish the update.",
};

inline const ExpectedTexts& textsIn(int language)
{
    return language == 0 ? russianTexts : englishTexts;
}
