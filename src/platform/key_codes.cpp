#include "platform/key_codes.hpp"

#include <array>
#include <string>

namespace vura::key {

namespace {

struct NamedKey {
    std::string_view name;
    std::uint8_t code;
};

constexpr NamedKey kNamedKeys[] = {
    {"Return", kReturn},
    {"Escape", kEscape},
    {"Space", kSpace},
    {"LCtrl", kLeftCtrl},
    {"RCtrl", kRightCtrl},
    {"LShift", kLeftShift},
    {"RShift", kRightShift},
    {"KPEnter", kKeypadEnter},
    {"Tab", kTab},
    {"Backspace", kBackspace},
    {"Up", kUp},
    {"Down", kDown},
    {"Left", kLeft},
    {"Right", kRight},
    {"Home", kHome},
    {"End", kEnd},
    {"PageUp", kPageUp},
    {"PageDown", kPageDown},
    {"Insert", kInsert},
    {"Delete", kDelete},
    {"F11", kF11},
    {"F12", kF12},
};

// Letters in keyboard order are not in code order; this lists A to Z.
constexpr std::array<std::uint8_t, 26> kLetters = {
    kA, kB, kC, kD, kE, kF, kG, kH, kI, kJ, kK, kL, kM,
    kN, kO, kP, kQ, kR, kS, kT, kU, kV, kW, kX, kY, kZ,
};

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

std::optional<std::uint8_t> codeFromName(std::string_view name) {
    for (const NamedKey& k : kNamedKeys) {
        if (equalsIgnoringCase(name, k.name))
            return k.code;
    }
    if (name.size() == 1) {
        char c = name[0];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c >= 'A' && c <= 'Z')
            return kLetters[c - 'A'];
        if (c == '0')
            return k0;
        if (c >= '1' && c <= '9')
            return static_cast<std::uint8_t>(k1 + (c - '1'));
    }
    if ((name.size() == 2 || name.size() == 3) && (name[0] == 'F' || name[0] == 'f')) {
        int n = 0;
        for (std::size_t i = 1; i < name.size(); ++i) {
            if (name[i] < '0' || name[i] > '9')
                return std::nullopt;
            n = n * 10 + (name[i] - '0');
        }
        if (n >= 1 && n <= 10)
            return static_cast<std::uint8_t>(kF1 + n - 1);
    }
    return std::nullopt;
}

std::string_view nameFromCode(std::uint8_t code) {
    static const std::array<std::string, 256> names = [] {
        std::array<std::string, 256> n;
        for (const NamedKey& k : kNamedKeys)
            n[k.code] = std::string(k.name);
        for (int i = 0; i < 26; ++i)
            n[kLetters[i]] = std::string(1, static_cast<char>('A' + i));
        n[k0] = "0";
        for (int i = 1; i <= 9; ++i)
            n[k1 + i - 1] = std::string(1, static_cast<char>('0' + i));
        for (int i = 1; i <= 10; ++i)
            n[kF1 + i - 1] = "F" + std::to_string(i);
        return n;
    }();
    return names[code];
}

} // namespace vura::key
