#include "base/byte_order.hpp"
#include "core/script_file.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <climits>

namespace vura {
namespace {

std::vector<std::uint8_t> bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

ScriptImage sampleScript() {
    ScriptImage image;
    image.code = {{17, 2, 0}, {13, 12, 0}, {12, 0, 0}, {99, INT_MIN, -1}, {0, 0, 0}};
    image.constantPool = bytes({3, 0, 0, 0, 'a', 0x82, 0xA0, 0xFF});
    return image;
}

LayoutImage sampleLayout() {
    LayoutImage layout;
    layout.gameInts = 32;
    layout.gameFlags = 8;
    layout.gameStrings = 4;
    layout.constInts = {3, -1, INT_MIN};
    layout.constFlags = {1, 0};
    layout.constStrings = {"vura", std::string("\x82\xA0\0", 3), ""}; // empty one last
    layout.commonInts = 2;
    layout.commonFlags = 1;
    return layout;
}

void expectSameScript(const ScriptImage& a, const ScriptImage& b) {
    ASSERT_EQ(a.code.size(), b.code.size());
    for (std::size_t i = 0; i < a.code.size(); ++i) {
        EXPECT_EQ(a.code[i].opcode, b.code[i].opcode) << i;
        EXPECT_EQ(a.code[i].operand1, b.code[i].operand1) << i;
        EXPECT_EQ(a.code[i].operand2, b.code[i].operand2) << i;
    }
    EXPECT_EQ(a.constantPool, b.constantPool);
}

void expectSameLayout(const LayoutImage& a, const LayoutImage& b) {
    EXPECT_EQ(a.gameInts, b.gameInts);
    EXPECT_EQ(a.gameFlags, b.gameFlags);
    EXPECT_EQ(a.gameStrings, b.gameStrings);
    EXPECT_EQ(a.constInts, b.constInts);
    EXPECT_EQ(a.constFlags, b.constFlags);
    EXPECT_EQ(a.constStrings, b.constStrings);
    EXPECT_EQ(a.commonInts, b.commonInts);
    EXPECT_EQ(a.commonFlags, b.commonFlags);
}

std::vector<std::uint8_t> header(std::initializer_list<std::uint32_t> words) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t w : words)
        appendLe32(out, w);
    return out;
}

TEST(ScriptFile, ScriptRecordsAreLittleEndianAfterTheHeader) {
    ScriptImage image;
    image.code = {{0x01020304, -2, 0x7F}};
    image.constantPool = bytes({0xAA, 0xBB});
    EXPECT_EQ(serializeScriptImage(image),
              bytes({1, 0,    0,    0,    2,    0,    0, 0, 4, 3,    2,
                     1, 0xFE, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0xAA, 0xBB}));
    auto parsed = parseScriptImage(bytes({0, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->code.empty());
    EXPECT_TRUE(parsed->constantPool.empty());
}

TEST(ScriptFile, ScriptParsesBackWhatWasSerialized) {
    std::vector<std::uint8_t> file = serializeScriptImage(sampleScript());
    auto parsed = parseScriptImage(file);
    ASSERT_TRUE(parsed);
    expectSameScript(*parsed, sampleScript());
    EXPECT_EQ(serializeScriptImage(*parsed), file);
}

TEST(ScriptFile, EveryTruncatedScriptIsRefusedAndTrailingBytesIgnored) {
    const std::vector<std::uint8_t> file = serializeScriptImage(sampleScript());
    for (std::size_t n = 0; n < file.size(); ++n)
        EXPECT_FALSE(parseScriptImage(std::span(file.data(), n))) << "length " << n;
    std::vector<std::uint8_t> longer = file;
    longer.insert(longer.end(), {0xDE, 0xAD, 0xBE, 0xEF, 1});
    auto parsed = parseScriptImage(longer);
    ASSERT_TRUE(parsed);
    expectSameScript(*parsed, sampleScript());
}

TEST(ScriptFile, ScriptHeadersLargerThanTheFileAreRefused) {
    std::vector<std::uint8_t> tail(64, 0);
    auto withHeader = [&](std::uint32_t count, std::uint32_t poolSize) {
        std::vector<std::uint8_t> file = header({count, poolSize});
        file.insert(file.end(), tail.begin(), tail.end());
        return parseScriptImage(file);
    };
    EXPECT_TRUE(withHeader(5, 4));
    EXPECT_FALSE(withHeader(6, 0)); // 72 bytes of records in 64
    EXPECT_FALSE(withHeader(0, 65));
    EXPECT_FALSE(withHeader(0xFFFFFFFF, 0));
    EXPECT_FALSE(withHeader(0, 0xFFFFFFFF));
    EXPECT_FALSE(withHeader(0xFFFFFFFF, 0xFFFFFFFF));
    // Sizes that look small when the arithmetic wraps at 32 bits: 12 * 0x15555556 is
    // 0x100000008, and 8 + 0xFFFFFFF8 is 2^32.
    EXPECT_FALSE(withHeader(0x15555556, 0));
    EXPECT_FALSE(withHeader(0, 0xFFFFFFF8));
    EXPECT_FALSE(withHeader(0x15555555, 0x10));
}

TEST(ScriptFile, LayoutParsesBackWhatWasSerialized) {
    std::vector<std::uint8_t> file = serializeLayoutImage(sampleLayout());
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin(), file.begin() + 32),
              header({32, 8, 4, 3, 2, 3, 2, 1}));
    auto parsed = parseLayoutImage(file);
    ASSERT_TRUE(parsed);
    expectSameLayout(*parsed, sampleLayout());
    EXPECT_EQ(serializeLayoutImage(*parsed), file);
}

