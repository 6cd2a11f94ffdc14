#include "platform/headless_platform.hpp"

#include "base/sjis.hpp"
#include "platform/pixel_convert.hpp"
#include "platform/wav_file_writer.hpp"

#include <algorithm>
#include <cstring>
#include <iostream>

namespace vura {

namespace {

const char* answerWord(MessageBoxAnswer a) {
    switch (a) {
    case MessageBoxAnswer::Yes:
        return "yes";
    case MessageBoxAnswer::No:
        return "no";
    case MessageBoxAnswer::Ok:
        break;
    }
    return "ok";
}

std::string escapeLineBreaks(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += "\\n";
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (text[i] == '\n') {
            out += "\\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

std::string formatMessageBoxLine(const ShownMessageBox& box) {
    return "messagebox: " + box.captionUtf8 + ": " + escapeLineBreaks(box.textUtf8) + " -> " +
           answerWord(box.answer);
}

struct HeadlessPlatform::AudioLink {
    AudioSource* source = nullptr; // null once the output is gone
};

// Detaches its source when destroyed; the recording then goes on with silence. The link keeps
// this safe whichever of the output and the platform goes first.
class HeadlessPlatform::Output final : public AudioOutput {
public:
    explicit Output(std::shared_ptr<AudioLink> link) : link_(std::move(link)) {}
    ~Output() override { link_->source = nullptr; }

private:
    std::shared_ptr<AudioLink> link_;
};

HeadlessPlatform::HeadlessPlatform(HeadlessConfig config)
    : config_(std::move(config)), audioLink_(std::make_shared<AudioLink>()) {
    if (config_.tickMs == 0)
        config_.tickMs = 1;
    if (!config_.audioOut.empty()) {
        wav_ = std::make_unique<WavFileWriter>();
        if (!wav_->open(config_.audioOut, kAudioOutputRate, kAudioOutputChannels))
            audioFileFailed();
    }
}

HeadlessPlatform::~HeadlessPlatform() {
    audioLink_->source = nullptr;
    if (wav_ && wav_->isOpen() && !wav_->close())
        audioFileFailed();
}

void HeadlessPlatform::audioFileFailed() {
    if (!audioOutError_.empty())
        return;
    audioOutError_ = wav_->error();
    log() << "vura: sound recording: " << audioOutError_ << '\n' << std::flush;
}

// Brings the frames produced up to the clock. The count comes from the total elapsed time, so
// ticks that are not whole numbers of frames (1 ms is 44.1) never make the sound drift.
void HeadlessPlatform::produceAudio() {
    const std::uint64_t target = elapsedMs_ * kAudioOutputRate / 1000;
    const bool toFile = wav_ && wav_->isOpen() && !wav_->failed();
    const bool keep = config_.keepAudio;
    while (audioFrames_ < target) {
        const std::size_t frames = static_cast<std::size_t>(
            std::min<std::uint64_t>(target - audioFrames_, kAudioChunkFrames));
        const std::size_t samples = frames * kAudioOutputChannels;
        AudioSource* source = audioLink_->source;
        if (source || toFile || keep) {
            mixBuffer_.assign(samples, 0);
            // Pulled even when nothing is recorded: the source's own state (play positions,
            // notifications) moves with the frames it gives.
            if (source)
                source->mixAudio(mixBuffer_.data(), frames, true);
            if (toFile && !wav_->failed() && !wav_->write(mixBuffer_.data(), samples))
                audioFileFailed();
            if (keep)
                recordedAudio_.insert(recordedAudio_.end(), mixBuffer_.begin(), mixBuffer_.end());
        }
        audioFrames_ += frames;
    }
}

std::ostream& HeadlessPlatform::log() const {
    return config_.log ? *config_.log : std::cerr;
}

std::uint32_t HeadlessPlatform::milliseconds() {
    return static_cast<std::uint32_t>(kClockStartMs + elapsedMs_);
}

std::optional<std::int64_t> HeadlessPlatform::performanceFrequency() {
    return kCounterFrequency;
}

std::int64_t HeadlessPlatform::performanceCounter() {
    return static_cast<std::int64_t>(kClockStartMs + elapsedMs_) * (kCounterFrequency / 1000);
}

std::int64_t HeadlessPlatform::calendarTime() {
    return config_.calendarStart + static_cast<std::int64_t>(elapsedMs_ / 1000);
}

LocalTime HeadlessPlatform::localTime() {
    return brokenDownTime(calendarTime(), false);
}

bool HeadlessPlatform::registerWindowClass(std::string_view className) {
    className_ = className;
    classRegistered_ = true;
    return true;
}

bool HeadlessPlatform::openMainWindow(std::string_view captionSjis, int clientWidth,
                                      int clientHeight) {
    if (!classRegistered_ || clientWidth <= 0 || clientHeight <= 0)
        return false;
    caption_ = captionSjis;
    width_ = clientWidth;
    height_ = clientHeight;
    screen_.assign(static_cast<std::size_t>(width_) * height_ * 3, 0);
    windowOpen_ = true;
    ++showCount_;
    return true;
}

void HeadlessPlatform::setCaption(std::string_view captionSjis) {
    caption_ = captionSjis;
}

void HeadlessPlatform::present(const BgrImageView& screen, const Rect& area) {
    if (!windowOpen_ || screen.pixels == nullptr)
        return;
    Rect r = clipRect(area, std::min(width_, screen.width), std::min(height_, screen.height));
    if (r.width <= 0 || r.height <= 0)
        return;
    for (int y = r.y; y < r.y + r.height; ++y) {
        std::memcpy(&screen_[(static_cast<std::size_t>(y) * width_ + r.x) * 3],
                    screen.row(y) + r.x * 3, static_cast<std::size_t>(r.width) * 3);
    }
    ++presentCount_;
}

std::uint32_t HeadlessPlatform::screenPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    const std::uint8_t* p = &screen_[(static_cast<std::size_t>(y) * width_ + x) * 3];
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16);
}

bool HeadlessPlatform::setFullScreen(bool on) {
    if (!windowOpen_)
        return false;
    fullScreen_ = on;
    return true;
}

void HeadlessPlatform::destroyMainWindow() {
    if (!windowOpen_)
        return;
    windowOpen_ = false;
    fullScreen_ = false;
    quitPosted_ = true;
}

bool HeadlessPlatform::pumpEvents(WindowEventHandler& handler) {
    if (!firstPump_) {
        elapsedMs_ += config_.tickMs;
        produceAudio();
    }
    firstPump_ = false;
    devices_.beginBatch();
    const auto& events = config_.script.events;
    while (nextEvent_ < events.size() && events[nextEvent_].ms <= elapsedMs_) {
        const InputEvent& e = events[nextEvent_++];
        if (!windowOpen_)
            continue; // events for a window that no longer exists go nowhere
        switch (e.kind) {
        case InputEvent::Kind::Move:
            handler.OnMouseMove(e.x, e.y);
            break;
        case InputEvent::Kind::ButtonDown:
            if (focused_)
                devices_.buttonDown(e.button);
            break;
        case InputEvent::Kind::ButtonUp:
            devices_.buttonUp(e.button);
            break;
        case InputEvent::Kind::KeyDown:
            if (focused_)
                devices_.keyDown(e.key);
            break;
        case InputEvent::Kind::KeyUp:
            devices_.keyUp(e.key);
            break;
        case InputEvent::Kind::Wheel:
            if (focused_)
                devices_.addWheel(e.wheel * 120);
            break;
        case InputEvent::Kind::FocusOut:
            if (focused_) {
                focused_ = false;
                devices_.clear();
                handler.OnActivateApp(false);
            }
            break;
        case InputEvent::Kind::FocusIn:
            if (!focused_) {
                focused_ = true;
                handler.OnActivateApp(true);
            }
            break;
        case InputEvent::Kind::Close:
            handler.OnClose();
            break;
        }
    }
    bool quit = quitPosted_;
    quitPosted_ = false;
    return quit;
}

bool HeadlessPlatform::readKeyboard(KeyArray& keys) {
    if (!windowOpen_ || !focused_)
        return false;
    devices_.readKeys(keys);
    return true;
}

bool HeadlessPlatform::readMouse(MouseSnapshot& mouse) {
    if (!windowOpen_ || !focused_)
        return false;
    mouse = devices_.takeMouse();
    return true;
}

MessageBoxAnswer HeadlessPlatform::messageBox(BoxOwner /*owner*/, std::string_view textSjis,
                                              std::string_view captionSjis,
                                              MessageBoxButtons buttons) {
    // Answers are taken in order. One that is not among the box's buttons (yes or no for an OK
    // box, ok for a Yes/No box) is used up and the box gets its default, Yes or OK.
    MessageBoxAnswer answer =
        buttons == MessageBoxButtons::YesNo ? MessageBoxAnswer::Yes : MessageBoxAnswer::Ok;
    const auto& answers = config_.script.answers;
    if (nextAnswer_ < answers.size()) {
        MessageBoxAnswer given = answers[nextAnswer_++];
        bool fits = buttons == MessageBoxButtons::YesNo ? given != MessageBoxAnswer::Ok
                                                        : given == MessageBoxAnswer::Ok;
        if (fits)
            answer = given;
    }
    ShownMessageBox box{cp932ToUtf8(captionSjis), cp932ToUtf8(textSjis), answer};
    log() << formatMessageBoxLine(box) << '\n' << std::flush;
    boxes_.push_back(std::move(box));
    return answer;
}

std::optional<NameAnswer> HeadlessPlatform::nextNameAnswer() {
    const auto& names = config_.script.names;
    if (nextName_ >= names.size())
        return std::nullopt;
    return names[nextName_++];
}

void HeadlessPlatform::shellOpen(std::string_view target) {
    shellRequests_.emplace_back(target);
    log() << "shellopen: " << target << '\n' << std::flush;
}

std::unique_ptr<AudioOutput> HeadlessPlatform::openAudio(AudioSource& source) {
    if (audioLink_->source)
        return nullptr; // one output at a time
    audioLink_->source = &source;
    return std::make_unique<Output>(audioLink_);
}

} // namespace vura
