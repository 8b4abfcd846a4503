#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../test_support.h"
#include "platform/record_file.h"
#include "platform/runtime_error.h"

namespace zelmo::platform {
namespace {

namespace fs = std::filesystem;

class Win32RecordFile : public ::testing::Test {
  protected:
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // The error number ReplaceContents raises, or 0 when it succeeds.
    int FailureOf(const std::string& path, std::string_view bytes) {
        try {
            files_->ReplaceContents(path, bytes);
        } catch (const RunTimeError& e) {
            if (!path.empty()) {
                EXPECT_EQ(e.Subject(), path);
            }
            return e.Number();
        }
        return 0;
    }

    test::TempDir dir_;
    std::unique_ptr<RecordFileService> files_ = OpenSystemRecordFiles();
};

TEST_F(Win32RecordFile, WritesTheBytesAsGivenAndLeavesNothingElse) {
    const std::string bytes = "a,b,HOST,10.0.0.1,123,\x83\x65\x83\x58\x83\x67,X\r\n";
    files_->ReplaceContents(dir_ / "HOST.txt", bytes);
    EXPECT_EQ(test::ReadBytes(dir_ / "HOST.txt"), bytes);

    // A longer earlier record leaves nothing behind the new one.
    test::WriteBytes(dir_ / "OTHER.txt", std::string(500, 'x'));
    files_->ReplaceContents(dir_ / "OTHER.txt", "short\r\n");
    EXPECT_EQ(test::ReadBytes(dir_ / "OTHER.txt"), "short\r\n");
    EXPECT_EQ(test::ReadBytes(dir_ / "HOST.txt"), bytes);
    EXPECT_EQ(Names(), (std::vector<std::string>{"HOST.txt", "OTHER.txt"}));
}

TEST_F(Win32RecordFile, FailuresGiveTheirRunTimeErrorNumbersAndLeaveTheEarlierRecord) {
    test::WriteBytes(dir_ / "HOST.txt", "earlier\r\n");
    fs::create_directory(dir_.path() / "HOST.dir");
    test::WriteBytes(dir_ / "plain", "");

    EXPECT_EQ(FailureOf(dir_ / "missing\\HOST.txt", "x"), kPathNotFound);
    EXPECT_EQ(FailureOf(dir_ / "plain\\HOST.txt", "x"), kPathNotFound);
    EXPECT_EQ(FailureOf(dir_ / "HOST.dir", "x"), kPathFileAccessError);
    EXPECT_EQ(FailureOf(dir_ / "***\\HOST.txt", "x"), kBadFileNameOrNumber);
    EXPECT_EQ(FailureOf(dir_ / "HO?ST.txt", "x"), kBadFileNameOrNumber);
    EXPECT_EQ(FailureOf("", "x"), kBadFileNameOrNumber);
    EXPECT_EQ(FailureOf(dir_ / std::string(300, 'n'), "x"), kBadFileNameOrNumber);

    ASSERT_TRUE(SetFileAttributesA((dir_ / "HOST.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(FailureOf(dir_ / "HOST.txt", "new\r\n"), kPermissionDenied);
    SetFileAttributesA((dir_ / "HOST.txt").c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_EQ(test::ReadBytes(dir_ / "HOST.txt"), "earlier\r\n");
    EXPECT_EQ(Names(), (std::vector<std::string>{"HOST.dir", "HOST.txt", "plain"}));
}

TEST_F(Win32RecordFile, AHiddenRecordStaysHidden) {
    test::WriteBytes(dir_ / "HOST.txt", "earlier\r\n");
    ASSERT_TRUE(SetFileAttributesA((dir_ / "HOST.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
    files_->ReplaceContents(dir_ / "HOST.txt", "new\r\n");
    EXPECT_EQ(test::ReadBytes(dir_ / "HOST.txt"), "new\r\n");
    EXPECT_NE(GetFileAttributesA((dir_ / "HOST.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

}  // namespace
}  // namespace zelmo::platform
