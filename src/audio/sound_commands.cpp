#include "audio/sound_commands.hpp"

#include "audio/sound_buffer.hpp"
#include "audio/wave_reader.hpp"
#include "base/sjis.hpp"
#include "core/command_support.hpp"
#include "core/engine.hpp"
#include "resources/pack_archive.hpp"
#include "resources/resource_lookup.hpp"
#include "video/video_commands.hpp"

#include <algorithm>
#include <string>

// Channel and pack numbers come from the scripts unchecked. A number outside the tables is a
// mistake in the script: the command then does nothing and completes with 0 as usual, rather
// than reach outside a table.

namespace vura {

namespace {

// The level the channel's volume variable gives, 0 to 100 for the values the scripts keep
// there. A variable outside the common bank (the initial -1 among them) shows the machine's
// access message, and the channel then plays at its own percentage of full scale.
std::int64_t masterLevel(Engine& engine, const SoundChannel& channel) {
    ScriptVm* vm = engine.script.vm.get();
    if (!vm)
        return 100;
    const std::int32_t variable = channel.volumeVariable;
    if (variable < 0 || static_cast<std::size_t>(variable) >= vm->commonInts.size()) {
        vm->ReadCommonInt(variable); // shows the message
        return 100;
    }
    return vm->commonInts[static_cast<std::size_t>(variable)];
}

// The start-up failures of the sound device, which end the game: no owner, caption "error".
bool deviceFailure(Engine& engine, const char* messageUtf8) {
    engine.platform.messageBox(BoxOwner::NoWindow, sjis(messageUtf8), "error",
                               MessageBoxButtons::Ok);
    RequestQuit(engine);
    return false;
}

void showError(Engine& engine, const char* messageUtf8) {
    engine.platform.messageBox(BoxOwner::MainWindow, sjis(messageUtf8), "error",
                               MessageBoxButtons::Ok);
}

} // namespace

void ApplyChannelVolume(Engine& engine, int channel, bool always) {
    SoundChannel* record = engine.sound.channel(channel);
    SoundBuffer* buffer = engine.sound.buffer(channel);
    if (!record || !buffer)
        return;
    // In 64 bits, as a common int may hold any value; a negative level is silence. A level
    // above 100 gives a positive volume, which the buffer refuses, keeping the one it has.
    std::int64_t level = masterLevel(engine, *record) * record->volumePercent / 100;
    level = std::clamp<std::int64_t>(level, 0, 0x7FFFFFFF);
    std::int32_t millibels = VolumeToMillibels(static_cast<int>(level), 100);
    if (always || millibels != buffer->volume)
        buffer->setVolume(millibels);
}

void StopChannel(Engine& engine, int channel) {
    SoundBuffer* buffer = engine.sound.buffer(channel);
    if (!buffer)
        return;
    bool streamedFromPack = buffer->streaming && buffer->fileHandle >= 0;
    buffer->stop();
    buffer->reset(); // closes a handle the stream took from a pack
    // The pack gave that handle away when the stream started and holds none of its own now;
    // closing its stream leaves it ready to open its data file anew, and closes nothing twice.
    if (streamedFromPack) {
        if (PackArchive* pack = engine.sound.pack(engine.sound.channel(channel)->pack))
            pack->CloseStream();
    }
}

bool PlayChannelOnce(Engine& engine, int channel) {
    SoundChannel* record = engine.sound.channel(channel);
    SoundBuffer* buffer = engine.sound.buffer(channel);
    if (!record || !buffer)
        return false;
    return record->streaming ? buffer->startStream(false) : buffer->play(false);
}

bool LoadChannelSound(Engine& engine, int channel, const std::string& nameSjis) {
    // While a movie owns the sound output there is nothing to load into, and nothing to say.
    if (!engine.sound.manager)
        return true;
    SoundChannel* record = engine.sound.channel(channel);
    if (!record || !engine.sound.buffer(channel))
        return false;
    StopChannel(engine, channel);
    if (!LoadSound(engine, nameSjis, channel))
        return false;
    record->name = nameSjis;
    ApplyChannelVolume(engine, channel, false);
    return true;
}

bool RebuildSoundDevice(Engine& engine) {
    CloseVideoDevice(engine);
    // Only one sound output is open at a time: a device that is still here (no video was
    // played since it was made) is stopped and closed before the new one opens.
    SoundState& sound = engine.sound;
    sound.closeDevice();
    sound.manager = std::make_unique<SoundManager>(engine.platform);
    if (!sound.manager->create())
        return deviceFailure(engine, "DirectSoundマネージャ生成に失敗");
    if (!sound.manager->createPrimary(kAudioOutputRate))
        return deviceFailure(engine, "PrimaryDirectSoundBuffer生成に失敗");
    int count = static_cast<int>(sound.channels.size());
    if (count > 0)
        sound.manager->createChannels(count);
    sound.attachBuffers();
    // Every channel that had a sound gets it back, silent until a command plays it.
    for (int channel = 0; channel < count; ++channel) {
        const std::string& name = sound.channels[static_cast<std::size_t>(channel)].name;
        if (!name.empty() && !LoadSound(engine, name, channel))
            showError(engine, "Soundファイルロードに失敗 in LoadDataSet()");
    }
    return true;
}

namespace commands {

int InitSoundChannels(Engine& engine) {
    std::int32_t count = popValue(engine);
    if (count > kMaxSoundChannels)
        return FailFatal(engine, sjis("サウンドチャンネル数が多すぎます"), "InitSoundChannels");
    // A count of 0 changes nothing, and a negative count is a script error.
    if (count > 0)
        engine.sound.makeChannels(count);
    return completeCommand(engine);
}

int SetChannelPack(Engine& engine) {
    std::int32_t pack = popValue(engine);
    if (SoundChannel* record = engine.sound.channel(popValue(engine)))
        record->pack = pack;
    return completeCommand(engine);
}

int SetChannelStream(Engine& engine) {
    std::int32_t flag = popValue(engine);
    if (SoundChannel* record = engine.sound.channel(popValue(engine)))
        record->streaming = flag != 0;
    return completeCommand(engine);
}

int PlayDSB(Engine& engine) {
    bool loop = popValue(engine) != 0;
    std::string name = popString(engine, kSoundNameMax);
    std::int32_t channel = popValue(engine);
    SoundChannel* record = engine.sound.channel(channel);
    SoundBuffer* buffer = engine.sound.buffer(channel);
    if (!record || !buffer)
        return completeCommand(engine);
    StopChannel(engine, channel);
    if (!LoadSound(engine, name, channel)) {
        showError(engine, "ファイルロードに失敗 in PlayDSB()");
        return completeCommand(engine);
    }
    record->name = name;
    ApplyChannelVolume(engine, channel, false);
    bool started = record->streaming ? buffer->startStream(loop) : buffer->play(loop);
    if (!started)
        showError(engine, "サウンド再生に失敗 in PlayDSB()");
    return completeCommand(engine);
}

int InitPackFiles(Engine& engine) {
    std::int32_t count = popValue(engine);
    if (count > kMaxPackFiles)
        return FailFatal(engine, sjis("パックファイル数が多すぎます"), "InitPackFiles");
    // A count of 0 keeps the packs there are, and a negative count is a script error. Sounds
    // streaming out of the old packs play on: each holds its own handle on the data file.
    if (count > 0) {
        engine.sound.packs.clear();
        for (std::int32_t i = 0; i < count; ++i)
            engine.sound.packs.push_back(std::make_unique<PackArchive>());
    }
    return completeCommand(engine);
}

int SetPackFileName(Engine& engine) {
    std::string name = popString(engine, kSoundNameMax);
    std::int32_t number = popValue(engine);
    auto& packs = engine.sound.packs;
    if (number < 0 || static_cast<std::size_t>(number) >= packs.size())
        return completeCommand(engine);
    PackArchive& pack = *packs[static_cast<std::size_t>(number)];
    pack.SetPaths(engine.app.systemInfo->programDirectory / name);
    if (pack.present) {
        pack.ReadIndex();
    } else {
        engine.platform.messageBox(
            BoxOwner::MainWindow,
            name + sjis("パックファイルがみつかりません (非エラー) in SetPackFileName()"),
            "warning", MessageBoxButtons::Ok);
    }
    return completeCommand(engine);
}

int StopDSB(Engine& engine) {
    StopChannel(engine, popValue(engine));
    return completeCommand(engine);
}

int SetChannelVolumeVariable(Engine& engine) {
    std::int32_t variable = popValue(engine);
    if (SoundChannel* record = engine.sound.channel(popValue(engine)))
        record->volumeVariable = variable;
    return completeCommand(engine);
}

int ApplyChannelVolume(Engine& engine) {
    vura::ApplyChannelVolume(engine, popValue(engine), true);
    return completeCommand(engine);
}

int SetChannelVolumePercent(Engine& engine) {
    std::int32_t percent = std::clamp(popValue(engine), 0, 100);
    std::int32_t channel = popValue(engine);
    if (SoundChannel* record = engine.sound.channel(channel)) {
        record->volumePercent = percent;
        vura::ApplyChannelVolume(engine, channel, true);
    }
    return completeCommand(engine);
}

int InitDirectSound(Engine& engine) {
    if (!RebuildSoundDevice(engine))
        return 0;
    return completeCommand(engine);
}

} // namespace commands

} // namespace vura
