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
    Options& o = result.options;
    auto fail = [&](std::string message) {
        result.ok = false;
        result.error = std::move(message);
        return result;
    };
    bool optionsEnded = false;
    bool tickGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.substr(0, 2) != "--") {
            if (o.gameDirectory)
                return fail("more than one game directory given ('" + o.gameDirectory->string() +
                            "' and '" + std::string(arg) + "')");
            o.gameDirectory = std::filesystem::path(std::string(arg));
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string_view name = arg;
        std::optional<std::string_view> inlineValue;
        if (auto eq = arg.find('='); eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        auto value = [&](std::string_view& out) {
            if (inlineValue) {
                out = *inlineValue;
                return true;
            }
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        auto noValue = [&] { return !inlineValue.has_value(); };
        std::string_view v;
        if (name == "--headless" && noValue()) {
            o.headless = true;
        } else if (name == "--trace" && noValue()) {
            o.trace = true;
        } else if (name == "--fullscreen" && noValue()) {
            o.fullScreen = true;
        } else if (name == "--help" && noValue()) {
            o.help = true;
        } else if (name == "--version" && noValue()) {
            o.version = true;
        } else if (name == "--input") {
            if (!value(v) || v.empty())
                return fail("--input needs a file name");
            o.inputFile = std::filesystem::path(std::string(v));
        } else if (name == "--audio-out") {
            if (!value(v) || v.empty())
                return fail("--audio-out needs a file name");
            o.audioOutFile = std::filesystem::path(std::string(v));
        } else if (name == "--font") {
            if (!value(v) || v.empty())
                return fail("--font needs a font file");
            o.fontFile = std::filesystem::path(std::string(v));
        } else if (name == "--name") {
            if (!value(v) || v.empty() || v.find('/') != std::string_view::npos)
                return fail("--name needs the base name of the game's pack (no directory)");
            o.packName = std::string(v);
        } else if (name == "--screenshot") {
            if (!value(v) || v.empty())
                return fail("--screenshot needs a file name");
            o.screenshotFile = std::filesystem::path(std::string(v));
        } else if (name == "--dump-state") {
            if (!value(v) || v.empty())
                return fail("--dump-state needs a file name");
            o.dumpStateFile = std::filesystem::path(std::string(v));
        } else if (name == "--tick-ms") {
            if (!value(v) || !parseInteger<std::uint32_t>(v, 1, 60000, o.tickMs))
                return fail("--tick-ms needs a whole number of milliseconds from 1 to 60000");
            tickGiven = true;
        } else if (name == "--quit-after") {
            std::uint32_t ms = 0;
            if (!value(v) || !parseInteger<std::uint32_t>(v, 0, 4000000000u, ms))
                return fail("--quit-after needs a whole number of milliseconds");
            o.quitAfterMs = ms;
        } else if (name == "--scale") {
            if (!value(v) || !parseInteger<int>(v, 1, 8, o.scale))
                return fail("--scale needs a whole number from 1 to 8");
        } else if (name == "--headless" || name == "--trace" || name == "--fullscreen" ||
                   name == "--help" || name == "--version") {
            return fail(std::string(name) + " takes no value");
        } else {
            return fail("unknown option '" + std::string(name) + "'");
        }
    }
    if (!o.headless && o.inputFile)
        return fail("--input needs --headless (a window takes its input from the player)");
    if (!o.headless && o.audioOutFile)
        return fail("--audio-out needs --headless (a window plays its sound on the sound device)");
    if (!o.headless && tickGiven)
        return fail("--tick-ms needs --headless (a window runs on the real clock)");
    result.ok = true;
    return result;
}

} // namespace vura
