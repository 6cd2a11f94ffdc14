#pragma once
// The headless backend: no window, a virtual clock that advances by a fixed step per main-loop
// pass, input from an input script, message boxes written to a log and answered from the
// script, the screen kept in memory, and the sound mixed as the virtual clock advances into an
// optional WAV file and memory. The same game, script and options always give the same run.

#include "platform/device_state.hpp"
#include "platform/input_script.hpp"
#include "platform/platform.hpp"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace vura {

struct HeadlessConfig {
    std::uint32_t tickMs = 1; // virtual time per main-loop pass
    // The calendar time at the start, in seconds since 1970; the headless clock reads UTC.
    std::int64_t calendarStart = 978307200; // 2001-01-01 00:00:00
    InputScript script;
    std::ostream* log = nullptr; // message boxes and shell requests; standard error when null
    // The sound of the whole run, from the platform's construction, is written to this WAV file
    // (44100 Hz, stereo, 16 bits) when it is set, and kept in memory when keepAudio is.
    std::filesystem::path audioOut;
    bool keepAudio = false;
};

// One message box as it was shown and answered.
struct ShownMessageBox {
    std::string captionUtf8;
    std::string textUtf8;
    MessageBoxAnswer answer = MessageBoxAnswer::Ok;
};

class WavFileWriter;

class HeadlessPlatform final : public Platform {
public:
    explicit HeadlessPlatform(HeadlessConfig config = {});
    HeadlessPlatform(const HeadlessPlatform&) = delete;
    HeadlessPlatform& operator=(const HeadlessPlatform&) = delete;
    // Finishes the WAV file (its sizes are written then).
    ~HeadlessPlatform() override;

    // The virtual clock: the millisecond clock starts at kClockStartMs, as if the machine had
    // been up for a while, and the counter runs at 10 MHz in step with it.
    static constexpr std::uint32_t kClockStartMs = 100000;
    static constexpr std::int64_t kCounterFrequency = 10000000;
    // The calendar time at the start of every headless run: 2001-01-01 00:00:00 UTC.
    static constexpr std::int64_t kCalendarStart = 978307200;

    std::uint32_t milliseconds() override;
    std::optional<std::int64_t> performanceFrequency() override;
    std::int64_t performanceCounter() override;
    std::int64_t calendarTime() override;
    LocalTime localTime() override;

    bool registerWindowClass(std::string_view className) override;
    bool openMainWindow(std::string_view captionSjis, int clientWidth, int clientHeight) override;
    bool hasMainWindow() const override { return windowOpen_; }
    void showMainWindow() override { ++showCount_; }
    void setCaption(std::string_view captionSjis) override;
    void present(const BgrImageView& screen, const Rect& area) override;
    bool setFullScreen(bool on) override;
    void destroyMainWindow() override;
    bool pumpEvents(WindowEventHandler& handler) override;
    bool readKeyboard(KeyArray& keys) override;
    bool readMouse(MouseSnapshot& mouse) override;
    MessageBoxAnswer messageBox(BoxOwner owner, std::string_view textSjis,
                                std::string_view captionSjis, MessageBoxButtons buttons) override;
    void shellOpen(std::string_view target) override;
    bool scriptsNameEntry() const override { return true; }
    bool runsOnVirtualClock() const override { return true; }
    std::optional<NameAnswer> nextNameAnswer() override;
    std::unique_ptr<AudioOutput> openAudio(AudioSource& source) override;

    // What a test or a tool can look at.
    std::uint64_t elapsedMs() const { return elapsedMs_; }
    const std::string& captionSjis() const { return caption_; }
    const std::string& className() const { return className_; }
    bool fullScreen() const { return fullScreen_; }
    bool focused() const { return focused_; }
    int showCount() const { return showCount_; }
    int presentCount() const { return presentCount_; }
    const std::vector<ShownMessageBox>& messageBoxes() const { return boxes_; }
    const std::vector<std::string>& shellRequests() const { return shellRequests_; }
    // The screen as presented: top-down rows of blue, green, red bytes, 640 x 480 unless the
    // window was opened at another size.
    const std::vector<std::uint8_t>& screen() const { return screen_; }
    int screenWidth() const { return width_; }
    int screenHeight() const { return height_; }
    // Blue, green and red of one presented pixel.
    std::uint32_t screenPixel(int x, int y) const;

    // The sound: each advance of the clock produces exactly the frames of the time it advanced
    // (frames so far = elapsed ms x 44100 / 1000), pulled from the open output's source or
    // silent while none is open. Frames produced so far, counted with or without recording:
    std::uint64_t audioFrames() const { return audioFrames_; }
    // With keepAudio: every frame so far, interleaved, left first. Empty otherwise.
    const std::vector<std::int16_t>& recordedAudio() const { return recordedAudio_; }
    // Why the WAV file could not be created or written, empty while it is fine (or not asked
    // for). Reported on the log once as well.
    const std::string& audioOutError() const { return audioOutError_; }

    // Frames pulled from the source at most at once.
    static constexpr std::size_t kAudioChunkFrames = 4096;

private:
    struct AudioLink; // the source of the open output, shared by the output and the platform
    class Output;
    std::ostream& log() const;
    void produceAudio();
    void audioFileFailed();

    HeadlessConfig config_;
    std::uint64_t elapsedMs_ = 0;
    bool firstPump_ = true;
    std::size_t nextEvent_ = 0;
    std::size_t nextAnswer_ = 0;
    std::size_t nextName_ = 0;
    DeviceState devices_;
    bool focused_ = true;
    bool classRegistered_ = false;
    bool windowOpen_ = false;
    bool quitPosted_ = false;
    bool fullScreen_ = false;
    int showCount_ = 0;
    int presentCount_ = 0;
    int width_ = 0;
    int height_ = 0;
    std::string className_;
    std::string caption_;
    std::vector<std::uint8_t> screen_;
    std::vector<ShownMessageBox> boxes_;
    std::vector<std::string> shellRequests_;
    std::shared_ptr<AudioLink> audioLink_;
    std::unique_ptr<WavFileWriter> wav_;
    std::uint64_t audioFrames_ = 0;
    std::vector<std::int16_t> recordedAudio_;
    std::vector<std::int16_t> mixBuffer_;
    std::string audioOutError_;
};

// A message box as the headless log shows it: "messagebox: <caption>: <text> -> <answer>", in
// UTF-8, with each line break inside the text written as \n.
std::string formatMessageBoxLine(const ShownMessageBox& box);

} // namespace vura
