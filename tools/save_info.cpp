#include "save_info.hpp"

#include "base/byte_order.hpp"
#include "base/sjis.hpp"
#include "core/command_signatures.hpp"
#include "save/common_data.hpp"
#include "save/snapshot.hpp"

#include <sstream>
#include <vector>

namespace vura::tools {

namespace {

std::string jsonText(std::string_view sjisText) {
    std::string out = "\"";
    for (unsigned char c : cp932ToUtf8(sjisText)) {
        if (c == '"' || c == '\\')
            out += '\\', out += static_cast<char>(c);
        else if (c < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\u%04x", c);
            out += hex;
        } else
            out += static_cast<char>(c);
    }
    return out + "\"";
}

struct Field {
    std::string name;
    std::string text; // for people
    std::string json; // the JSON value
};

std::vector<Field> slotFields(const SlotParts& parts, const Snapshot& s) {
    auto number = [](long long v) { return std::to_string(v); };
    auto state = [](const SavedCommand& c) {
        return std::to_string(c.engineState) + " " + std::string(commandName(c.engineState)) +
               ", phase " + std::to_string(c.commandPhase);
    };
    std::string banks, banksJson = "[";
    const char* bankNames[8] = {"game ints",   "game flags",    "game strings", "const ints",
                                "const flags", "const strings", "common ints",  "common flags"};
    for (int i = 0; i < 8; ++i) {
        banks += (i ? ", " : "") + std::string(bankNames[i]) + " " + number(s.bankSizes[i]);
        banksJson += (i ? ", " : "") + number(s.bankSizes[i]);
    }
    std::string saved = number(s.savedTop + 1), savedJson = "[";
    for (int i = 0; i <= s.savedTop; ++i) {
        const SavedCommand& c = s.saved[static_cast<std::size_t>(i)];
        saved += (i ? "; " : " (") + state(c) + (i == s.savedTop ? ")" : "");
        savedJson += (i ? ", " : "") + number(c.engineState);
    }
    auto counts = [&](bool json) {
        const std::pair<const char*, std::size_t> c[] = {
            {"windows", s.windows.size()},
            {"channels", s.channels.size()},
            {"packs", static_cast<std::size_t>(s.packCount)},
            {"layers", s.layers.size()},
            {"masks", s.masks.size()},
            {"logPages", s.log.size()},
            {"buttons", s.buttons.size()},
            {"hotspots", s.hotspots.size()},
            {"choiceLines", s.choices.size()}};
        std::string out = json ? "{" : "";
        for (std::size_t i = 0; i < std::size(c); ++i)
            out +=
                (i ? ", " : "") +
                (json ? "\"" + std::string(c[i].first) + "\": " : std::string(c[i].first) + " ") +
                number(static_cast<long long>(c[i].second));
        return out + (json ? "}" : "");
    };
    return {
        {"thumbnailBytes", number(static_cast<long long>(parts.thumbnail.size())),
         number(static_cast<long long>(parts.thumbnail.size()))},
        {"snapshotBytes", number(static_cast<long long>(parts.snapshot.size())),
         number(static_cast<long long>(parts.snapshot.size()))},
        {"title", cp932ToUtf8(s.title), jsonText(s.title)},
        {"date", s.date, jsonText(s.date)},
        {"script", cp932ToUtf8(s.scriptName), jsonText(s.scriptName)},
        {"pc", number(s.pc), number(s.pc)},
        {"engineState", state(s.state), number(s.state.engineState)},
        {"commandPhase", number(s.state.commandPhase), number(s.state.commandPhase)},
        {"savedCommands", saved, savedJson + "]"},
        {"callFrames", number(s.frameTop + 1), number(s.frameTop + 1)},
        {"bankSizes", banks, banksJson + "]"},
        {"records", counts(false), counts(true)},
    };
}

std::string render(const std::vector<Field>& fields, bool json) {
    std::ostringstream out;
    if (json)
        out << "{\n";
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (json)
            out << "  \"" << fields[i].name << "\": " << fields[i].json
                << (i + 1 < fields.size() ? ",\n" : "\n");
        else
            out << fields[i].name << ": " << fields[i].text << '\n';
    }
    if (json)
        out << "}\n";
    return out.str();
}

} // namespace

bool describeSlotFile(std::span<const std::uint8_t> file, bool json, std::string& out) {
    std::optional<SlotParts> parts = splitSlotFile(file);
    if (!parts) {
        out = "its thumbnail is cut short";
        return false;
    }
    std::vector<std::uint8_t> bytes(parts->snapshot.begin(), parts->snapshot.end());
    scrambleSnapshot(bytes);
    std::string error;
    std::optional<Snapshot> snapshot = decodeSnapshot(bytes, &error);
    if (!snapshot) {
        out = "not a slot the engine can load: " + error;
        return false;
    }
    out = render(slotFields(*parts, *snapshot), json);
    return true;
}

bool describeCommonData(std::span<const std::uint8_t> file, std::size_t ints, std::size_t flags,
                        bool json, std::string& out) {
    std::optional<CommonData> data = decodeCommonData(file, ints, flags);
    if (!data) {
        out = "not " + std::to_string(8 * ints + 2 * flags) + " bytes, the size for " +
              std::to_string(ints) + " common ints and " + std::to_string(flags) + " common flags";
        return false;
    }
    std::ostringstream o;
    o << (json ? "{\n  \"commonInts\": [" : "common ints:");
    for (std::size_t i = 0; i < ints; ++i)
        o << (json ? (i ? ", " : "") : "\n  ") << (json ? "" : std::to_string(i) + ": key ")
          << (json ? "{\"key\": " : "") << static_cast<std::int32_t>(readLe32(file.data() + 4 * i))
          << (json ? ", \"value\": " : ", value ") << data->ints[i] << (json ? "}" : "");
    o << (json ? "],\n  \"commonFlags\": [" : "\ncommon flags:");
    for (std::size_t i = 0; i < flags; ++i)
        o << (json ? (i ? ", " : "") : "\n  ") << (json ? "" : std::to_string(i) + ": key ")
          << (json ? "{\"key\": " : "") << int{file[8 * ints + i]}
          << (json ? ", \"value\": " : ", value ") << int{data->flags[i]} << (json ? "}" : "");
    o << (json ? "]\n}\n" : "\n");
    out = o.str();
    return true;
}

} // namespace vura::tools
