#include "base/sjis.hpp"
#include "core/script_file.hpp"
#include "pack_tool.hpp"
#include "resources/pack_archive.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace vura {
namespace {

using test::TempDir;

std::string asString(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
}

std::string scriptBytes() {
    ScriptImage image;
    image.code = {{1, 2, 3}, {4, -5, 6}};
    image.constantPool = {'h', 'i', 0};
    return asString(serializeScriptImage(image));
}

std::string layoutBytes() {
    LayoutImage layout;
    layout.gameInts = 16;
    layout.gameFlags = 8;
    layout.constInts = {7, 9};
    return asString(serializeLayoutImage(layout));
}

const std::string kPicture = "\x89PNG\r\n\x1a\n picture bytes";

// Writes the files (name, contents) into `dir` and packs them, in that order, into dir/GAME.
std::filesystem::path pack(const TempDir& dir,
                           const std::vector<std::pair<std::string, std::string>>& files,
                           std::uint8_t indexKey = kPackIndexKey,
                           std::uint8_t contentKey = kPackContentKey) {
    std::vector<std::filesystem::path> paths;
    for (const auto& [name, contents] : files)
        paths.push_back(dir.write("in/" + name, contents));
    std::filesystem::path base = dir.path() / "GAME";
    std::string error;
    EXPECT_TRUE(tools::writePack(paths, base, indexKey, contentKey, error)) << error;
    return base;
}

std::string readCurrent(const PackArchive& archive) {
    std::vector<std::uint8_t> out;
    EXPECT_TRUE(archive.ReadCurrent(out));
    return asString(out);
}

TEST(PackArchiveNames, BytesEqualToTheIndexKeyAndTrailBytesInAToZAreKeptAsTheyAre) {
    TempDir dir;
    // "Ｗ" is 0x82 0x76: its trail byte is the index key. "Ｂ" is 0x82 0x61: a trail byte 'a'.
    PackArchive archive(
        pack(dir, {{"ＷＡＶＥ.png", kPicture}, {"Ｂ.png", "b"}, {"TITLE.png", "t"}}));
    ASSERT_TRUE(archive.ReadIndex());
    ASSERT_EQ(archive.entries.size(), 3u);
    EXPECT_EQ(archive.entries[0].name, sjis("ＷＡＶＥ"));
    EXPECT_EQ(archive.entries[1].name, "\x82\x61");

    ASSERT_TRUE(archive.Find(sjis("ＷＡＶＥ"), kPackPng));
    EXPECT_EQ(readCurrent(archive), kPicture);
    ASSERT_TRUE(archive.Find("title", kPackPng));
    EXPECT_EQ(archive.current, 2);
    ASSERT_TRUE(archive.Find("\x82\x61", kPackPng));
    EXPECT_EQ(archive.current, 1);
    EXPECT_FALSE(archive.Find("\x82\x41", kPackPng)); // "Ａ" is another character
    EXPECT_FALSE(archive.Find("TITLE", kPackBmp));
}

TEST(PackArchiveFind, SameNameWithTwoTypesEitherGivesTheEarlierAndATypeGivesItsOwn) {
    TempDir dir;
    PackArchive archive(pack(dir, {{"PIC.png", "png"}, {"PIC.bmp", "bmp"}}));
    ASSERT_TRUE(archive.ReadIndex());
    ASSERT_TRUE(archive.FindEither("pic", kPackBmp, kPackPng));
    EXPECT_EQ(archive.current, 0);
    ASSERT_TRUE(archive.FindEither("pic", kPackPng, kPackBmp));
    EXPECT_EQ(archive.current, 0);
    ASSERT_TRUE(archive.Find("pic", kPackBmp));
    EXPECT_EQ(archive.CurrentEntry()->type, kPackBmp);
    EXPECT_EQ(readCurrent(archive), "bmp");
    ASSERT_TRUE(archive.Find("PIC", kPackPng));
    EXPECT_EQ(readCurrent(archive), "png");
}

TEST(PackArchiveRead, ScriptsAreDescrambledAndPicturesReadAsStored) {
    TempDir dir;
    const std::string script = scriptBytes();
    PackArchive archive(pack(dir, {{"INIT.SQX", script}, {"BG.png", kPicture}}));
    ASSERT_TRUE(archive.ReadIndex());
    EXPECT_EQ(archive.CurrentSize(), -1);
    std::vector<std::uint8_t> none;
    EXPECT_FALSE(archive.ReadCurrent(none));

    std::string stored = asString(readFile(archive.dataPath));
    ASSERT_TRUE(archive.Find("INIT", kPackScript));
    EXPECT_EQ(archive.CurrentSize(), static_cast<std::int64_t>(script.size()));
    EXPECT_EQ(readCurrent(archive), script);
    EXPECT_NE(stored.substr(0, script.size()), script);
    ASSERT_TRUE(archive.Find("BG", kPackPng));
    EXPECT_EQ(readCurrent(archive), kPicture);
    EXPECT_EQ(stored.substr(archive.CurrentEntry()->offset), kPicture);
}

TEST(PackArchiveStream, OpensOnceSeeksToTheEntryAndOpensAgainAfterClosing) {
    TempDir dir;
    int released = -1;
    {
        PackArchive archive(pack(dir, {{"A.wav", "first"}, {"B.ogg", "OggS and more"}}));
        ASSERT_TRUE(archive.ReadIndex());
        ASSERT_TRUE(archive.Find("b", kPackOgg));
        for (int mode : {0, 1}) {
            SCOPED_TRACE(mode);
            ASSERT_TRUE(archive.OpenStream(mode));
            EXPECT_FALSE(archive.OpenStream(mode));
            ASSERT_TRUE(archive.SeekCurrent());
            char buffer[4] = {};
            ASSERT_EQ(mode == 1 ? ::read(archive.handle(), buffer, 4)
                                : static_cast<ssize_t>(std::fread(buffer, 1, 4, archive.stream())),
                      4);
            EXPECT_EQ(std::string(buffer, 4), "OggS");
            archive.CloseStream();
            EXPECT_FALSE(mode == 1 ? archive.handle() >= 0 : archive.stream() != nullptr);
            ASSERT_TRUE(archive.OpenStream(mode));
        }
        // A streamed sound takes the handle over; the next one gets a new handle.
        ASSERT_TRUE(archive.SeekCurrent());
        released = archive.releaseHandle();
        EXPECT_EQ(archive.handle(), -1);
        EXPECT_TRUE(archive.OpenStream(1));
    }
    ASSERT_GE(released, 0);
    char buffer[4] = {};
    ASSERT_EQ(::read(released, buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "OggS");
    EXPECT_EQ(::close(released), 0);
}

TEST(PackArchiveKeys, OtherKeysAreFoundEvenWhenTheLayoutComesBeforeTheFirstScript) {
    const std::string script = scriptBytes(), layout = layoutBytes();
    for (auto [indexKey, contentKey] :
         {std::pair<int, int>{0x11, 0xE5}, {0x00, 0x00}, {0x41, 0x9B}, {0xFF, 0x01}}) {
        SCOPED_TRACE(testing::Message() << indexKey << "/" << contentKey);
        TempDir dir;
        PackArchive archive(
            pack(dir, {{"NECEMEM.SQI", layout}, {"ABA.png", kPicture}, {"GREETING.SQX", script}},
                 static_cast<std::uint8_t>(indexKey), static_cast<std::uint8_t>(contentKey)));
        ASSERT_TRUE(archive.ReadIndex());
        EXPECT_EQ(archive.indexKey, indexKey);
        EXPECT_EQ(archive.contentKey, contentKey);
        ASSERT_TRUE(archive.Find("NECEMEM", kPackScript));
        EXPECT_EQ(readCurrent(archive), layout);
        ASSERT_TRUE(archive.Find("GREETING", kPackScript));
        EXPECT_EQ(readCurrent(archive), script);
        ASSERT_TRUE(archive.Find("ABA", kPackPng));
        EXPECT_EQ(readCurrent(archive), kPicture);
    }
}

// Rewrites the index beside a good archive and expects it refused, with the archive still
// present and hiding everything (also what an earlier good index had loaded).
void expectRefused(PackArchive& archive, const std::vector<std::uint8_t>& index) {
    std::ofstream(archive.indexPath, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(index.data()),
               static_cast<std::streamsize>(index.size()));
    EXPECT_FALSE(archive.ReadIndex());
    EXPECT_TRUE(archive.present);
    EXPECT_TRUE(archive.indexRefused);
    EXPECT_TRUE(archive.entries.empty());
    EXPECT_FALSE(archive.Find("A", kPackPng));
    EXPECT_EQ(archive.CurrentSize(), -1);
}

TEST(PackArchiveDamage, TruncatedAndLyingIndexesAreRefused) {
    TempDir dir;
    PackArchive archive(pack(dir, {{"A.png", "aaaa"}, {"B.SQX", scriptBytes()}}));
    const std::vector<std::uint8_t> good = readFile(archive.indexPath);
    ASSERT_TRUE(archive.ReadIndex());
    ASSERT_TRUE(archive.Find("A", kPackPng));
    for (std::size_t length = 0; length < good.size(); ++length) {
        SCOPED_TRACE(length);
        expectRefused(archive, std::vector<std::uint8_t>(good.begin(), good.begin() + length));
    }

    const std::uint64_t dataSize = std::filesystem::file_size(archive.dataPath);
    std::vector<PackEntry> entries = parsePackIndex(good, dataSize)->entries;
    std::vector<std::uint8_t> lying = serializePackIndex(entries, kPackIndexKey);
    lying[0] ^= 1; // the count says 3 where the index holds 2
    expectRefused(archive, lying);
    for (auto [offset, size] : {std::pair<std::uint64_t, std::uint64_t>{0, dataSize + 1},
                                {dataSize, 1},
                                {0xFFFFFFF0u, 0x20},
                                {1, 0xFFFFFFFFu}}) {
        SCOPED_TRACE(testing::Message() << offset << "+" << size);
        std::vector<PackEntry> bad = entries;
        bad[1].offset = static_cast<std::uint32_t>(offset);
        bad[1].size = static_cast<std::uint32_t>(size);
        expectRefused(archive, serializePackIndex(bad, kPackIndexKey));
    }
}

TEST(PackArchivePresence, NeedsBothFilesFoundWithoutRegardToCase) {
    TempDir dir;
    dir.write("game", "data");
    dir.write("game.LST", asString(serializePackIndex({{0, 4, "A", kPackPng}}, kPackIndexKey)));
    PackArchive archive(dir.path() / "GAME");
    ASSERT_TRUE(archive.present);
    ASSERT_TRUE(archive.ReadIndex());
    ASSERT_TRUE(archive.Find("a", kPackPng));
    EXPECT_EQ(readCurrent(archive), "data");

    dir.write("ONLYDATA", "data");
    dir.write("ONLYINDEX.lst", asString(serializePackIndex({}, kPackIndexKey)));
    EXPECT_FALSE(PackArchive(dir.path() / "ONLYDATA").present);
    EXPECT_FALSE(PackArchive(dir.path() / "ONLYINDEX").present);
}

} // namespace
} // namespace vura
