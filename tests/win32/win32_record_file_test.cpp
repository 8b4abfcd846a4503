// Record files on Windows: what the shared contract cannot ask of every
// system.
#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include "../record_file_backends.h"

namespace zelmo::platform {
namespace {

TEST(Win32RecordFile, AHiddenRecordStaysHidden) {
    test::SystemRecordFilesBackend backend;
    const std::string path = backend.At("HOST.txt");
    backend.WriteFile("HOST.txt", "earlier\r\n");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    backend.Service().ReplaceContents(path, "new\r\n");
    EXPECT_EQ(backend.ReadFile("HOST.txt"), "new\r\n");
    EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

}  // namespace
}  // namespace zelmo::platform
