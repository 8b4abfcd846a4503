#include "app/settings.h"

#include <gtest/gtest.h>

#include <optional>

#include "platform/runtime_error.h"
#include "test_support.h"

namespace zelmo {
namespace {

class SavePath : public ::testing::Test {
  protected:
    std::string Read(std::string_view ini) {
        test::WriteBytes(path, ini);
        return app::ReadSavePathFrom(path);
    }
    test::TempDir dir;
    std::string path = dir / "Zelmo.ini";
};

TEST_F(SavePath, PathStringCountsCharactersOfTheValue) {
    EXPECT_EQ(Read("[Save]\r\nSavePath=D:\\Inventory\r\nPathString=12\r\n"), "D:\\Inventory");
    EXPECT_EQ(Read("[Save]\r\nSavePath=D:\\Inventory\r\nPathString=2\r\n"), "D:");
    EXPECT_EQ(Read("[Save]\r\nSavePath=D:\\Inventory\r\nPathString=0\r\n"), "");
    EXPECT_EQ(Read("[Save]\r\nSavePath=D:\\Inventory\r\n"), "");
}

TEST_F(SavePath, ALargerPathStringRunsIntoTheBuffersNuls) {
    EXPECT_EQ(Read("[Save]\r\nSavePath=D:\\Inv\r\nPathString=8\r\n"),
              std::string("D:\\Inv\0\0", 8));
    const std::string whole = Read("[Save]\r\nSavePath=D:\\Inv\r\nPathString=250\r\n");
    EXPECT_EQ(whole.size(), 100u);
    EXPECT_EQ(whole.substr(0, 6), "D:\\Inv");
}

TEST_F(SavePath, WithoutSavePathTheDefaultAsterisksAreTaken) {
    EXPECT_EQ(Read("[Save]\r\nPathString=2\r\n"), "**");
    EXPECT_EQ(app::ReadSavePathFrom(dir / "missing.ini"), "");
}

TEST_F(SavePath, ANegativePathStringIsAnInvalidArgumentNamingTheValue) {
    const auto e = test::ErrorOf<platform::RunTimeError>(
        [&] { Read("[Save]\r\nSavePath=D:\\x\r\nPathString=-1\r\n"); });
    ASSERT_TRUE(e) << "no error";
    EXPECT_EQ(e->Number(), 5);
    EXPECT_NE(e->Detail().find("PathString -1"), std::string::npos);
    // The administrator learns where else the file may have come from.
    EXPECT_NE(e->Detail().find(app::SettingsOrder()), std::string::npos);
}

TEST_F(SavePath, OnlyTheFirst99BytesOfALongValueCanBeKept) {
    const std::string value(150, 'v');
    EXPECT_EQ(Read("[Save]\r\nSavePath=" + value + "\r\nPathString=150\r\n"),
              std::string(99, 'v') + '\0');
}

TEST(SettingsPath, BesideTheProgramFirstThenTheSystemsFolder) {
    test::TempDir program, system, bare;
    test::WriteBytes(program / "Zelmo.ini", "[Save]\r\n");
    const std::string programDir = program.path().string(), systemDir = system.path().string(),
                      bareDir = bare.path().string();
    struct Case {
        std::string programFolder;
        std::optional<std::string> systemFolder;
        std::string expected;
    } cases[] = {
        // A program run from a folder of its own keeps its file, package or not.
        {programDir, systemDir, programDir + "\\Zelmo.ini"},
        // The system's file is taken whether or not it exists: the defaults
        // then apply and messages name the place the administrator should use.
        {bareDir, systemDir, systemDir + "\\Zelmo.ini"},
        {bareDir, std::nullopt, bareDir + "\\Zelmo.ini"},
        {bareDir + "\\", std::nullopt, bareDir + "\\Zelmo.ini"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(app::SettingsPathIn(c.programFolder, c.systemFolder), c.expected)
            << c.programFolder;
    }
}

}  // namespace
}  // namespace zelmo
