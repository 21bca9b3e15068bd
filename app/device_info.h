// The identification record of one reader, as its bootloader reports it and
// as the firmware image declares it (link/device_info.h reads and writes its
// wire form).
#pragma once
#include <cstdint>

struct DeviceInfo {
    uint8_t interfaceCode;
    uint16_t interfaceVersion;   // bits 8-15 major, 0-7 minor
    uint8_t interfaceParameter;
    uint32_t barcode;
    uint32_t cipherId;
    uint32_t deviceType;         // 0x0C00 KRU, 0x0C01 KRM, 0x0C02 USB MAIN, 0x0C03 USB PWR
    uint32_t hardware;           // bits 16-23 series, 8-15 change, 0-7 pcb
    uint32_t softwareVersion;    // bits 8-15 major, 0-7 minor
    uint32_t vidPid;             // bits 16-31 VID, 0-15 PID
    uint32_t flashStart;
    uint32_t flashEnd;
    uint32_t eepromStart;
    uint32_t eepromEnd;
};

// Known device types.
constexpr uint32_t deviceTypeKru = 0x0C00;
constexpr uint32_t deviceTypeKrm = 0x0C01;
constexpr uint32_t deviceTypeUsbMain = 0x0C02;
constexpr uint32_t deviceTypeUsbPwr = 0x0C03;

// Interface values that every image declares.
constexpr uint8_t imageInterfaceCode = 0x61;
constexpr uint16_t imageInterfaceVersion = 0x0100;
constexpr uint8_t imageInterfaceParameter = 128;
