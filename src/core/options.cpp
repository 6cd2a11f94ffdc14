#include "core/options.hpp"

#include <charconv>

namespace vura {

namespace {

template <typename T>
bool parseInteger(std::string_view text, T min, T max, T& out) {
    T value{};
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty())
        return false;
    if (value < min || value > max)
        return false;
    out = value;
    return true;
}

// The options that are only switched on.
struct Flag {
    std::string_view name;
    bool Options::*field;
};
constexpr Flag kFlags[] = {{"--headless", &Options::headless},
                           {"--trace", &Options::trace},
                           {"--fullscreen", &Options::fullScreen},
                           {"--help", &Options::help},
                           {"--version", &Options::version}};

// The options that name a file to read or write.
struct FileOption {
    std::string_view name;
    const char* missing; // the error without a file name
    std::optional<std::filesystem::path> Options::*field;
};
constexpr FileOption kFileOptions[] = {
    {"--input", "--input needs a file name", &Options::inputFile},
    {"--audio-out", "--audio-out needs a file name", &Options::audioOutFile},
    {"--screenshot", "--screenshot needs a file name", &Options::screenshotFile},
    {"--dump-state", "--dump-state needs a file name", &Options::dumpStateFile}};

// Reads the arguments in order into the options; the first error ends the reading.
class OptionReader {
public:
    OptionReader(std::span<const std::string_view> args, Options& out) : args_(args), o_(out) {}

    bool readAll() {
        for (i_ = 0; i_ < args_.size(); ++i_) {
            if (!readArgument(args_[i_]))
                return false;
        }
        return checkHeadlessOnly();
    }
    const std::string& error() const { return error_; }

private:
    bool fail(std::string message) {
        error_ = std::move(message);
        return false;
    }

    bool readArgument(std::string_view arg) {
        if (optionsEnded_ || arg.size() < 2 || arg.substr(0, 2) != "--") {
            if (o_.gameDirectory)
                return fail("more than one game directory given ('" + o_.gameDirectory->string() +
                            "' and '" + std::string(arg) + "')");
            o_.gameDirectory = std::filesystem::path(std::string(arg));
            return true;
        }
        if (arg == "--") {
            optionsEnded_ = true;
            return true;
        }
        std::string_view name = arg;
        inlineValue_.reset();
        if (auto eq = arg.find('='); eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            inlineValue_ = arg.substr(eq + 1);
        }
        return readOption(name);
    }

    // The option's value: after '=', or else the next argument.
    bool value(std::string_view& out) {
        if (inlineValue_) {
            out = *inlineValue_;
            return true;
        }
        if (i_ + 1 >= args_.size())
            return false;
        out = args_[++i_];
        return true;
    }

    bool readOption(std::string_view name) {
        for (const Flag& flag : kFlags) {
            if (name == flag.name) {
                if (inlineValue_)
                    return fail(std::string(name) + " takes no value");
                o_.*flag.field = true;
                return true;
            }
        }
        std::string_view v;
        for (const FileOption& option : kFileOptions) {
            if (name == option.name) {
                if (!value(v) || v.empty())
                    return fail(option.missing);
                o_.*option.field = std::filesystem::path(std::string(v));
                return true;
            }
        }
        if (name == "--font") {
            if (!value(v) || v.empty())
                return fail("--font needs a font file");
            o_.fontFile = std::filesystem::path(std::string(v));
            return true;
        }
        if (name == "--save-dir") {
            if (!value(v) || v.empty())
                return fail("--save-dir needs a directory");
            o_.saveDirectory = std::filesystem::path(std::string(v));
            return true;
        }
        if (name == "--name") {
            if (!value(v) || v.empty() || v.find('/') != std::string_view::npos)
                return fail("--name needs the base name of the game's pack (no directory)");
            o_.packName = std::string(v);
            return true;
        }
        return readNumberOption(name);
    }

