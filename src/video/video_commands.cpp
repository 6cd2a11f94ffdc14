// Movies: command 101 releases the game's sound device (the movie owns the sound output until
// command 102 makes the device again), opens the file and plays it over the picture, stretched to
// the screen; command 103 waits for its end or for the player. The movie advances in the main
// loop's pass, not in the tick, so it plays and ends while the window is inactive and while
// other commands run. Failures are reported and the game goes on.

#include "video/video_commands.hpp"

#include "base/sjis.hpp"
#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "graphics/screen.hpp"
#include "resources/game_files.hpp"

namespace vura {

namespace {

constexpr std::size_t kNameArg = 64;

void showError(Engine& engine, const char* whatUtf8) {
    engine.platform.messageBox(BoxOwner::MainWindow, sjis(whatUtf8) + " in PlayAVI()", "error",
                               MessageBoxButtons::Ok);
}

// The movie file: loose in the game's directory, any case, Shift-JIS or UTF-8 names.
std::filesystem::path movieFile(Engine& engine, const std::string& nameSjis) {
    std::string name = nameSjis + ".AVI";
    std::replace(name.begin(), name.end(), '\\', '/');
    const std::filesystem::path game = engine.app.systemInfo->programDirectory;
    if (auto found = findGameFile(game, name))
        return *found;
    return game / cp932ToUtf8(name);
}

void dropPlayer(Engine& engine) {
    engine.video.output.reset();
    engine.video.player.reset();
}

void present(Engine& engine, const VideoFrame& frame) {
    presentPicture(engine, {frame.pixels.data(), frame.width, frame.height, frame.pitch},
                   {0, 0, frame.width, frame.height});
    engine.video.showing = true;
}

} // namespace

void CloseVideoDevice(Engine& engine) {
    VideoState& video = engine.video;
    // The output stops pulling before the device it pulls from closes.
    video.output.reset();
    if (video.player) {
        video.player->stop();
        video.player->close();
    }
    video.player.reset();
    if (video.showing) {
        video.showing = false;
        presentScreen(engine);
    }
}

void AdvanceVideo(Engine& engine) {
    VideoState& video = engine.video;
    if (!video.player)
        return;
    VideoPlayer& player = *video.player;
    if (const VideoFrame* frame = player.update())
        present(engine, *frame);
    if (player.isPlaying())
        engine.app.rest.dueIn(player.msUntilNextPicture());
    const std::optional<std::uint32_t> end = player.takeEnd();
    if (!end || *end != player.serial())
        return; // the end of an earlier play
    // A repeating movie plays again, unless a whole round gave nothing: then it ends for good.
    if (player.repeats() && !player.roundWasEmpty() && player.seekToStart() && player.play(true))
        return;
    player.stop();
    player.close();
    video.output.reset();
    if (video.showing) {
        video.showing = false;
        presentScreen(engine);
    }
}

namespace commands {

int PlayAVI(Engine& engine) {
    const bool repeat = popValue(engine) != 0;
    const std::string name = popString(engine, kNameArg);
    VideoState& video = engine.video;
    if (video.playing()) {
        video.output.reset();
        video.player->stop();
        video.player->close();
    }
    // From now until command 102 the game has no sound device: the movie owns the output.
    engine.sound.closeDevice();
    if (!video.player) {
        const VideoPlayer::Mode mode = engine.platform.runsOnVirtualClock()
                                           ? VideoPlayer::Mode::Deterministic
                                           : VideoPlayer::Mode::Threaded;
        video.player = std::make_unique<VideoPlayer>(engine.platform, mode);
    }
    std::string error;
    const std::filesystem::path file = movieFile(engine, name);
    if (!video.player->open(file, engine.display.screenWidth, engine.display.screenHeight, error)) {
        if (engine.config.trace)
            *engine.config.trace << "trace: movie " << file.string() << ": " << error << '\n';
        dropPlayer(engine);
        showError(engine, "DeviceOpenに失敗");
        return completeCommand(engine);
    }
    // Without a sound device the movie plays silently on the platform's clock.
    video.output.reset();
    video.output = engine.platform.openAudio(*video.player);
    video.player->setSoundOutput(video.output != nullptr);
    if (!video.player->play(repeat)) {
        dropPlayer(engine);
        showError(engine, "AVI再生に失敗");
        return completeCommand(engine);
    }
    AdvanceVideo(engine); // the first picture at once
    return completeCommand(engine);
}

int WaitAVI(Engine& engine) {
    pollInput(engine);
    const InputState& input = *engine.app.input;
    if (!input.IsAdvanceReleased() && !input.IsSkipHeld() && !engine.app.skipMode &&
        engine.video.playing()) {
        engine.app.rest.restFor(RestPlan::kLongestMs); // the movie says when its picture is due
        return 0;
    }
    return completeCommand(engine);
}

} // namespace commands

} // namespace vura
