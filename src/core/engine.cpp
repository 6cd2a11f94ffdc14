#include "core/engine.hpp"

#include "audio/sound_buffer.hpp"
#include "core/command_support.hpp"
#include "core/sjis.hpp"
#include "graphics/screen.hpp"
#include "resources/resource_lookup.hpp"
#include "text/font_system.hpp"
#include "text/text_commands.hpp"

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
    : platform(p), config(std::move(c)), animations{Animation(p), Animation(p)},
      commands(kCommandTable) {}

Engine::~Engine() {
    ShutdownEngine(*this);
}

bool InitEngine(Engine& engine) {
    engine.displayMode = std::make_unique<DisplayMode>(engine.platform);

    engine.systemInfo = std::make_unique<SystemInfo>();
    engine.systemInfo->programDirectory = directoryWithSeparator(engine.config.gameDirectory);
    engine.systemInfo->baseName = engine.config.baseName.empty()
                                      ? detectPackBaseName(engine.systemInfo->programDirectory)
                                      : engine.config.baseName;
    engine.systemInfo->hasVectorUnit =
        engine.config.processorCheck ? engine.config.processorCheck() : true;
    if (!engine.systemInfo->hasVectorUnit)
        return startupFailure(engine, "MMX機能が搭載されていません。起動を中止します");

    if (!engine.systemInfo->baseName.empty()) {
        engine.defaultPack = std::make_unique<PackArchive>(engine.systemInfo->programDirectory /
                                                           engine.systemInfo->baseName);
        if (engine.defaultPack->present)
            engine.defaultPack->ReadIndex();
    }

    // The registers, cleared in one block.
    engine.windowTitle = kInitialWindowTitle;
    engine.engineState = 0;
    engine.commandPhase = 0;
    engine.commandScratch.fill(0);
    engine.screenWidth = kScreenWidth;
    engine.screenHeight = kScreenHeight;
    engine.skipMode = false;
    engine.effectRunning = false;
    engine.scriptRunsDuringEffect = false;
    engine.windowsOnTop = false;
    engine.effectVariable = 0;
    engine.noWaitVariable = 0;
    engine.skipAllVariable = 0;
    engine.windowModeVariable = 0;
    engine.rightClickEnabled = false;
    engine.savedCommandStack = {};
    engine.savedCommandTop = -1;

    engine.appState = std::make_unique<AppState>(engine.platform);
    switch (engine.appState->CreateMainWindow(engine.windowTitle)) {
    case WindowCreation::ClassNotRegistered:
        return startupFailure(engine, "WindowClassレジストに失敗");
    case WindowCreation::WindowNotCreated:
        return startupFailure(engine, "Window生成に失敗");
    case WindowCreation::Ok:
        break;
    }

    engine.input = std::make_unique<InputState>(engine.platform);
    if (engine.input->InitInput() != 0)
        return false;
    engine.appState->input = engine.input.get();

    engine.soundManager = std::make_unique<SoundManager>(engine.platform);
    if (!engine.soundManager->create())
        return startupFailure(engine, "DirectSoundマネージャ生成に失敗");
    if (!engine.soundManager->createPrimary(kAudioOutputRate))
        return startupFailure(engine, "PrimaryDirectSoundBuffer生成に失敗");

    engine.mainLayerSet = std::make_unique<LayerSet>(engine.platform);
    engine.rightClickLayerSet = std::make_unique<LayerSet>(engine.platform);

    engine.screenSurface = std::make_unique<Surface>();
    engine.workSurface = std::make_unique<Surface>();
    engine.previousSurface = std::make_unique<Surface>();
    engine.backdropSurface = std::make_unique<Surface>();
    engine.thumbnailSurface = std::make_unique<Surface>();
    for (Surface* s : {engine.screenSurface.get(), engine.workSurface.get(),
                       engine.previousSurface.get(), engine.backdropSurface.get()}) {
        if (!s->create(engine.screenWidth, engine.screenHeight, 24))
            return startupFailure(engine, "Surface生成に失敗");
    }
    for (LayerSet* set : {engine.mainLayerSet.get(), engine.rightClickLayerSet.get()})
        set->setSurfaces(engine.screenSurface.get(), engine.workSurface.get(),
                         engine.previousSurface.get());
    engine.appState->paintScreen = [&engine] { presentScreen(engine); };

    engine.systemButtons = std::make_unique<SystemButtons>();
    engine.messageLog = std::make_unique<MessageLog>();
    if (!engine.config.fontFile.empty())
        Fonts(engine); // a forced font that cannot be opened is reported at once

    engine.currentLayerSet = engine.mainLayerSet.get();
    engine.random.seed(static_cast<std::uint32_t>(engine.platform.calendarTime()));
    return true;
}

