#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/program_folder.h"
#include "zelmo_version.h"

namespace zelmo::platform {
namespace {

std::string StringValue(const std::vector<char>& info, const std::string& name) {
    char* value = nullptr;
    UINT size = 0;
    const std::string key = "\\StringFileInfo\\040904B0\\" + name;
    if (!VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &size)) {
        return "<missing>";
    }
    return size == 0 ? std::string() : std::string(value);
}

// What Explorer's Properties page shows and what the loader reads of the
// manifest, read back from the built programs.
TEST(VersionResource, BothProgramsCarryTheBuildsVersion) {
    const DWORD high = MAKELONG(ZELMO_VERSION_MINOR, ZELMO_VERSION_MAJOR);
    const DWORD low = MAKELONG(0, ZELMO_VERSION_PATCH);
    for (const char* name : {"ZelmoCB.exe", "zelmocb-cli.exe"}) {
        SCOPED_TRACE(name);
        const std::string path = ProgramFolder() + "\\..\\" + name;
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            ADD_FAILURE() << "no " << path;
            continue;
        }
        DWORD handle = 0;
        const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
        ASSERT_GT(size, 0u) << GetLastError();
        std::vector<char> info(size);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT fixedSize = 0;
        ASSERT_TRUE(
            VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize));
        EXPECT_EQ(fixed->dwFileVersionMS, high);
        EXPECT_EQ(fixed->dwFileVersionLS, low);
        EXPECT_EQ(fixed->dwProductVersionMS, high);
        EXPECT_EQ(fixed->dwProductVersionLS, low);

        EXPECT_EQ(StringValue(info, "FileVersion"), ZELMO_VERSION ".0");
        EXPECT_EQ(StringValue(info, "ProductVersion"), ZELMO_VERSION ".0");
        EXPECT_EQ(StringValue(info, "ProductName"), "Zelmo CB");
        EXPECT_EQ(StringValue(info, "CompanyName"), "");
        EXPECT_EQ(StringValue(info, "OriginalFilename"), name);

        // The manifest: long paths and the supported systems for both, the
        // common controls 6 and dpi awareness for the windowed program.
        const HMODULE image = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(image, nullptr);
        const HRSRC found = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
        const std::string manifest =
            found ? std::string(static_cast<const char*>(LockResource(LoadResource(image, found))),
                                SizeofResource(image, found))
                  : "";
        FreeLibrary(image);
        std::vector<std::string> wanted = {">true</longPathAware>", "supportedOS", "asInvoker"};
        if (std::string(name) == "ZelmoCB.exe") {
            wanted.insert(wanted.end(), {"Common-Controls\" version=\"6.", ">true</dpiAware>"});
        }
        for (const std::string& part : wanted) {
            EXPECT_NE(manifest.find(part), std::string::npos) << part << " not in:\n" << manifest;
        }
    }
}

}  // namespace
}  // namespace zelmo::platform
