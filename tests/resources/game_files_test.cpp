#include "base/sjis.hpp"
#include "resources/game_files.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

namespace vura {
namespace {

using test::TempDir;

TEST(GameFiles, ExactNameThenAnyCaseOneComponentAtATime) {
    TempDir dir;
    auto file = dir.write("Grp/BackGround01.png", "x");
    EXPECT_EQ(findGameFile(dir.path(), "Grp\\BackGround01.png"), file);
    EXPECT_EQ(findGameFile(dir.path(), "GRP\\BACKGROUND01.PNG"), file);
    EXPECT_EQ(findGameFile(dir.path(), "grp/background01.png"), file);
    EXPECT_FALSE(findGameFile(dir.path(), "grp\\background02.png"));
    // A directory is found only when asked for.
    EXPECT_FALSE(findGameFile(dir.path(), "GRP"));
    EXPECT_EQ(findGameFile(dir.path(), "grp", true), dir.path() / "Grp");
}

TEST(GameFiles, ShiftJisNamesMatchUtf8FilesOnDisk) {
    TempDir dir;
    // 表 is 0x95 0x5C: its second byte is '\', which must not split the name.
    auto file = dir.write("sqx/表紙.SQX", "x");
    EXPECT_EQ(findGameFile(dir.path(), sjis("sqx\\表紙.SQX")), file);
    EXPECT_EQ(findGameFile(dir.path(), sjis("SQX\\表紙.sqx")), file);
    // A file whose name is stored as raw Shift-JIS bytes is found too.
    std::string raw = sjis("背景") + ".BMP";
    auto rawFile = dir.write(raw, "y");
    EXPECT_EQ(findGameFile(dir.path(), sjis("背景.bmp")), rawFile);
}

TEST(GameFiles, NewFilesReuseTheDirectoriesThatExist) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "Sav");
    EXPECT_EQ(gameFilePath(dir.path(), "sav\\SAVE01.OVS"), dir.path() / "Sav" / "SAVE01.OVS");
    dir.write("Sav/save__.ovs", "");
    EXPECT_EQ(gameFilePath(dir.path(), "sav\\SAVE__.OVS"), dir.path() / "Sav" / "save__.ovs");
    EXPECT_EQ(gameFilePath(dir.path(), sjis("新規\\記録.OVS")), dir.path() / "新規" / "記録.OVS");
}

} // namespace
} // namespace vura
