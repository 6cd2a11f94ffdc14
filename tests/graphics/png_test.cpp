#include "graphics/png_codec.hpp"
#include "graphics/surface.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace vura {
namespace {

const std::filesystem::path kSuite =
    std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().parent_path() /
    "shared" / "testdata" / "pngsuite";

bool loadFile(Surface& s, const std::filesystem::path& p) {
    std::FILE* f = std::fopen(p.c_str(), "rb");
    if (!f)
        return false;
    bool ok = loadPng(s, f);
    std::fclose(f);
    return ok;
}

std::vector<long> readNumbers(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::stringstream text;
    text << in.rdbuf();
    std::vector<long> numbers;
    std::string s = text.str();
    for (std::size_t i = 0; i < s.size();) {
        if (std::isdigit(static_cast<unsigned char>(s[i]))) {
            std::size_t used = 0;
            numbers.push_back(std::stol(s.substr(i), &used));
            i += used;
        } else {
            ++i;
        }
    }
    return numbers;
}

// Every picture of the suite with reference pixels loads to exactly those pixels once the
// alpha is dropped (16-bit samples: their high byte), and every damaged picture fails cleanly.
TEST(Png, SuitePicturesMatchTheirReferencePixels) {
    if (!std::filesystem::exists(kSuite / "png"))
        GTEST_SKIP() << "no PNG suite at " << kSuite;
    int compared = 0, damaged = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kSuite / "png")) {
        std::string name = entry.path().stem().string();
        Surface s;
        if (name[0] == 'x') {
            ASSERT_TRUE(s.create(3, 3, 24));
            EXPECT_FALSE(loadFile(s, entry.path())) << name;
            EXPECT_EQ(s.width(), 3) << name << ": a failed load leaves the surface alone";
            ++damaged;
            continue;
        }
        std::filesystem::path reference = kSuite / "json" / (name + ".json");
        if (!std::filesystem::exists(reference))
            continue;
        ASSERT_TRUE(loadFile(s, entry.path())) << name;
        std::vector<long> rgba = readNumbers(reference);
        ASSERT_EQ(rgba.size(), static_cast<std::size_t>(s.width()) * s.height() * 4) << name;
        bool sixteen = name.size() >= 2 && name.substr(name.size() - 2) == "16";
        int wrong = 0;
        for (int y = 0; y < s.height(); ++y) {
            for (int x = 0; x < s.width(); ++x) {
                const long* want = &rgba[(static_cast<std::size_t>(y) * s.width() + x) * 4];
                const std::uint8_t* got = s.row(y) + x * 3;
                for (int c = 0; c < 3; ++c) {
                    long w = sixteen ? want[c] >> 8 : want[c];
                    if (got[2 - c] != w)
                        ++wrong;
                }
            }
        }
        EXPECT_EQ(wrong, 0) << name << ": " << wrong << " samples differ";
        ++compared;
    }
    EXPECT_GT(compared, 140);
    EXPECT_GT(damaged, 10);
}

TEST(Png, TransparencyIsDroppedNotRefused) {
    if (!std::filesystem::exists(kSuite / "png"))
        GTEST_SKIP();
    for (const char* name : {"tbbn3p08", "tbrn2c08", "tbbn0g04", "tm3n3p02"}) {
        Surface s;
        EXPECT_TRUE(loadFile(s, kSuite / "png" / (std::string(name) + ".png"))) << name;
    }
}

TEST(Png, SavedSurfacesLoadBackUnchanged) {
    Surface original;
    ASSERT_TRUE(original.create(37, 11, 24));
    for (int y = 0; y < 11; ++y)
        for (int i = 0; i < 37 * 3; ++i)
            original.row(y)[i] = static_cast<std::uint8_t>(y * 40 + i * 3);
    std::FILE* f = std::tmpfile();
    ASSERT_TRUE(savePng(original, f));
    std::rewind(f);
    // The stream is plain RGB, 8 bits, not interlaced.
    unsigned char header[33];
    ASSERT_EQ(std::fread(header, 1, 33, f), 33u);
    EXPECT_EQ(header[24], 8); // bit depth
    EXPECT_EQ(header[25], 2); // colour type RGB
    EXPECT_EQ(header[28], 0); // no interlace
    std::rewind(f);
    Surface loaded;
    ASSERT_TRUE(loadPng(loaded, f));
    std::fclose(f);
    ASSERT_EQ(loaded.width(), 37);
    ASSERT_EQ(loaded.height(), 11);
    for (int y = 0; y < 11; ++y)
        EXPECT_EQ(std::memcmp(loaded.row(y), original.row(y), 37 * 3), 0) << y;
}

TEST(Png, NotAPngOrTruncatedFailsCleanly) {
    Surface picture;
    ASSERT_TRUE(picture.create(8, 8, 24));
    std::FILE* f = std::tmpfile();
    ASSERT_TRUE(savePng(picture, f));
    long size = std::ftell(f);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
    std::rewind(f);
    ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    for (std::size_t length :
         {std::size_t{0}, std::size_t{7}, std::size_t{20}, bytes.size() / 2, bytes.size() - 13}) {
        Surface s;
        std::FILE* m = fmemopen(bytes.data(), length == 0 ? 1 : length, "rb");
        EXPECT_FALSE(loadPng(s, length == 0 ? nullptr : m)) << length;
        EXPECT_TRUE(s.empty()) << length;
        std::fclose(m);
    }
}

} // namespace
} // namespace vura
