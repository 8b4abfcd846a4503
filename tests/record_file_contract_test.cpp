// What every record-file service promises, checked on the in-memory service
// and on the system's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runtime_error.h"
#include "record_file_backends.h"

namespace zelmo::test {
namespace {

using Names = std::vector<std::string>;

template <typename Backend>
class RecordFileContract : public ::testing::Test {
  protected:
    int FailureOf(const std::string& path, std::string_view bytes) {
        return test::FailureOf(backend_.Service(), path, bytes);
    }
    Backend backend_;
};

using Backends = ::testing::Types<MemoryRecordFilesBackend, SystemRecordFilesBackend>;
TYPED_TEST_SUITE(RecordFileContract, Backends, BackendName);

TYPED_TEST(RecordFileContract, WritesTheBytesAsGivenAndLeavesNothingElse) {
    auto& backend = this->backend_;
    const std::string bytes = "a,b,HOST,10.0.0.1,123,\x83\x65\x83\x58\x83\x67,X\r\n";
    backend.Service().ReplaceContents(backend.At("HOST.txt"), bytes);
    EXPECT_EQ(backend.ReadFile("HOST.txt"), bytes);
    EXPECT_EQ(backend.Names(), Names{"HOST.txt"});

    // A longer earlier record leaves nothing behind the new one, which may
    // come in parts.
    backend.WriteFile("OTHER.txt", std::string(500, 'x'));
    const std::string_view parts[] = {"sh", "", "ort\r\n"};
    backend.Service().ReplaceContents(backend.At("OTHER.txt"), parts);
    EXPECT_EQ(backend.ReadFile("OTHER.txt"), "short\r\n");
    EXPECT_EQ(backend.ReadFile("HOST.txt"), bytes);
    EXPECT_EQ(backend.Names(), (Names{"HOST.txt", "OTHER.txt"}));
}

TYPED_TEST(RecordFileContract, FailuresGiveTheirRunTimeErrorNumbersAndLeaveTheEarlierRecord) {
    auto& backend = this->backend_;
    backend.WriteFile("HOST.txt", "earlier\r\n");
    backend.MakeFolder("HOST.dir");
    backend.WriteFile("plain", "");

    EXPECT_EQ(this->FailureOf(backend.At("missing\\HOST.txt"), "x"), platform::kPathNotFound);
    EXPECT_EQ(this->FailureOf(backend.At("plain\\HOST.txt"), "x"), platform::kPathNotFound);
    EXPECT_EQ(this->FailureOf(backend.At("HOST.dir"), "x"), platform::kPathFileAccessError);
    EXPECT_EQ(this->FailureOf(backend.At("***\\HOST.txt"), "x"), platform::kBadFileNameOrNumber);
    EXPECT_EQ(this->FailureOf(backend.At("HO?ST.txt"), "x"), platform::kBadFileNameOrNumber);
    EXPECT_EQ(this->FailureOf("", "x"), platform::kBadFileNameOrNumber);
    EXPECT_EQ(this->FailureOf(backend.At(std::string(300, 'n')), "x"),
              platform::kBadFileNameOrNumber);

    // The system's output open refuses a read-only file, even for root.
    backend.MakeReadOnly("HOST.txt");
    EXPECT_EQ(this->FailureOf(backend.At("HOST.txt"), "new\r\n"), platform::kPermissionDenied);

    EXPECT_EQ(backend.ReadFile("HOST.txt"), "earlier\r\n");
    EXPECT_EQ(backend.Names(), (Names{"HOST.dir", "HOST.txt", "plain"}));
}

}  // namespace
}  // namespace zelmo::test
