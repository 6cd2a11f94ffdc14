#include "core/script_file.hpp"
#include "pack_tool.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace vura::tools {
namespace {

using test::TempDir;

std::string readWhole(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string scriptBytes() {
    ScriptImage image;
    image.code = {{7, 1, 2}};
    image.constantPool = {'o', 'k'};
    std::vector<std::uint8_t> bytes = serializeScriptImage(image);
    return std::string(bytes.begin(), bytes.end());
}

TEST(PackTool, PackListAndUnpackGiveBackTheFiles) {
    TempDir dir;
    const std::vector<std::pair<std::string, std::string>> files = {
        {"NECEMEM.SQI", std::string(32, '\0')},
        {"greeting.sqx", scriptBytes()},
        {"ＷＡＶＥ.wav", "RIFF"},
        {"bg.PNG", "\x89PNG"}};
    const std::vector<std::string> unpacked = {"NECEMEM.SQI", "GREETING.SQX", "ＷＡＶＥ.WAV",
                                               "BG.PNG"};
    std::vector<std::filesystem::path> paths;
    for (const auto& [name, contents] : files)
        paths.push_back(dir.write("in/" + name, contents));
    std::string error;
    ASSERT_TRUE(writePack(paths, dir.path() / "GAME", 0x11, 0xE5, error)) << error;

    std::string listing;
    ASSERT_TRUE(describePack(dir.path() / "GAME", listing, error)) << error;
    EXPECT_EQ(listing, "4 entries; index key 0x11, content key 0xE5\n"
                       "NECEMEM\tscript (1)\toffset 0\tsize 32\n"
                       "GREETING\tscript (1)\toffset 32\tsize 22\n"
                       "ＷＡＶＥ\twav (4)\toffset 54\tsize 4\n"
                       "BG\tpng (3)\toffset 58\tsize 4\n");

    std::vector<std::filesystem::path> written;
    ASSERT_TRUE(unpackPack(dir.path() / "GAME", dir.path() / "out", written, error)) << error;
    ASSERT_EQ(written.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(written[i], dir.path() / "out" / unpacked[i]);
        EXPECT_EQ(readWhole(written[i]), files[i].second) << unpacked[i];
    }
}

TEST(PackTool, RefusesUnknownTypesLongNamesAndTwoFilesForOneEntry) {
    TempDir dir;
    auto refused = [&](const std::vector<std::filesystem::path>& paths) {
        std::string error;
        EXPECT_FALSE(writePack(paths, dir.path() / "GAME", kPackIndexKey, kPackContentKey, error));
        EXPECT_FALSE(error.empty());
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "GAME"));
    };
    refused({dir.write("notes.txt", "x")});
    refused({dir.write(std::string(64, 'N') + ".png", "x")});
    refused({dir.write("a/PIC.png", "1"), dir.write("b/pic.PNG", "2")});
    refused({dir.write("NECEMEM.SQI", "1"), dir.write("NECEMEM.sqx", "2")});

    // The limit counts Shift-JIS bytes: 63 of them here, 64 in UTF-8.
    std::string error;
    EXPECT_TRUE(
        writePack({dir.write(std::string(31, 'A') + "あ" + std::string(30, 'B') + ".png", "x"),
                   dir.write("PIC.png", "1"), dir.write("PIC.bmp", "2")},
                  dir.path() / "GAME", kPackIndexKey, kPackContentKey, error))
        << error;
}

TEST(PackTool, UnpackKeepsHostileNamesInsideTheDirectory) {
    TempDir dir;
    const std::vector<std::string> names = {"../x", "..", ".", "A/../../B", "..\\Y", "/ABS"};
    std::vector<PackEntry> entries;
    for (std::size_t i = 0; i < names.size(); ++i)
        entries.push_back({static_cast<std::uint32_t>(i), 1, names[i], kPackPng});
    dir.write("EVIL", "abcdef");
    std::vector<std::uint8_t> index = serializePackIndex(entries, kPackIndexKey);
    dir.write("EVIL.lst", std::string(index.begin(), index.end()));

    std::vector<std::filesystem::path> written;
    std::string error;
    ASSERT_TRUE(unpackPack(dir.path() / "EVIL", dir.path() / "out" / "deep", written, error))
        << error;
    ASSERT_EQ(written.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(std::filesystem::weakly_canonical(written[i]).parent_path(),
                  std::filesystem::weakly_canonical(dir.path() / "out" / "deep"))
            << written[i];
        EXPECT_EQ(readWhole(written[i]), std::string(1, static_cast<char>('a' + i))) << names[i];
    }
    std::size_t outside = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
        outside += entry.is_regular_file() && entry.path().parent_path().filename() != "deep";
    EXPECT_EQ(outside, 2u); // EVIL and EVIL.lst
}

} // namespace
} // namespace vura::tools