bool StartScript(Engine& engine) {
    engine.vm = std::make_unique<ScriptVm>();
    engine.vm->onAccessViolation = [&engine] {
        engine.platform.messageBox(BoxOwner::NoWindow, sjis("アクセスバイオレーションしてます＞＜"),
                                   "err", MessageBoxButtons::Ok);
    };
    if (!LoadNecemem(engine))
        return startupFailure(engine, "NECEMEM.SQIセットに失敗");
    if (!LoadSQX(engine, "INIT"))
        return startupFailure(engine, "INIT.SQXの読み込みに失敗");
    engine.vm->scriptName = "INIT";
    engine.vm->saveDirectory = (engine.systemInfo->programDirectory / "sav" / "").string();
    // The common data file joins here with saves.
    return true;
}

void ShowScriptLine(Engine& engine, int line) {
    std::string caption =
        engine.windowTitle + engine.vm->scriptName + ".SQX=Line : " + std::to_string(line);
    engine.platform.setCaption(caption);
    if (engine.appState)
        engine.appState->caption = caption;
}

void ShutdownEngine(Engine& engine) {
    if (engine.appState)
        engine.appState->paintScreen = nullptr;
    engine.messageLog.reset();
    // A sound streamed out of an extra pack owns its own handle on the pack's data file, so the
    // packs go before the sound manager stops the streams.
    engine.packs.clear();
    engine.soundChannels.clear();
    engine.channelVolumeVariables.clear();
    for (auto& window : engine.messageWindows)
        Reset(*window);
    engine.messageWindows.clear();
    engine.screenSurface.reset();
    engine.workSurface.reset();
    engine.previousSurface.reset();
    engine.backdropSurface.reset();
    engine.thumbnailSurface.reset();
    engine.vm.reset(); // writes the common data first, once saves exist
    engine.currentLayerSet = nullptr;
    engine.rightClickLayerSet.reset();
    engine.mainLayerSet.reset();
    engine.soundManager.reset(); // stops every channel and waits for the stream threads
    if (engine.appState)
        engine.appState->input = nullptr;
    engine.input.reset();
    engine.displayMode.reset(); // leaves full screen when it is on
    engine.defaultPack.reset();
    engine.systemInfo.reset();
    engine.systemButtons.reset();
    engine.fonts.reset();
    engine.appState.reset(); // destroys the window if it still exists
}

void RunMainLoop(Engine& engine, std::optional<std::uint32_t> quitAfterMs) {
    Platform& platform = engine.platform;
    std::ostream* trace = engine.config.trace;
    const std::uint32_t start = platform.milliseconds();
    bool quitAfterDone = false;
    for (;;) {
        bool quitSeen = platform.pumpEvents(*engine.appState);
        std::uint32_t now = platform.milliseconds() - start;
        if (quitAfterMs && !quitAfterDone && now >= *quitAfterMs) {
            quitAfterDone = true;
            if (trace)
                *trace << "trace: " << now << " ms: --quit-after reached\n";
            engine.appState->DestroyMainWindow();
        }
        int before = engine.engineState;
        EngineTick(engine);
        if (trace && engine.engineState != before) {
            *trace << "trace: " << now << " ms: state " << before << " -> " << engine.engineState
                   << " " << commandName(engine.engineState) << '\n';
        }
        if (quitSeen) {
            if (trace)
                *trace << "trace: " << now << " ms: quit\n";
            break;
        }
    }
}

} // namespace vura
