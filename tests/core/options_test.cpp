#include "core/options.hpp"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace vura {
namespace {

OptionsResult parse(std::vector<std::string_view> args) {
    return parseOptions(args);
}

TEST(Options, EveryOptionInBothSpellings) {
    OptionsResult r =
        parse({"--headless", "--input", "in.txt", "--tick-ms=5", "--quit-after", "2500", "--trace",
               "--scale=3", "--fullscreen", "--audio-out=a.wav", "--font", "f.ttf", "game"});
    ASSERT_TRUE(r.ok) << r.error;
    const Options& o = r.options;
    EXPECT_TRUE(o.headless);
    EXPECT_EQ(o.inputFile->string(), "in.txt");
    EXPECT_EQ(o.tickMs, 5u);
    EXPECT_EQ(o.quitAfterMs, 2500u);
    EXPECT_TRUE(o.trace);
    EXPECT_EQ(o.scale, 3);
    EXPECT_TRUE(o.fullScreen);
    EXPECT_EQ(o.audioOutFile->string(), "a.wav");
    EXPECT_EQ(o.fontFile.string(), "f.ttf");
    EXPECT_EQ(o.gameDirectory->string(), "game");
}

TEST(Options, DefaultsWithoutArguments) {
    OptionsResult r = parse({});
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.options.headless);
    EXPECT_EQ(r.options.tickMs, 1u);
    EXPECT_EQ(r.options.scale, 1);
    EXPECT_FALSE(r.options.quitAfterMs);
    EXPECT_FALSE(r.options.gameDirectory);
}

TEST(Options, DoubleDashEndsTheOptions) {
    OptionsResult r = parse({"--", "--odd-name"});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.options.gameDirectory->string(), "--odd-name");
}

TEST(Options, MistakesAreRefusedWithAReason) {
    struct Case {
        std::vector<std::string_view> args;
        std::string_view fragment;
    };
    const Case cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"--scale", "0"}, "--scale"},
        {{"--scale", "9"}, "--scale"},
        {{"--scale"}, "--scale"},
        {{"--headless", "--tick-ms=0"}, "--tick-ms"},
        {{"--headless", "--tick-ms", "x"}, "--tick-ms"},
        {{"--quit-after", "-5"}, "--quit-after"},
        {{"--input", "a.txt"}, "--input needs --headless"},
        {{"--tick-ms", "2"}, "--tick-ms needs --headless"},
        {{"--audio-out", "a.wav"}, "--audio-out needs --headless"},
        {{"--headless", "--audio-out"}, "--audio-out needs a file name"},
        {{"--trace=yes"}, "takes no value"},
        {{"one", "two"}, "more than one game directory"},
    };
    for (const Case& c : cases) {
        OptionsResult r = parse(c.args);
        EXPECT_FALSE(r.ok) << c.fragment;
        EXPECT_NE(r.error.find(c.fragment), std::string::npos) << r.error;
    }
}

TEST(Options, HelpNamesEveryOption) {
    std::string help = engineHelpText();
    for (const char* option :
         {"--headless", "--input", "--tick-ms", "--quit-after", "--trace", "--scale",
          "--fullscreen", "--audio-out", "--font", "--help", "--version", "GAME_DIR"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

} // namespace
} // namespace vura
