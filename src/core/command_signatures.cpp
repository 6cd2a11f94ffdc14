#include "core/command_signatures.hpp"

#include <charconv>

namespace vura {

namespace {

ArgSpec parseWord(std::string_view word, bool inGroup) {
    ArgSpec arg;
    std::size_t colon = word.find(':');
    arg.name = word.substr(0, colon);
    if (!arg.name.empty() && arg.name.back() == '?') {
        arg.name.remove_suffix(1);
        arg.voiced = true;
    }
    arg.repeated = inGroup;
    std::string_view kind = colon == std::string_view::npos ? "" : word.substr(colon + 1);
    if (kind == "int") {
        arg.kind = ArgKind::Int;
    } else if (kind == "flag") {
        arg.kind = ArgKind::Flag;
    } else if (kind == "ref") {
        arg.kind = ArgKind::GameIntRef;
    } else if (kind == "raw") {
        arg.kind = ArgKind::Raw;
    } else if (kind == "count") {
        arg.kind = ArgKind::Count;
    } else if (kind.starts_with("string")) {
        arg.kind = ArgKind::String;
        std::string_view digits = kind.substr(6);
        std::from_chars(digits.data(), digits.data() + digits.size(), arg.length);
    }
    return arg;
}

// The parts of a counted row: the arguments before the group, the group, those after it.
struct CountedShape {
    int before = 0;
    int group = 0;
    int after = 0;
};

CountedShape countedShape(const std::vector<ArgSpec>& args) {
    CountedShape shape;
    bool seenGroup = false;
    for (const ArgSpec& a : args) {
        if (a.kind == ArgKind::Count)
            break;
        if (a.repeated) {
            ++shape.group;
            seenGroup = true;
        } else {
            ++(seenGroup ? shape.after : shape.before);
        }
    }
    return shape;
}

bool isCounted(const std::vector<ArgSpec>& args) {
    return !args.empty() && args.back().kind == ArgKind::Count;
}

bool isVoiced(const std::vector<ArgSpec>& args) {
    for (const ArgSpec& a : args)
        if (a.voiced)
            return true;
    return false;
}

std::string kindText(const ArgSpec& a) {
    switch (a.kind) {
    case ArgKind::Int:
        return "int";
    case ArgKind::Flag:
        return "flag";
    case ArgKind::String:
        return "string(" + std::to_string(a.length) + ")";
    case ArgKind::GameIntRef:
        return "ref";
    case ArgKind::Raw:
        return "raw";
    case ArgKind::Count:
        return "count";
    case ArgKind::Value:
        break;
    }
    return "";
}

std::string describe(const std::vector<ArgSpec>& args, bool withKinds) {
    std::string out;
    bool inGroup = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const ArgSpec& a = args[i];
        if (i > 0)
            out += ", ";
        if (a.repeated && !inGroup) {
            out += "{";
            inGroup = true;
        }
        std::string word(a.name);
        if (withKinds && a.kind != ArgKind::Value)
            word += ": " + kindText(a);
        out += a.voiced ? "[" + word + "]" : word;
        bool groupEnds = a.repeated && (i + 1 == args.size() || !args[i + 1].repeated);
        if (groupEnds) {
            out += "}...";
            inGroup = false;
        }
    }
    return out;
}

std::string plural(int n) {
    return std::to_string(n) + (n == 1 ? " argument" : " arguments");
}

std::string checkCounted(const CommandSignature& command, const std::vector<ArgSpec>& args,
                         int given, std::optional<std::int32_t> count) {
    const std::string name(command.name);
    const CountedShape shape = countedShape(args);
    const int least = shape.before + shape.after;
    if (!count) {
        // A count taken from a variable: only the least the row needs can be checked.
        int shortest = command.shortForm.empty() ? least + 1 : 2;
        if (given < shortest)
            return name + " takes at least " + plural(shortest) + " (" + describe(args, false) +
                   "), not " + std::to_string(given);
        return {};
    }
    if (!expectedArgumentCount(command, count, std::nullopt)) {
        if (*count < command.minimumCount)
            return name + " needs a count of at least " + std::to_string(command.minimumCount) +
                   ", not " + std::to_string(*count);
        return name + "'s count " + std::to_string(*count) + " is not " + std::to_string(least) +
               " plus whole groups of " + std::to_string(shape.group) + " (" +
               describe(args, false) + ")";
    }
    const std::int64_t before = std::int64_t{*count} + command.countLeavesOut;
    if (given - 1 != before)
        return name + "'s count says " + plural(static_cast<int>(before)) +
               " come before it, but the call has " + std::to_string(given - 1);
    return {};
}

} // namespace

