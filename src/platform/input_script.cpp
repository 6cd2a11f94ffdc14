#include "platform/input_script.hpp"

#include "platform/key_codes.hpp"

#include <algorithm>
#include <charconv>
#include <optional>

namespace vura {

namespace {

constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;

std::vector<std::string_view> splitWords(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

template <typename T>
std::optional<T> parseNumber(std::string_view word) {
    T value{};
    const char* begin = word.data();
    const char* end = begin + word.size();
    if (begin != end && *begin == '+')
        ++begin;
    auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end || begin == end)
        return std::nullopt;
    return value;
}

std::optional<int> buttonFromName(std::string_view name) {
    if (name == "left")
        return 0;
    if (name == "right")
        return 1;
    if (name == "middle")
        return 2;
    if (name == "x1")
        return 3;
    return std::nullopt;
}

class Parser {
public:
    explicit Parser(std::string_view source) : source_(source) {}

    bool parse(std::string_view text, InputScript& out) {
        int lineNumber = 0;
        std::size_t pos = 0;
        while (pos <= text.size()) {
            std::size_t end = text.find('\n', pos);
            if (end == std::string_view::npos)
                end = text.size();
            ++lineNumber;
            std::string_view line = text.substr(pos, end - pos);
            if (auto hash = line.find('#'); hash != std::string_view::npos)
                line = line.substr(0, hash);
            if (!parseLine(splitWords(line), lineNumber, out))
                return false;
            pos = end + 1;
        }
        std::stable_sort(out.events.begin(), out.events.end(),
                         [](const InputEvent& a, const InputEvent& b) { return a.ms < b.ms; });
        return true;
    }

    const std::string& error() const { return error_; }

private:
    bool fail(int line, const std::string& what) {
        error_ = std::string(source_) + ":" + std::to_string(line) + ": " + what;
        return false;
    }

    bool parseLine(const std::vector<std::string_view>& w, int line, InputScript& out) {
        if (w.empty())
            return true;
        if (w[0] == "answer") {
            if (w.size() != 2)
                return fail(line, "'answer' takes one word: yes, no or ok");
            if (w[1] == "yes")
                out.answers.push_back(MessageBoxAnswer::Yes);
            else if (w[1] == "no")
                out.answers.push_back(MessageBoxAnswer::No);
            else if (w[1] == "ok")
                out.answers.push_back(MessageBoxAnswer::Ok);
            else
                return fail(line,
                            "unknown answer '" + std::string(w[1]) + "' (expected yes, no or ok)");
            return true;
        }
        if (w[0] == "name") {
            if (w.size() != 3)
                return fail(line, "'name' takes two words: the family name and the given name");
            out.names.push_back({std::string(w[1]), std::string(w[2])});
            return true;
        }
        auto ms = parseNumber<std::uint32_t>(w[0]);
        if (!ms)
            return fail(line, "expected a time in milliseconds, 'answer' or 'name', found '" +
                                  std::string(w[0]) + "'");
        if (w.size() < 2)
            return fail(line, "a time must be followed by an action");
        std::string_view action = w[1];
        std::size_t argc = w.size() - 2;
        auto needArgs = [&](std::size_t n, const char* usage) {
            if (argc == n)
                return true;
            fail(line, "'" + std::string(action) + "' expects " + usage);
            return false;
        };
        InputEvent e;
        e.ms = *ms;
        e.line = line;
        auto push = [&](InputEvent::Kind kind, std::uint32_t at) {
            InputEvent copy = e;
            copy.kind = kind;
            copy.ms = at;
            out.events.push_back(copy);
        };
        auto later = [&](std::uint32_t delay) {
            return *ms > UINT32_MAX - delay ? UINT32_MAX : *ms + delay;
        };

        if (action == "move" || action == "click" || action == "rclick") {
            if (!needArgs(2, "<x> <y>"))
                return false;
            auto x = parseNumber<int>(w[2]);
            auto y = parseNumber<int>(w[3]);
            if (!x || !y)
                return fail(line, "coordinates must be integers");
            if (*x < 0 || *x >= kClientWidth || *y < 0 || *y >= kClientHeight)
                return fail(line, "position (" + std::to_string(*x) + ", " + std::to_string(*y) +
                                      ") is outside the 640 x 480 client area");
            e.x = *x;
            e.y = *y;
            push(InputEvent::Kind::Move, *ms);
            if (action != "move") {
                e.button = action == "click" ? 0 : 1;
                push(InputEvent::Kind::ButtonDown, *ms);
                push(InputEvent::Kind::ButtonUp, later(kClickHoldMs));
            }
            return true;
        }
        if (action == "down" || action == "up") {
            if (!needArgs(1, "a button: left, right, middle or x1"))
                return false;
            auto button = buttonFromName(w[2]);
            if (!button)
                return fail(line, "unknown button '" + std::string(w[2]) +
                                      "' (expected left, right, middle or x1)");
            e.button = *button;
            push(action == "down" ? InputEvent::Kind::ButtonDown : InputEvent::Kind::ButtonUp, *ms);
            return true;
        }
        if (action == "press" || action == "release" || action == "tap") {
            if (!needArgs(1, "a key name"))
                return false;
            auto code = key::codeFromName(w[2]);
            if (!code)
                return fail(line, "unknown key '" + std::string(w[2]) +
                                      "' (expected Return, Escape, Space, LCtrl, RCtrl, LShift, "
                                      "RShift, KPEnter, a letter or a digit)");
            e.key = *code;
            if (action == "release") {
                push(InputEvent::Kind::KeyUp, *ms);
            } else {
                push(InputEvent::Kind::KeyDown, *ms);
                if (action == "tap")
                    push(InputEvent::Kind::KeyUp, later(kClickHoldMs));
            }
            return true;
        }
        if (action == "wheel") {
            if (!needArgs(1, "a number of notches"))
                return false;
            auto n = parseNumber<std::int32_t>(w[2]);
            if (!n || *n < -10000 || *n > 10000)
                return fail(line, "wheel movement must be an integer from -10000 to 10000");
            e.wheel = *n;
            push(InputEvent::Kind::Wheel, *ms);
            return true;
        }
        if (action == "focus") {
            if (!needArgs(1, "'out' or 'in'"))
                return false;
            if (w[2] == "out")
                push(InputEvent::Kind::FocusOut, *ms);
            else if (w[2] == "in")
                push(InputEvent::Kind::FocusIn, *ms);
            else
                return fail(line, "'focus' expects 'out' or 'in'");
            return true;
        }
        if (action == "close") {
            if (!needArgs(0, "nothing after it"))
                return false;
            push(InputEvent::Kind::Close, *ms);
            return true;
        }
        return fail(line, "unknown action '" + std::string(action) +
                              "' (expected move, down, up, click, rclick, press, release, tap, "
                              "wheel, focus or close)");
    }

    std::string_view source_;
    std::string error_;
};

} // namespace

InputScriptResult parseInputScript(std::string_view text, std::string_view sourceName) {
    InputScriptResult result;
    Parser parser(sourceName);
    result.ok = parser.parse(text, result.script);
    if (!result.ok) {
        result.error = parser.error();
        result.script = {};
    }
    return result;
}

} // namespace vura