TEST(ScriptFile, EveryTruncatedLayoutIsRefusedAndTrailingBytesIgnored) {
    const std::vector<std::uint8_t> file = serializeLayoutImage(sampleLayout());
    for (std::size_t n = 0; n < file.size(); ++n)
        EXPECT_FALSE(parseLayoutImage(std::span(file.data(), n))) << "length " << n;
    std::vector<std::uint8_t> longer = file;
    longer.insert(longer.end(), {9, 0, 0, 0, 'x'});
    auto parsed = parseLayoutImage(longer);
    ASSERT_TRUE(parsed);
    expectSameLayout(*parsed, sampleLayout());
}

long peakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(ScriptFile, LayoutCountsAndLengthsBeyondTheFileAreRefused) {
    const long peakBefore = peakResidentKb();
    // Every count is capped, the banks sized only from the header included.
    for (int i = 0; i < 8; ++i) {
        std::vector<std::uint8_t> file(32 + 64, 0);
        std::vector<std::uint8_t> at = header({kMaxBankSize});
        std::copy(at.begin(), at.end(), file.begin() + 4 * i);
        if (i < 3 || i > 5) {
            EXPECT_TRUE(parseLayoutImage(file)) << "count " << i;
        }
        for (std::uint32_t lie : {kMaxBankSize + 1, 0x40000000u, 0xFFFFFFFFu}) {
            at = header({lie});
            std::copy(at.begin(), at.end(), file.begin() + 4 * i);
            EXPECT_FALSE(parseLayoutImage(file)) << "count " << i << " = " << lie;
        }
    }
    // Constant sections that claim more than the file holds.
    for (auto words :
         {header({0, 0, 0, kMaxBankSize, 0, 0, 0, 0}), header({0, 0, 0, 0, kMaxBankSize, 0, 0, 0}),
          header({0, 0, 0, 0, 0, kMaxBankSize, 0, 0}),
          header({0, 0, 0, 0, 0, 2, 0, 0, 4, 0x61727576}), // no second record
          header({0, 0, 0, 0, 0, 1, 0, 0, 0xFFFFFFFF}),    // a length of 2^32 - 1
          header({0, 0, 0, 0, 0, 1, 0, 0, 0xFFFFFFFC}), header({0, 0, 0, 0, 0, 1, 0, 0, 5, 0})}) {
        EXPECT_FALSE(parseLayoutImage(words)) << words.size();
    }
    // None of that reserved the room the headers asked for (4M strings would be 128 MiB).
    EXPECT_LT(peakResidentKb() - peakBefore, 16 * 1024);
}

} // namespace
} // namespace vura
