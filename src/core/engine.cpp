#include "core/engine.hpp"

#include "audio/sound_buffer.hpp"
#include "base/sjis.hpp"
#include "graphics/screen.hpp"
#include "resources/resource_lookup.hpp"
#include "save/save_files.hpp"
#include "text/font_system.hpp"
#include "text/text_commands.hpp"
#include "ui/modal_panels.hpp"
#include "video/video_commands.hpp"

#include <ostream>
#include <system_error>

namespace vura {

namespace {

// Start-up failures have no owner window and the caption "error".
bool startupFailure(Engine& engine, std::string_view messageUtf8) {
    engine.platform.messageBox(BoxOwner::NoWindow, sjis(messageUtf8), "error",
                               MessageBoxButtons::Ok);
    return false;
}

std::filesystem::path directoryWithSeparator(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(dir.empty() ? "." : dir, ec);
    if (ec)
        absolute = dir;
    absolute = absolute.lexically_normal();
    if (!absolute.empty() && !absolute.has_filename())
        return absolute; // already ends with a separator
    return absolute / "";
}

} // namespace

Engine::Engine(Platform& p, EngineConfig c)
    : platform(p), config(std::move(c)), text(p), commands(kCommandTable) {}

Engine::~Engine() {
    ShutdownEngine(*this);
}

namespace {

// Start-up's first objects: the display mode, what it learns of the program and the machine,
// and the game's default pack.
bool initProgram(Engine& engine) {
    AppRecord& app = engine.app;
    app.displayMode = std::make_unique<DisplayMode>(engine.platform);
    app.systemInfo = std::make_unique<SystemInfo>();
    SystemInfo& info = *app.systemInfo;
    info.programDirectory = directoryWithSeparator(engine.config.gameDirectory);
    info.baseName = engine.config.baseName.empty() ? detectPackBaseName(info.programDirectory)
                                                   : engine.config.baseName;
    info.hasVectorUnit = engine.config.processorCheck ? engine.config.processorCheck() : true;
    if (!info.hasVectorUnit)
        return startupFailure(engine, "MMX機能が搭載されていません。起動を中止します");
    if (!info.baseName.empty()) {
        app.defaultPack = std::make_unique<PackArchive>(info.programDirectory / info.baseName);
        if (app.defaultPack->present)
            app.defaultPack->ReadIndex();
    }
    return true;
}

// The registers, cleared in one block.
void clearRegisters(Engine& engine) {
    engine.app.windowTitle = kInitialWindowTitle;
    engine.app.skipMode = false;
    ScriptState& script = engine.script;
    script.engineState = kRunScriptState;
    script.commandPhase = 0;
    script.commandScratch.fill(0);
    script.savedCommandStack = {};
    script.savedCommandTop = -1;
    DisplayState& display = engine.display;
    display.screenWidth = kScreenWidth;
    display.screenHeight = kScreenHeight;
    display.effectRunning = false;
    display.scriptRunsDuringEffect = false;
    display.windowsOnTop = false;
    TextState& text = engine.text;
    text.effectVariable = 0;
    text.noWaitVariable = 0;
    text.skipAllVariable = 0;
    text.windowModeVariable = 0;
    engine.ui.rightClickEnabled = false;
}

bool initWindowAndInput(Engine& engine) {
    AppRecord& app = engine.app;
    app.appState = std::make_unique<AppState>(engine.platform);
    switch (app.appState->CreateMainWindow(app.windowTitle)) {
    case WindowCreation::ClassNotRegistered:
        return startupFailure(engine, "WindowClassレジストに失敗");
    case WindowCreation::WindowNotCreated:
        return startupFailure(engine, "Window生成に失敗");
    case WindowCreation::Ok:
        break;
    }
    app.input = std::make_unique<InputState>(engine.platform);
    if (app.input->InitInput() != 0)
        return false;
    app.appState->input = app.input.get();
    return true;
}

bool initSound(Engine& engine) {
    SoundState& sound = engine.sound;
    sound.manager = std::make_unique<SoundManager>(engine.platform);
    if (!sound.manager->create())
        return startupFailure(engine, "DirectSoundマネージャ生成に失敗");
    if (!sound.manager->createPrimary(kAudioOutputRate))
        return startupFailure(engine, "PrimaryDirectSoundBuffer生成に失敗");
    return true;
}

bool initDisplay(Engine& engine) {
    DisplayState& display = engine.display;
    display.mainLayerSet = std::make_unique<LayerSet>(engine.platform);
    display.rightClickLayerSet = std::make_unique<LayerSet>(engine.platform);
    display.screenSurface = std::make_unique<Surface>();
    display.workSurface = std::make_unique<Surface>();
    display.previousSurface = std::make_unique<Surface>();
    display.backdropSurface = std::make_unique<Surface>();
    display.thumbnailSurface = std::make_unique<Surface>();
    for (Surface* s : {display.screenSurface.get(), display.workSurface.get(),
                       display.previousSurface.get(), display.backdropSurface.get()}) {
        if (!s->create(display.screenWidth, display.screenHeight, 24))
            return startupFailure(engine, "Surface生成に失敗");
    }
    for (LayerSet* set : {display.mainLayerSet.get(), display.rightClickLayerSet.get()})
        set->setSurfaces(display.screenSurface.get(), display.workSurface.get(),
                         display.previousSurface.get());
    engine.app.appState->paintScreen = [&engine] { presentScreen(engine); };
    return true;
}

} // namespace

bool InitEngine(Engine& engine) {
    // FFmpeg's own messages go to the trace, never to standard error.
    MediaFile::setLog(engine.config.trace);
    // Boxes are drawn in the engine's look from the first one on, start-up failures included.
    engine.ui.boxPainter = MakeBoxPainter(engine);
    engine.platform.setBoxPainter(engine.ui.boxPainter.get());
    if (!initProgram(engine))
        return false;
    clearRegisters(engine);
    if (!initWindowAndInput(engine) || !initSound(engine) || !initDisplay(engine))
        return false;
    engine.ui.systemButtons = SystemButtons{};
    engine.text.messageLog = std::make_unique<MessageLog>();
    if (!engine.config.fontFile.empty())
        Fonts(engine); // a forced font that cannot be opened is reported at once
    engine.display.currentLayerSet = engine.display.mainLayerSet.get();
    engine.script.random.seed(static_cast<std::uint32_t>(engine.platform.calendarTime()));
    return true;
}

bool StartScript(Engine& engine) {
    engine.script.vm = std::make_unique<ScriptVm>();
    ScriptVm& vm = *engine.script.vm;
    vm.onAccessViolation = [&engine] {
        engine.platform.messageBox(BoxOwner::NoWindow, sjis("アクセスバイオレーションしてます＞＜"),
                                   "err", MessageBoxButtons::Ok);
    };
    if (!LoadNecemem(engine))
        return startupFailure(engine, "NECEMEM.SQIセットに失敗");
    if (!LoadSQX(engine, "INIT"))
        return startupFailure(engine, "INIT.SQXの読み込みに失敗");
    vm.scriptName = "INIT";
    ChooseSaveDirectory(engine, engine.config.saveDirectory);
    LoadCommonData(engine); // a missing file leaves every common variable at 0
    return true;
}

void ShowScriptLine(Engine& engine, int line) {
    std::string caption = engine.app.windowTitle + engine.script.vm->scriptName +
                          ".SQX=Line : " + std::to_string(line);
    engine.platform.setCaption(caption);
    if (engine.app.appState)
        engine.app.appState->caption = caption;
}

void ShutdownEngine(Engine& engine) {
    AppRecord& app = engine.app;
    DisplayState& display = engine.display;
    CloseVideoDevice(engine);
    if (app.appState)
        app.appState->paintScreen = nullptr;
    engine.text.messageLog.reset();
    // A sound streamed out of an extra pack owns its own handle on the pack's data file, so the
    // packs go before the sound manager stops the streams.
    engine.sound.packs.clear();
    engine.sound.channels.clear();
    for (auto& window : engine.text.messageWindows)
        Reset(*window);
    engine.text.messageWindows.clear();
    display.screenSurface.reset();
    display.workSurface.reset();
    display.previousSurface.reset();
    display.backdropSurface.reset();
    display.thumbnailSurface.reset();
    SaveCommonData(engine);
    engine.script.vm.reset();
    display.currentLayerSet = nullptr;
    display.rightClickLayerSet.reset();
    display.mainLayerSet.reset();
    engine.sound.closeDevice();
    if (app.appState)
        app.appState->input = nullptr;
    app.input.reset();
    app.displayMode.reset(); // leaves full screen when it is on
    app.defaultPack.reset();
    app.systemInfo.reset();
    engine.ui.systemButtons = SystemButtons{};
    engine.text.fonts.reset();
    app.appState.reset(); // destroys the window if it still exists
    engine.platform.setBoxPainter(nullptr);
}

void RunMainLoop(Engine& engine, std::optional<std::uint32_t> quitAfterMs) {
    Platform& platform = engine.platform;
    std::ostream* trace = engine.config.trace;
    const std::uint32_t start = platform.milliseconds();
    bool quitAfterDone = false;
    for (;;) {
        bool quitSeen = platform.pumpEvents(*engine.app.appState);
        std::uint32_t now = platform.milliseconds() - start;
        if (quitAfterMs && !quitAfterDone && now >= *quitAfterMs) {
            quitAfterDone = true;
            if (trace)
                *trace << "trace: " << now << " ms: --quit-after reached\n";
            engine.app.appState->DestroyMainWindow();
        }
        int before = engine.script.engineState;
        EngineTick(engine);
        platform.setEventWait(engine.app.rest.waitMs());
        int after = engine.script.engineState;
        if (trace && after != before)
            *trace << "trace: " << now << " ms: state " << before << " -> " << after << " "
                   << commandName(after) << '\n';
        if (quitSeen) {
            if (trace)
                *trace << "trace: " << now << " ms: quit\n";
            break;
        }
    }
}

} // namespace vura