    bool readNumberOption(std::string_view name) {
        std::string_view v;
        if (name == "--tick-ms") {
            if (!value(v) || !parseInteger<std::uint32_t>(v, 1, 60000, o_.tickMs))
                return fail("--tick-ms needs a whole number of milliseconds from 1 to 60000");
            tickGiven_ = true;
        } else if (name == "--quit-after") {
            std::uint32_t ms = 0;
            if (!value(v) || !parseInteger<std::uint32_t>(v, 0, 4000000000u, ms))
                return fail("--quit-after needs a whole number of milliseconds");
            o_.quitAfterMs = ms;
        } else if (name == "--scale") {
            if (!value(v) || !parseInteger<int>(v, 1, 8, o_.scale))
                return fail("--scale needs a whole number from 1 to 8");
        } else {
            return fail("unknown option '" + std::string(name) + "'");
        }
        return true;
    }

    // The options that only a headless run can use.
    bool checkHeadlessOnly() {
        if (!o_.headless && o_.inputFile)
            return fail("--input needs --headless (a window takes its input from the player)");
        if (!o_.headless && o_.audioOutFile)
            return fail(
                "--audio-out needs --headless (a window plays its sound on the sound device)");
        if (!o_.headless && tickGiven_)
            return fail("--tick-ms needs --headless (a window runs on the real clock)");
        return true;
    }

    std::span<const std::string_view> args_;
    Options& o_;
    std::size_t i_ = 0;
    std::optional<std::string_view> inlineValue_;
    bool optionsEnded_ = false;
    bool tickGiven_ = false;
    std::string error_;
};

} // namespace

std::string engineVersionText() {
    return std::string("vura ") + VURA_VERSION + "\n";
}

std::string engineHelpText() {
    return "Usage: vura [options] [GAME_DIR]\n"
           "\n"
           "Plays the game in GAME_DIR: its scripts, NECEMEM.SQI, the folders grp/, snd/, sqx/\n"
           "and sav/, and its packs. Without GAME_DIR, plays the bundled demo game.\n"
           "\n"
           "Options:\n"
           "  --headless         run without a window, on a virtual clock\n"
           "  --input FILE       headless: the input script (clicks, keys, answers)\n"
           "  --tick-ms N        headless: virtual milliseconds per main-loop pass (default 1)\n"
           "  --audio-out FILE   headless: record the sound of the whole run as a WAV file\n"
           "                     (44100 Hz, 16-bit stereo)\n"
           "  --quit-after MS    end the program after MS milliseconds of engine time, as the\n"
           "                     game's own quit does (no confirmation)\n"
           "  --trace            print one line per engine state change (each command as it\n"
           "                     starts) on standard error\n"
           "  --name NAME        the game's default pack is NAME and NAME.lst (without it: the\n"
           "                     one *.lst in GAME_DIR whose data file exists, if any)\n"
           "  --screenshot FILE  when the program ends, write the screen as a PNG picture\n"
           "  --dump-state FILE  when the program ends, for any reason, write the engine state\n"
           "                     and the script variables to FILE as JSON\n"
           "  --font FILE        draw every message window's text with this font file\n"
           "                     (TrueType or OpenType) instead of the fonts matched by name\n"
           "  --save-dir DIR     keep the save slots and the common data in DIR (default: the\n"
           "                     game's sav/, or ~/.local/share/vura/... when it is read-only)\n"
           "  --scale N          open the window at N times 640 x 480 (1 to 8)\n"
           "  --fullscreen       start in full screen\n"
           "  --help             show this help and exit\n"
           "  --version          show the version and exit\n"
           "\n"
           "Exit status: 0 after a normal quit, 1 when another copy is running or start-up\n"
           "failed, 2 for a bad command line.\n";
}

OptionsResult parseOptions(std::span<const std::string_view> args) {
    OptionsResult result;
    OptionReader reader(args, result.options);
    result.ok = reader.readAll();
    result.error = reader.error();
    return result;
}

} // namespace vura
