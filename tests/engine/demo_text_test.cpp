// The demo played to its end on the headless backend: the picture scenes, then the text scene
// twice, the second time skipped with Ctrl up to the one line that is new. And the demo saved
// and continued in a second run of the program, where the lines read in the first still skip.

#include "graphics/png_codec.hpp"
#include "graphics/surface.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace vura {
namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The message box lines of a run's standard error.
std::string boxLines(const std::string& err) {
    std::string out;
    for (std::size_t at = err.find("messagebox:"); at != std::string::npos;
         at = err.find("messagebox:", at + 1))
        out += err.substr(at, err.find('\n', at) - at + 1);
    return out;
}

// Pixels of a screen rectangle bright enough to be the windows' near-white text: the frames'
// glass is dark blue over the room, and the text is the only light thing drawn on it.
int brightPixels(const Surface& screen, int x, int y, int width, int height) {
    int n = 0;
    for (int row = y; row < y + height; ++row)
        for (int column = x; column < x + width; ++column) {
            const std::uint8_t* p = screen.row(row) + column * 3;
            n += p[0] > 180 && p[1] > 180 && p[2] > 180;
        }
    return n;
}

TEST(DemoRun, TextScenePlaysToTheEndAndSkipsReadLinesWithCtrl) {
    test::TempDir work;
    // A click at once skips the opening movie. The next picks "start" on the title menu; clicks
    // every 0.6 s then carry the demo through its picture scenes and the whole first run of the
    // text scene, each on the first line of Mina's question's menu, with one click to spare. Ctrl
    // is held from the start of the text scene: it cannot skip lines not yet read, so the first run
    // still needs its clicks, but the second run has only read lines and skips them all in a
    // moment, up to the question (a menu waits for its click) and after it up to the goodbye, which
    // is new. Had the skip failed, the clicks would have run out long before the goodbye. The name
    // dialog before the text scene takes the player's name from the script.
    std::string input = "name 佐藤 ミナト\n12000 press LCtrl\n0 click 10 10\n1000 click 320 240\n";
    for (int ms = 1600; ms <= 26800; ms += 600)
        input += std::to_string(ms) + " click 320 390\n";
    input += "30000 click 320 390\n"; // the goodbye's click ends the demo
    fs::path script = work.write("input.txt", input);
    fs::path dump = work.path() / "state.json";
    fs::path shot = work.path() / "end.png";
    fs::path sound = work.path() / "sound.wav";
    test::ProcessResult r = test::runProcess(
        VURA_BINARY,
        {"--headless", "--input", script.string(), "--quit-after", "60000", "--dump-state",
         dump.string(), "--screenshot", shot.string(), "--audio-out", sound.string(), "--save-dir",
         (work.path() / "sav").string(), DEMO_DIR},
        {{"XDG_RUNTIME_DIR", work.path().string()}});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // The one box is the name's confirmation.
    EXPECT_EQ(boxLines(r.err),
              "messagebox: 確認: 苗字：佐藤　名前：ミナト\\nでよろしいですか？ -> yes\n");

    std::string state = readText(dump);
    // The game ended from its first script with its variables as the scenes left them: the
    // string commands' results, the settings the title stores (transitions on, music at 80,
    // effects at 100), the channels the sound script set up, and nothing left on the stack.
    for (const char* expected :
         {"\"engineState\": 0", "\"scriptName\": \"INIT\"",
          "\"gameStrings\": [\"今日は1月1日、サイコロは\\u0000\", \"vura\\u0000\", \"佐藤\", "
          "\"ミナト\"",
          "\"commonInts\": [1, 80, 100, 1, 0, 0, 0, 0]",
          "{\"name\": \"BGM\", \"pack\": -1, \"volumePercent\": 100, \"volumeVariable\": 1",
          "{\"name\": \"SE_CLICK\", \"pack\": 0, \"volumePercent\": 70", "\"stack\": []"})
        EXPECT_NE(state.find(expected), std::string::npos) << expected << "\n" << state;
    // Sound was heard for the whole run, about 30 s of 44100 Hz 16-bit stereo.
    EXPECT_GT(fs::file_size(sound), 44u + 29u * 44100u * 4u);
    // Every line of the scene read, the goodbye included: common flags 0 to 16; the answer to
    // the other choice (flag 17) was never shown.
    EXPECT_NE(state.find("\"commonFlags\": [1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0]"),
              std::string::npos)
        << state;
    // Eleven pages went by in the first run and nine in the second, which leaves out the voice
    // replay and the peek; the question's page is logged with its choices when one is picked,
    // and the pages on screen at each run's end are not logged.
    std::size_t log = state.find("\"messageLogPages\"");
    ASSERT_NE(log, std::string::npos);
    EXPECT_EQ(count(state.substr(log, state.find("\"stack\"") - log), "{\"window\": "), 20u);
    EXPECT_NE(state.find("おしまいです。"), std::string::npos);

    Surface screen;
    std::FILE* f = std::fopen(shot.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(loadPng(screen, f));
    std::fclose(f);
    ASSERT_EQ(screen.width(), 640);
    // The goodbye's first line in the narrator's box, Mina's last line along the bottom, and
    // the empty lower half of the box for comparison.
    EXPECT_GT(brightPixels(screen, 36, 36, 200, 26), 150);
    EXPECT_GT(brightPixels(screen, 48, 346, 400, 28), 300);
    EXPECT_EQ(brightPixels(screen, 36, 180, 276, 110), 0);
}

// Plays the demo headless with the input and the save directory inside `work`, for `ms`
// milliseconds of engine time, and returns the state it ended in.
std::string playDemo(const test::TempDir& work, const std::string& input, int ms) {
    fs::path script = work.write("input.txt", input);
    fs::path dump = work.path() / "state.json";
    test::ProcessResult r = test::runProcess(
        VURA_BINARY,
        {"--headless", "--input", script.string(), "--quit-after", std::to_string(ms),
         "--dump-state", dump.string(), "--save-dir", (work.path() / "sav").string(), DEMO_DIR},
        {{"XDG_RUNTIME_DIR", work.path().string()}});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // No box but the name dialog's confirmation, with the default names.
    EXPECT_EQ(boxLines(r.err).find("messagebox: error"), std::string::npos) << r.err;
    return readText(dump);
}

TEST(DemoRun, TheOpeningMovieIsWhatTheScreenshotShows) {
    test::TempDir work;
    fs::path shot = work.path() / "movie.png";
    fs::path dump = work.path() / "state.json";
    test::ProcessResult r = test::runProcess(
        VURA_BINARY,
        {"--headless", "--quit-after", "1200", "--screenshot", shot.string(), "--dump-state",
         dump.string(), "--save-dir", (work.path() / "sav").string(), DEMO_DIR},
        {{"XDG_RUNTIME_DIR", work.path().string()}});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(readText(dump).find("\"video\": {\"file\": \"OPENING.AVI\", \"open\": true, "
                                  "\"playing\": true, \"repeat\": false, \"positionMs\": 11"),
              std::string::npos);
    // The movie's night blue at the top, its white letters in the middle; the game itself has
    // drawn nothing yet.
    Surface screen;
    std::FILE* f = std::fopen(shot.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(loadPng(screen, f));
    std::fclose(f);
    const std::uint8_t* sky = screen.row(20) + 320 * 3;
    EXPECT_GT(sky[0], 30);
    EXPECT_GT(sky[0], 2 * sky[2]);
    EXPECT_GT(brightPixels(screen, 120, 170, 420, 140), 2000);
}

TEST(DemoRun, SavedGameContinuesFromTheTitleAndReadLinesStayRead) {
    test::TempDir work;
    // The first run carries the demo to the text scene's first line, saves it in slot 1 with
    // the save button (at 16 s), and reads on through the first four lines.
    std::string input = "0 click 10 10\n1000 click 320 240\n";
    for (int ms = 1600; ms <= 9400; ms += 600)
        input += std::to_string(ms) + " click 320 390\n";
    input += "16000 click 513 21\n17000 move 160 110\n17500 click 160 110\n";
    for (int ms = 19000; ms <= 23200; ms += 700)
        input += std::to_string(ms) + " click 320 390\n";
    std::string first = playDemo(work, input, 24000);
    EXPECT_NE(first.find("\"commonInts\": [1, 80, 100, 1, 0, 0, 1, 0]"), std::string::npos)
        << first; // common int 6: the slot saved last
    EXPECT_NE(first.find("\"commonFlags\": [1, 1, 1, 1, 0,"), std::string::npos) << first;
    ASSERT_TRUE(fs::exists(work.path() / "sav" / "SAVE01.OVS"));

    // The second run picks "continue" on the title, which loads slot 1, and holds Ctrl: the
    // lines read in the first run fly by, and the first one it never read (the narrator's,
    // about the voice) stops the skip.
    std::string second =
        playDemo(work, "0 click 10 10\n1000 click 320 280\n1500 press LCtrl\n", 6000);
    EXPECT_NE(second.find("\"engineState\": 44"), std::string::npos) << second;
    EXPECT_NE(second.find("{\"name\": \"BGM\", \"pack\": -1, \"volumePercent\": 100"),
              std::string::npos)
        << second; // the music's channel as the save had it
    EXPECT_NE(second.find("\"pageText\": \"次のミナの台詞には声がついています。"),
              std::string::npos)
        << second;
}

} // namespace
} // namespace vura
