#pragma once
// The video subsystem's record: the one video device (made by the first PlayAVI, kept until
// command 102 or shut-down), the sound output it owns while it plays, and whether a movie
// picture is what the window shows (the engine's presents are held back meanwhile).

#include "platform/platform.hpp"
#include "video/video_player.hpp"

#include <memory>

namespace vura {

struct VideoState {
    std::unique_ptr<VideoPlayer> player;
    std::unique_ptr<AudioOutput> output;
    bool showing = false;

    bool playing() const { return player && player->isOpen() && player->isPlaying(); }
};

} // namespace vura
