#include "audio/sound_state.hpp"

#include "audio/sound_buffer.hpp"
#include "resources/pack_archive.hpp"

namespace vura {

namespace {

bool inTable(std::size_t size, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < size;
}

} // namespace

SoundState::SoundState() = default;
SoundState::~SoundState() = default;

SoundChannel* SoundState::channel(int number) {
    if (!inTable(channels.size(), number))
        return nullptr;
    return &channels[static_cast<std::size_t>(number)];
}

SoundBuffer* SoundState::buffer(int number) {
    SoundChannel* record = channel(number);
    return record ? record->buffer : nullptr;
}

PackArchive* SoundState::pack(int number) {
    if (!inTable(packs.size(), number))
        return nullptr;
    PackArchive* archive = packs[static_cast<std::size_t>(number)].get();
    return archive && archive->present ? archive : nullptr;
}

void SoundState::makeChannels(int count) {
    channels.assign(static_cast<std::size_t>(count), SoundChannel{});
    if (!manager)
        return; // command 102 makes the buffers with the device
    // The manager makes its channels only once; a second count replaces them all.
    manager->destroyChannels();
    manager->createChannels(count);
    attachBuffers();
}

void SoundState::attachBuffers() {
    for (std::size_t i = 0; i < channels.size(); ++i)
        channels[i].buffer = manager ? manager->channel(static_cast<int>(i)) : nullptr;
}

void SoundState::closeDevice() {
    for (SoundChannel& c : channels)
        c.buffer = nullptr;
    manager.reset(); // stops every channel and waits for the stream threads
}

} // namespace vura
