#include "core/state_dump.hpp"

#include "base/sjis.hpp"
#include "core/engine.hpp"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace vura {

namespace {

void writeJsonString(std::ostringstream& out, std::string_view sjisText) {
    std::string utf8 = cp932ToUtf8(sjisText);
    out << '"';
    for (unsigned char c : utf8) {
        switch (c) {
        case '"':
            out << "\\\"";
            break;
        case '\\':
            out << "\\\\";
            break;
        case '\n':
            out << "\\n";
            break;
        case '\r':
            out << "\\r";
            break;
        case '\t':
            out << "\\t";
            break;
        default:
            if (c < 0x20) {
                static const char* hex = "0123456789abcdef";
                out << "\\u00" << hex[c >> 4] << hex[c & 15];
            } else {
                out << static_cast<char>(c);
            }
        }
    }
    out << '"';
}

template <typename Container, typename Write>
void writeArray(std::ostringstream& out, const Container& items, Write write) {
    out << '[';
    bool first = true;
    for (const auto& item : items) {
        if (!first)
            out << ", ";
        first = false;
        write(item);
    }
    out << ']';
}

} // namespace

std::string stateDumpJson(const Engine& engine) {
    std::ostringstream out;
    out << "{\n  \"engineState\": " << engine.script.engineState
        << ",\n  \"commandPhase\": " << engine.script.commandPhase;
    const ScriptVm* vm = engine.script.vm.get();
    static const ScriptVm kEmpty;
    const ScriptVm& m = vm ? *vm : kEmpty;
    out << ",\n  \"pc\": " << m.pc << ",\n  \"scriptName\": ";
    writeJsonString(out, m.scriptName);
    auto number = [&](auto v) { out << static_cast<long long>(v); };
    out << ",\n  \"gameInts\": ";
    writeArray(out, m.gameInts, number);
    out << ",\n  \"gameFlags\": ";
    writeArray(out, m.gameFlags, number);
    out << ",\n  \"gameStrings\": ";
    writeArray(out, m.gameStrings, [&](const std::string& s) { writeJsonString(out, s); });
    out << ",\n  \"commonInts\": ";
    writeArray(out, m.commonInts, number);
    out << ",\n  \"commonFlags\": ";
    writeArray(out, m.commonFlags, number);
    // The sound channels as the scripts set them: what each last loaded, from which pack, and
    // how loud.
    out << ",\n  \"soundChannels\": [";
    for (std::size_t i = 0; i < engine.sound.channels.size(); ++i) {
        const SoundChannel& c = engine.sound.channels[i];
        out << (i ? ", " : "") << "{\"name\": ";
        writeJsonString(out, c.name);
        out << ", \"pack\": " << c.pack << ", \"volumePercent\": " << c.volumePercent
            << ", \"volumeVariable\": " << c.volumeVariable
            << ", \"streaming\": " << (c.streaming ? "true" : "false") << '}';
    }
    out << ']';
    // The message windows' pages as they stand, and the log of the pages that went by.
    out << ",\n  \"messageWindows\": [";
    for (std::size_t i = 0; i < engine.text.messageWindows.size(); ++i) {
        const MessageWindow& w = *engine.text.messageWindows[i];
        out << (i ? ", " : "") << "{\"pageText\": ";
        writeJsonString(out, w.pageText);
        out << ", \"voice\": ";
        writeJsonString(out, w.voiceName);
        out << '}';
    }
    out << ']';
    out << ",\n  \"messageLogPages\": [";
    if (engine.text.messageLog) {
        const auto& pages = engine.text.messageLog->pages();
        for (std::size_t i = 0; i < pages.size(); ++i) {
            out << (i ? ", " : "") << "{\"window\": " << pages[i].window << ", \"text\": ";
            writeJsonString(out, pages[i].text);
            out << ", \"voices\": " << pages[i].voices.count << '}';
        }
    }
    out << ']';
    // The movie: its file, whether the device is open and playing, repeating, and where it is.
    const VideoPlayer* video = engine.video.player.get();
    out << ",\n  \"video\": {\"file\": ";
    writeJsonString(
        out, video ? utf8ToCp932(std::filesystem::path(video->fileName()).filename().string())
                   : std::string());
    out << ", \"open\": " << (video && video->isOpen() ? "true" : "false")
        << ", \"playing\": " << (video && video->isPlaying() ? "true" : "false")
        << ", \"repeat\": " << (video && video->repeats() ? "true" : "false")
        << ", \"positionMs\": " << (video && video->isOpen() ? video->positionMs() : 0) << '}';
    out << ",\n  \"stack\": [";
    for (int i = 0; i <= m.top; ++i) {
        out << (i ? ", " : "") << "{\"type\": " << m.valueStack[i].type
            << ", \"value\": " << m.valueStack[i].value << '}';
    }
    out << "]\n}\n";
    return out.str();
}

bool writeStateDump(const Engine& engine, const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << stateDumpJson(engine);
    out.flush();
    return static_cast<bool>(out);
}

} // namespace vura
