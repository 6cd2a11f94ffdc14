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

    // A line that starts with a time: its words, and the events it adds to the script.
    struct TimedLine {
        const std::vector<std::string_view>& w;
        int line;
        std::uint32_t ms;
        InputScript& out;
        InputEvent e; // what every event of the line starts from

        std::string_view action() const { return w[1]; }
        void push(InputEvent::Kind kind, std::uint32_t at) {
            InputEvent copy = e;
            copy.kind = kind;
            copy.ms = at;
            out.events.push_back(copy);
        }
        void push(InputEvent::Kind kind) { push(kind, ms); }
        std::uint32_t later(std::uint32_t delay) const {
            return ms > UINT32_MAX - delay ? UINT32_MAX : ms + delay;
        }
    };

    bool parseLine(const std::vector<std::string_view>& w, int line, InputScript& out) {
        if (w.empty())
            return true;
        if (w[0] == "answer")
            return parseAnswer(w, line, out);
        if (w[0] == "name")
            return parseName(w, line, out);
        auto ms = parseNumber<std::uint32_t>(w[0]);
        if (!ms)
            return fail(line, "expected a time in milliseconds, 'answer' or 'name', found '" +
                                  std::string(w[0]) + "'");
        if (w.size() < 2)
            return fail(line, "a time must be followed by an action");
        TimedLine t{w, line, *ms, out, {}};
        t.e.ms = *ms;
        t.e.line = line;
        return parseAction(t);
    }

    bool parseAnswer(const std::vector<std::string_view>& w, int line, InputScript& out) {
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

    bool parseName(const std::vector<std::string_view>& w, int line, InputScript& out) {
        if (w.size() == 2 && w[1] == "default") {
            out.names.push_back({"", "", true});
            return true;
        }
        if (w.size() != 3)
            return fail(line, "'name' takes two words, the family name and the given name (\"\" "
                              "for an empty one), or 'default'");
        auto word = [](std::string_view v) { return v == "\"\"" ? std::string() : std::string(v); };
        out.names.push_back({word(w[1]), word(w[2]), false});
        return true;
    }

    bool parseAction(TimedLine& t) {
        std::string_view action = t.action();
        if (action == "move" || action == "click" || action == "rclick")
            return parseMouse(t);
        if (action == "down" || action == "up")
            return parseButton(t);
        if (action == "press" || action == "release" || action == "tap")
            return parseKey(t);
        if (action == "wheel")
            return parseWheel(t);
        if (action == "focus")
            return parseFocus(t);
        if (action == "close") {
            if (!needArgs(t, 0, "nothing after it"))
                return false;
            t.push(InputEvent::Kind::Close);
            return true;
        }
        return fail(t.line, "unknown action '" + std::string(action) +
                                "' (expected move, down, up, click, rclick, press, release, tap, "
                                "wheel, focus or close)");
    }

    // The action's words after it must number exactly n.
    bool needArgs(const TimedLine& t, std::size_t n, const char* usage) {
        if (t.w.size() - 2 == n)
            return true;
        return fail(t.line, "'" + std::string(t.action()) + "' expects " + usage);
    }

    bool parseMouse(TimedLine& t) {
        if (!needArgs(t, 2, "<x> <y>"))
            return false;
        auto x = parseNumber<int>(t.w[2]);
        auto y = parseNumber<int>(t.w[3]);
        if (!x || !y)
            return fail(t.line, "coordinates must be integers");
        if (*x < 0 || *x >= kClientWidth || *y < 0 || *y >= kClientHeight)
            return fail(t.line, "position (" + std::to_string(*x) + ", " + std::to_string(*y) +
                                    ") is outside the 640 x 480 client area");
        t.e.x = *x;
        t.e.y = *y;
        t.push(InputEvent::Kind::Move);
        if (t.action() != "move") {
            t.e.button = t.action() == "click" ? 0 : 1;
            t.push(InputEvent::Kind::ButtonDown);
            t.push(InputEvent::Kind::ButtonUp, t.later(kClickHoldMs));
        }
        return true;
    }

    bool parseButton(TimedLine& t) {
        if (!needArgs(t, 1, "a button: left, right, middle or x1"))
            return false;
        auto button = buttonFromName(t.w[2]);
        if (!button)
            return fail(t.line, "unknown button '" + std::string(t.w[2]) +
                                    "' (expected left, right, middle or x1)");
        t.e.button = *button;
        t.push(t.action() == "down" ? InputEvent::Kind::ButtonDown : InputEvent::Kind::ButtonUp);
        return true;
    }

    bool parseKey(TimedLine& t) {
        if (!needArgs(t, 1, "a key name"))
            return false;
        auto code = key::codeFromName(t.w[2]);
        if (!code)
            return fail(t.line, "unknown key '" + std::string(t.w[2]) +
                                    "' (expected Return, Escape, Space, LCtrl, RCtrl, LShift, "
                                    "RShift, KPEnter, a letter or a digit)");
        t.e.key = *code;
        if (t.action() == "release") {
            t.push(InputEvent::Kind::KeyUp);
        } else {
            t.push(InputEvent::Kind::KeyDown);
            if (t.action() == "tap")
                t.push(InputEvent::Kind::KeyUp, t.later(kClickHoldMs));
        }
        return true;
    }

    bool parseWheel(TimedLine& t) {
        if (!needArgs(t, 1, "a number of notches"))
            return false;
        auto n = parseNumber<std::int32_t>(t.w[2]);
        if (!n || *n < -10000 || *n > 10000)
            return fail(t.line, "wheel movement must be an integer from -10000 to 10000");
        t.e.wheel = *n;
        t.push(InputEvent::Kind::Wheel);
        return true;
    }

    bool parseFocus(TimedLine& t) {
        if (!needArgs(t, 1, "'out' or 'in'"))
            return false;
        if (t.w[2] == "out")
            t.push(InputEvent::Kind::FocusOut);
        else if (t.w[2] == "in")
            t.push(InputEvent::Kind::FocusIn);
        else
            return fail(t.line, "'focus' expects 'out' or 'in'");
        return true;
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
