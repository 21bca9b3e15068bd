// The device path Windows needs to open COM10 and above, never cut short.
#include "ports/serial_line.h"

#include <gtest/gtest.h>

TEST(Win32SerialPath, IsTheDeviceNamespacePrefixAndTheName)
{
    char path[serialPathSize], small[8];
    ASSERT_TRUE(serialDevicePath("COM12", path, sizeof path));
    EXPECT_STREQ(path, "\\\\.\\COM12");
    EXPECT_FALSE(serialDevicePath("COM12345", small, sizeof small));
}
