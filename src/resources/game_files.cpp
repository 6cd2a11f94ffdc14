#include "resources/game_files.hpp"

#include "base/sjis.hpp"

#include <string>
#include <system_error>
#include <vector>

namespace vura {

namespace {

// Splits at '\' and '/' that are not the second byte of a double-byte character.
std::vector<std::string> components(std::string_view name) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (isSjisDoubleByteAt(name, i)) {
            parts.back() += name.substr(i, 2);
            ++i;
        } else if (name[i] == '\\' || name[i] == '/') {
            if (!parts.back().empty())
                parts.emplace_back();
        } else {
            parts.back() += name[i];
        }
    }
    if (parts.back().empty())
        parts.pop_back();
    return parts;
}

bool sameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

bool isKind(const std::filesystem::path& p, bool directory) {
    std::error_code ec;
    return directory ? std::filesystem::is_directory(p, ec)
                     : std::filesystem::is_regular_file(p, ec);
}

// Finds one component inside `dir`: exactly, or else the first entry equal to it without
// regard to ASCII case.
std::optional<std::filesystem::path> findComponent(const std::filesystem::path& dir,
                                                   const std::string& component, bool last,
                                                   bool directory) {
    bool wantDirectory = !last || directory;
    std::filesystem::path exact = dir / component;
    if (isKind(exact, wantDirectory))
        return exact;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        if (sameIgnoringAsciiCase(entry.path().filename().native(), component) &&
            isKind(entry.path(), wantDirectory))
            return entry.path();
    }
    return std::nullopt;
}

std::optional<std::filesystem::path>
resolve(const std::filesystem::path& base, const std::vector<std::string>& parts, bool directory) {
    std::filesystem::path current = base;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        auto next = findComponent(current, parts[i], i + 1 == parts.size(), directory);
        if (!next)
            return std::nullopt;
        current = *next;
    }
    return current;
}

} // namespace

std::optional<std::filesystem::path> findGameFile(const std::filesystem::path& base,
                                                  std::string_view nameSjis, bool directory) {
    std::vector<std::string> raw = components(nameSjis);
    if (raw.empty())
        return std::nullopt;
    std::vector<std::string> utf8;
    for (const std::string& part : raw)
        utf8.push_back(cp932ToUtf8(part));
    // Exact names first, in both forms, before any directory is scanned.
    for (const auto* parts : {&raw, &utf8}) {
        std::filesystem::path p = base;
        for (const std::string& part : *parts)
            p /= part;
        if (isKind(p, directory))
            return p;
    }
    for (const auto* parts : {&raw, &utf8}) {
        if (auto found = resolve(base, *parts, directory))
            return found;
    }
    return std::nullopt;
}

std::filesystem::path gameFilePath(const std::filesystem::path& base, std::string_view nameSjis) {
    std::vector<std::string> raw = components(nameSjis);
    std::filesystem::path current = base;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        bool last = i + 1 == raw.size();
        if (!last) {
            auto dir = findGameFile(current, raw[i], true);
            current = dir ? *dir : current / cp932ToUtf8(raw[i]);
        } else if (auto existing = findGameFile(current, raw[i])) {
            current = *existing;
        } else {
            current /= cp932ToUtf8(raw[i]);
        }
    }
    return current;
}

} // namespace vura
