// The .exe's own resources as Windows sees them: both blobs stored once, in
// English (United States), under their numeric type and id; the application
// manifest where Windows looks for it. With FLINTWELL_RELEASE_EXE set, also
// those of a released Flintwell.exe against the files of its release (the
// release test, tests/embedded/release_case.sh).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "image/resources.h"
#include "tests/support/temp_files.h"

namespace {

BOOL CALLBACK collectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR list)
{
    reinterpret_cast<std::vector<WORD>*>(list)->push_back(language);
    return TRUE;
}

TEST(ExeResources, EachBlobIsStoredOnceInEnglishUnitedStates)
{
    HMODULE self = GetModuleHandleA(nullptr);
    for (auto [id, type] : {std::pair{imageResourceId, imageResourceType},
                            std::pair{configResourceId, configResourceType}}) {
        std::vector<WORD> languages;
        EnumResourceLanguagesA(self, MAKEINTRESOURCEA(type), MAKEINTRESOURCEA(id), collectLanguage,
                               reinterpret_cast<LONG_PTR>(&languages));
        ASSERT_EQ(languages.size(), 1u) << "type " << type << " id " << id;
        EXPECT_EQ(languages[0], MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));

        // What loadResourceBytes returns is the resource Windows finds.
        HRSRC found = FindResourceExA(self, MAKEINTRESOURCEA(type), MAKEINTRESOURCEA(id), languages[0]);
        ASSERT_NE(found, nullptr);
        uint32_t size = 0;
        const uint8_t* bytes = loadResourceBytes(id, type, &size);
        EXPECT_EQ(bytes, LockResource(LoadResource(self, found)));
        EXPECT_EQ(size, SizeofResource(self, found));
    }
}

TEST(ExeResources, BlobsAreNotUnderStandardTypes)
{
    // User-defined numeric types, not RT_RCDATA or a named type.
    HMODULE self = GetModuleHandleA(nullptr);
    EXPECT_EQ(FindResourceA(self, MAKEINTRESOURCEA(imageResourceId), MAKEINTRESOURCEA(10)), nullptr);
    EXPECT_EQ(FindResourceA(self, MAKEINTRESOURCEA(imageResourceId), "256"), nullptr);
}

std::string resourceOf(HMODULE module, unsigned id, unsigned type)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(type));
    if (found == nullptr)
        return "(missing)";
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(bytes, SizeofResource(module, found));
}

TEST(ExeResources, TheManifestAsksForNoElevationVisualStylesAndPerMonitorDpi)
{
    const std::string manifest = resourceOf(GetModuleHandleA(nullptr), 1, 24);  // RT_MANIFEST
    for (const char* part : {
             "level=\"asInvoker\"",
             "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
             ">true/pm</dpiAware>",
             ">PerMonitorV2, PerMonitor</dpiAwareness>",
         })
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
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
    FreeLibrary(released);
}

}  // namespace