std::vector<ArgSpec> parseArguments(std::string_view list) {
    std::vector<ArgSpec> args;
    bool inGroup = false;
    std::size_t i = 0;
    while (i < list.size()) {
        char c = list[i];
        if (c == ' ' || c == '{' || c == '}') {
            if (c != ' ')
                inGroup = c == '{';
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < list.size() && list[end] != ' ' && list[end] != '}')
            ++end;
        args.push_back(parseWord(list.substr(i, end - i), inGroup));
        i = end;
    }
    return args;
}

std::string_view commandName(int number) {
    if (number < 0 || number >= kCommandCount)
        return "?";
    return kCommandSignatures[static_cast<std::size_t>(number)].name;
}

std::optional<int> commandNumber(std::string_view name) {
    for (const CommandSignature& s : kCommandSignatures) {
        if (s.name == name && s.name != "Dummy")
            return s.number;
    }
    return std::nullopt;
}

std::optional<int> expectedArgumentCount(const CommandSignature& command,
                                         std::optional<std::int32_t> countValue,
                                         std::optional<std::int32_t> markerValue) {
    const std::vector<ArgSpec> args = parseArguments(command.arguments);
    if (isCounted(args)) {
        if (!countValue)
            return std::nullopt;
        const std::int64_t count = *countValue;
        if (count == 1 && !command.shortForm.empty())
            return static_cast<int>(parseArguments(command.shortForm).size());
        const CountedShape shape = countedShape(args);
        const std::int64_t before = count + command.countLeavesOut;
        const std::int64_t repeated = before - shape.before - shape.after;
        if (count < command.minimumCount || count >= INT32_MAX - 1 || repeated < 0 ||
            (shape.group > 0 ? repeated % shape.group != 0 : repeated != 0))
            return std::nullopt;
        return static_cast<int>(before + 1);
    }
    if (isVoiced(args)) {
        if (!markerValue)
            return std::nullopt;
        int all = static_cast<int>(args.size());
        return *markerValue == 3 ? all : all - 1;
    }
    return static_cast<int>(args.size());
}

std::string checkCallArguments(const CommandSignature& command, int given,
                               std::optional<std::int32_t> lastValue,
                               std::optional<std::int32_t> secondLastValue) {
    const std::vector<ArgSpec> args = parseArguments(command.arguments);
    const std::string name(command.name);
    if (isCounted(args))
        return checkCounted(command, args, given, lastValue);
    if (isVoiced(args)) {
        const int all = static_cast<int>(args.size());
        if (!secondLastValue) {
            if (given == all || given == all - 1)
                return {};
            return name + " takes " + std::to_string(all - 1) + " or " + plural(all) + " (" +
                   describe(args, false) + "), not " + std::to_string(given);
        }
        const bool voiced = *secondLastValue == 3;
        const int expected = voiced ? all : all - 1;
        if (given == expected)
            return {};
        return name + " takes " + plural(expected) + " when its marker is " +
               (voiced ? "3" : "not 3") + " (" + describe(args, false) + "), not " +
               std::to_string(given);
    }
    const int expected = static_cast<int>(args.size());
    if (given == expected)
        return {};
    if (expected == 0)
        return name + " takes no arguments, not " + std::to_string(given);
    return name + " takes " + plural(expected) + " (" + describe(args, false) + "), not " +
           std::to_string(given);
}

std::string describeArguments(const CommandSignature& command) {
    std::string out = describeArguments(command.arguments);
    if (!command.shortForm.empty())
        out += " | " + describeArguments(command.shortForm);
    return out;
}

std::string describeArguments(std::string_view list) {
    return describe(parseArguments(list), true);
}

} // namespace vura
