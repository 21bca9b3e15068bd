// With FLINTWELL_RELEASE_EXE set, the resources of a released Flintwell.exe
// against the files of its release, its version block and its manifest (the
// release test, tests/embedded/release_case.sh).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/resources.h"
#include "tests/support/temp_files.h"

namespace {

std::string resourceOf(HMODULE module, unsigned id, unsigned type)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(type));
    if (found == nullptr)
        return "(missing)";
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(bytes, SizeofResource(module, found));
}

// A string of the version block's table for a language and code page, as UTF-8.
std::string versionString(const std::vector<char>& block, const wchar_t* table, const wchar_t* name)
{
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\") + table + L"\\" + name;
    if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || length == 0)
        return "(missing)";
    char text[512] = {};
    WideCharToMultiByte(CP_UTF8, 0, value, -1, text, sizeof text - 1, nullptr, nullptr);
    return text;
}

TEST(ExeResources, AReleasedExeCarriesTheImageAndConfigurationOfItsRelease)
{
    const char* exe = getenv("FLINTWELL_RELEASE_EXE");
    if (exe == nullptr)
        GTEST_SKIP() << "no FLINTWELL_RELEASE_EXE to look at";
    HMODULE released = LoadLibraryExA(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(released, nullptr) << exe;
    EXPECT_EQ(resourceOf(released, imageResourceId, imageResourceType),
              readFile(getenv("FLINTWELL_RELEASE_IMAGE")));
    const char* reset = getenv("FLINTWELL_RELEASE_RESET_SETTINGS");  // TRUE or FALSE
    EXPECT_EQ(resourceOf(released, configResourceId, configResourceType),
              std::string("RESET_SETTINGS = ") + (reset ? reset : "?") + ";\r\n");
    // Its version block: the program's version, and in both languages the
    // firmware it carries with the settings-reset choice.
    const char* named = getenv("FLINTWELL_RELEASE_FIRMWARE");  // "Karvo-7-USB MAIN 1.05"
    ASSERT_NE(named, nullptr);
    const std::string firmware = named;
    const bool resets = reset != nullptr && std::string(reset) == "TRUE";
    std::wstring wide(exe, exe + strlen(exe));
    std::vector<char> block(GetFileVersionInfoSizeW(wide.c_str(), nullptr));
    ASSERT_TRUE(!block.empty() && GetFileVersionInfoW(wide.c_str(), 0, DWORD(block.size()), block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    char fileVersion[32];
    snprintf(fileVersion, sizeof fileVersion, "%lu.%lu.%lu", fixed->dwFileVersionMS >> 16,
             fixed->dwFileVersionMS & 0xFFFF, fixed->dwFileVersionLS >> 16);
    EXPECT_EQ(fileVersion, std::string(FLINTWELL_VERSION));
    const struct {
        const wchar_t* table;
        const char* reset;
    } languages[] = {{L"040904B0", resets ? "settings reset" : "settings kept"},
                     {L"041904E3", resets ? "со сбросом настроек" : "без сброса настроек"}};
    for (const auto& language : languages) {
        EXPECT_EQ(versionString(block, language.table, L"FileVersion"), FLINTWELL_VERSION ".0");
        for (const wchar_t* name : {L"FileDescription", L"ProductVersion"}) {
            const std::string text = versionString(block, language.table, name);
            EXPECT_NE(text.find(firmware), std::string::npos) << text;
            EXPECT_NE(text.find(language.reset), std::string::npos) << text;
        }
    }
    // Its manifest: no elevation, the themed controls, sharp at every DPI.
    const std::string manifest = resourceOf(released, 1, 24);  // CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST
    for (const char* asked : {"level=\"asInvoker\"", "Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                              ">PerMonitorV2, PerMonitor<"}) {
        EXPECT_NE(manifest.find(asked), std::string::npos) << asked;
    }
    FreeLibrary(released);
}

}  // namespace
