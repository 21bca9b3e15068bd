#include "link/reader_models.h"

#include "link/device_info.h"

namespace {

const ReaderModel models[] = {
    {deviceTypeKru, "AT+BOOTL_KRU", SearchPath::serial, true, deviceTypeKru, "Karvo-7KRU", "",
     "\r\n   ++++++++++++++++++++++++++++++++++++++++++", "Karvo-7KRU", "Karvo-7KRU"},
    {deviceTypeKrm, "AT+BOOTL_KRM", SearchPath::serial, true, deviceTypeKrm, "Karvo-7KRM", "",
     "\r\n   ++++++++++++++++++++++++++++++++++++++++++", "Karvo-7KRM", "Karvo-7KRM"},
    // Both boards of the USB model take the leave request as the power board.
    {deviceTypeUsbMain, "AT+BOOTL_USB", SearchPath::usbSwitched, true, deviceTypeUsbPwr, "Karvo-7-USB",
     "\r\n\t\t   -----------\r\n\t\t    pcb: MAIN", "\r\n   +++++++++++++++++++++++++++++++++++++++++++",
     "Karvo-7-USB (pcb: MAIN)", "Karvo-7-USB MAIN"},
    {deviceTypeUsbPwr, "AT+BOOTL_USB", SearchPath::usbSwitched, true, deviceTypeUsbPwr, "Karvo-7-USB",
     "\r\n\t\t   ----------\r\n\t\t    pcb: PWR", "\r\n   +++++++++++++++++++++++++++++++++++++++++++",
     "Karvo-7-USB (pcb: PWR)", "Karvo-7-USB PWR"},
};

const ReaderModel unknownModel = {0, "AT+BOOTL_USB", SearchPath::usbIdentified, false, deviceTypeUsbPwr, nullptr, "", "",
                                  "Unknown device!", nullptr};

}  // namespace

const ReaderModel& readerModel(uint32_t deviceType)
{
    for (const ReaderModel& model : models)
        if (model.deviceType == deviceType)
            return model;
    return unknownModel;
}

bool isKnownModel(uint32_t deviceType)
{
    return readerModel(deviceType).deviceType != 0;
}
