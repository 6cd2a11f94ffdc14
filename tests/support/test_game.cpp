#include "support/test_game.hpp"

#include "graphics/png_codec.hpp"
#include "graphics/surface.hpp"
#include "script_asm.hpp"

namespace vura::test {

void TestGame::script(const std::string& name, const std::string& source,
                      const std::string& subdirectory) {
    tools::AssembleResult r = tools::assemble(source, name + ".asm");
    ASSERT_TRUE(r.ok) << r.error;
    std::vector<std::uint8_t> bytes = serializeScriptImage(r.image);
    std::string file = subdirectory.empty() ? name + ".SQX" : subdirectory + "/" + name + ".SQX";
    dir.write(file, std::string(bytes.begin(), bytes.end()));
}

void TestGame::layout(const std::string& source) {
    tools::LayoutResult r = tools::parseLayoutSource(source, "layout");
    ASSERT_TRUE(r.ok) << r.error;
    std::vector<std::uint8_t> bytes = serializeLayoutImage(r.layout);
    dir.write("NECEMEM.SQI", std::string(bytes.begin(), bytes.end()));
}

void TestGame::picture(const std::string& name, int w, int h, std::uint8_t blue, std::uint8_t green,
                       std::uint8_t red) {
    Surface s;
    ASSERT_TRUE(s.create(w, h, 24));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = s.row(y) + x * 3;
            p[0] = blue;
            p[1] = green;
            p[2] = red;
        }
    std::FILE* f = std::fopen((dir.path() / name).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(savePng(s, f));
    std::fclose(f);
}

GameRun::GameRun(const TestGame& game, const std::string& inputScript, std::uint32_t tickMs,
                 std::int64_t calendarStart, bool keepAudio) {
    HeadlessConfig config;
    config.keepAudio = keepAudio;
    config.tickMs = tickMs;
    config.log = &log;
    config.calendarStart = calendarStart;
    InputScriptResult parsed = parseInputScript(inputScript, "input");
    EXPECT_TRUE(parsed.ok) << parsed.error;
    config.script = parsed.script;
    platform = std::make_unique<HeadlessPlatform>(std::move(config));
    EngineConfig engineConfig;
    engineConfig.gameDirectory = game.path();
    engine = std::make_unique<Engine>(*platform, engineConfig);
}

GameRun::~GameRun() {
    if (engine) {
        EXPECT_EQ(engine->script.argumentMismatches, 0) << log.str();
    }
}

bool GameRun::start() {
    return InitEngine(*engine) && StartScript(*engine);
}

bool GameRun::pass() {
    bool quit = platform->pumpEvents(*engine->app.appState);
    EngineTick(*engine);
    return quit;
}

bool GameRun::runFor(std::uint32_t ms) {
    std::uint64_t until = platform->elapsedMs() + ms;
    while (platform->elapsedMs() < until) {
        if (pass())
            return true;
    }
    return false;
}

std::string GameRun::boxes() const {
    std::string out;
    for (const ShownMessageBox& b : platform->messageBoxes())
        out += b.captionUtf8 + ": " + b.textUtf8 + "\n";
    return out;
}

} // namespace vura::test
