// The .exe's own resources as Windows sees them: both blobs stored once, in
// English (United States), under their numeric type and id.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "image/resources.h"

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

}  // namespace
