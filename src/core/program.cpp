#include "core/program.hpp"

#include "core/engine.hpp"
#include "core/options.hpp"
#include "core/state_dump.hpp"
#include "graphics/png_codec.hpp"
#include "platform/app_state.hpp"
#include "platform/headless_platform.hpp"
#include "platform/input_script.hpp"
#include "platform/instance_lock.hpp"
#include "platform/sdl_platform.hpp"

#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <system_error>

namespace vura {

namespace {

// Without GAME_DIR the bundled demo beside the program is played (build/demo), or else the
// current directory.
std::filesystem::path defaultGameDirectory() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        std::filesystem::path demo = exe.parent_path() / "demo";
        if (std::filesystem::is_directory(demo, ec))
            return demo;
    }
    return std::filesystem::current_path(ec);
}

// The screen surface as a PNG picture.
// What the window shows: the movie's picture while one shows, else the screen.
bool writeScreenshot(const Engine& engine, const std::filesystem::path& path) {
    const Surface* picture = engine.display.screenSurface.get();
    Surface movie;
    const VideoPlayer* player = engine.video.player.get();
    if (engine.video.showing && player && player->shown()) {
        const VideoFrame& f = *player->shown();
        if (movie.create(f.width, f.height, 24)) {
            for (int y = 0; y < f.height; ++y)
                std::memcpy(movie.row(y),
                            f.pixels.data() +
                                static_cast<std::ptrdiff_t>(f.height - 1 - y) * f.pitch,
                            static_cast<std::size_t>(f.width) * 3);
            picture = &movie;
        }
    }
    if (!picture || picture->empty())
        return false;
    std::FILE* file = std::fopen(path.c_str(), "wbe");
    if (!file)
        return false;
    bool ok = savePng(*picture, file);
    return std::fclose(file) == 0 && ok;
}

bool readFile(const std::filesystem::path& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    out = buffer.str();
    return !in.bad();
}

// The headless platform's settings: its clock, its log, the recording and the input script.
// False after saying on err what is wrong.
bool readHeadlessConfig(const Options& options, std::ostream& err, HeadlessConfig& headless) {
    headless.tickMs = options.tickMs;
    headless.log = &err;
    if (options.audioOutFile)
        headless.audioOut = *options.audioOutFile;
    if (!options.inputFile)
        return true;
    std::string text;
    if (!readFile(*options.inputFile, text)) {
        err << "vura: cannot read the input script '" << options.inputFile->string() << "'\n";
        return false;
    }
    InputScriptResult script = parseInputScript(text, options.inputFile->string());
    if (!script.ok) {
        err << "vura: " << script.error << '\n';
        return false;
    }
    headless.script = std::move(script.script);
    return true;
}

// The window, or the headless platform; null when the headless recording cannot be created
// (the platform has said why on its log).
std::unique_ptr<Platform> makePlatform(const Options& options, HeadlessConfig&& headless) {
    if (!options.headless)
        return std::make_unique<SdlPlatform>(SdlConfig{options.scale});
    // The recording is created only now, once this copy holds the lock, so a second copy
    // cannot empty the file of the one already running.
    auto headlessPlatform = std::make_unique<HeadlessPlatform>(std::move(headless));
    if (!headlessPlatform->audioOutError().empty())
        return nullptr;
    return headlessPlatform;
}

// The state dump and the screenshot asked for on the command line, written however the
// program ends.
void writeEndFiles(const Engine& engine, const Options& options, std::ostream& err) {
    if (options.dumpStateFile && !writeStateDump(engine, *options.dumpStateFile))
        err << "vura: cannot write the state dump '" << options.dumpStateFile->string() << "'\n";
    if (options.screenshotFile && !writeScreenshot(engine, *options.screenshotFile))
        err << "vura: cannot write the screenshot '" << options.screenshotFile->string() << "'\n";
}

// Start-up, the main loop and shut-down on the given platform.
int runEngine(Platform& platform, const Options& options,
              const std::filesystem::path& gameDirectory, std::ostream& err) {
    EngineConfig config;
    config.gameDirectory = gameDirectory;
    config.baseName = options.packName;
    config.fontFile = options.fontFile;
    config.saveDirectory = options.saveDirectory;
    config.trace = options.trace ? &err : nullptr;
    Engine engine(platform, std::move(config));
    if (!InitEngine(engine)) {
        writeEndFiles(engine, options, err);
        ShutdownEngine(engine);
        return kExitFailed;
    }
    if (!StartScript(engine)) {
        writeEndFiles(engine, options, err);
        return kExitFailed;
    }
    if (options.fullScreen)
        SetWindowMode(platform, *engine.app.appState, *engine.app.displayMode, true);
    RunMainLoop(engine, options.quitAfterMs);
    writeEndFiles(engine, options, err);
    ShutdownEngine(engine);
    return kExitOk;
}

} // namespace

int RunProgram(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    OptionsResult parsed = parseOptions(args);
    if (!parsed.ok) {
        err << "vura: " << parsed.error << "\nTry 'vura --help'.\n";
        return kExitUsage;
    }
    const Options& options = parsed.options;
    if (options.help) {
        out << engineHelpText();
        return kExitOk;
    }
    if (options.version) {
        out << engineVersionText();
        return kExitOk;
    }

    std::filesystem::path gameDirectory =
        options.gameDirectory ? *options.gameDirectory : defaultGameDirectory();
    std::error_code ec;
    if (!std::filesystem::is_directory(gameDirectory, ec)) {
        err << "vura: there is no game directory at '" << gameDirectory.string() << "'\n";
        return kExitUsage;
    }
    HeadlessConfig headless;
    if (options.headless && !readHeadlessConfig(options, err, headless))
        return kExitUsage;

    // A second copy ends at once, before any window or message.
    InstanceLock lock;
    if (!lock.acquire(InstanceLock::defaultPath())) {
        if (options.trace)
            err << "trace: another copy holds " << InstanceLock::defaultPath().string() << '\n';
        return kExitFailed;
    }
    std::unique_ptr<Platform> platform = makePlatform(options, std::move(headless));
    if (!platform)
        return kExitUsage;
    return runEngine(*platform, options, gameDirectory, err);
}

} // namespace vura
