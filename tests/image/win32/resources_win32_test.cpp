// With FLINTWELL_RELEASE_EXE set, the resources of a released Flintwell.exe
// against the files of its release, and its manifest (the release test,
// tests/embedded/release_case.sh).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

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
    // Its manifest: no elevation, the themed controls, sharp at every DPI.
    const std::string manifest = resourceOf(released, 1, 24);  // CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST
    for (const char* asked : {"level=\"asInvoker\"", "Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                              ">PerMonitorV2, PerMonitor<"}) {
        EXPECT_NE(manifest.find(asked), std::string::npos) << asked;
    }
    FreeLibrary(released);
}

}  // namespace
