#include "platform/input_script.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vura {
namespace {

// One event as a short line, so whole event lists compare at a glance.
std::string describe(const InputEvent& e) {
    std::string at = std::to_string(e.ms) + " ";
    switch (e.kind) {
    case InputEvent::Kind::Move:
        return at + "move " + std::to_string(e.x) + " " + std::to_string(e.y);
    case InputEvent::Kind::ButtonDown:
        return at + "button down " + std::to_string(e.button);
    case InputEvent::Kind::ButtonUp:
        return at + "button up " + std::to_string(e.button);
    case InputEvent::Kind::KeyDown:
        return at + "key down " + std::to_string(e.key);
    case InputEvent::Kind::KeyUp:
        return at + "key up " + std::to_string(e.key);
    case InputEvent::Kind::Wheel:
        return at + "wheel " + std::to_string(e.wheel);
    case InputEvent::Kind::FocusOut:
        return at + "focus out";
    case InputEvent::Kind::FocusIn:
        return at + "focus in";
    case InputEvent::Kind::Close:
        return at + "close";
    }
    return at + "?";
}

std::vector<std::string> eventsOf(std::string_view text) {
    InputScriptResult r = parseInputScript(text, "script.txt");
    EXPECT_TRUE(r.ok) << r.error;
    std::vector<std::string> out;
    for (const InputEvent& e : r.script.events)
        out.push_back(describe(e));
    return out;
}

using Lines = std::vector<std::string>;

TEST(InputScript, EveryVerbExpandsToItsEvents) {
    EXPECT_EQ(
        eventsOf("100 move 10 20\n"
                 "200 down left\n"
                 "210 up right\n"
                 "220 down middle\n"
                 "230 up x1\n"
                 "300 click 1 2\n"
                 "400 rclick 639 479\n"
                 "500 press Return\n"
                 "510 release Escape\n"
                 "600 tap A\n"
                 "700 wheel -2\n"
                 "710 wheel +3\n"
                 "800 focus out\n"
                 "810 focus in\n"
                 "900 close\n"),
        (Lines{"100 move 10 20",   "200 button down 0", "210 button up 1",   "220 button down 2",
               "230 button up 3",  "300 move 1 2",      "300 button down 0", "330 button up 0",
               "400 move 639 479", "400 button down 1", "430 button up 1",   "500 key down 28",
               "510 key up 1",     "600 key down 30",   "630 key up 30",     "700 wheel -2",
               "710 wheel 3",      "800 focus out",     "810 focus in",      "900 close"}));
}

TEST(InputScript, EventsAreSortedByTimeWithTiesInFileOrder) {
    // The click's release lands at 30 and comes from line 2, so it stays ahead of line 3's press.
    EXPECT_EQ(eventsOf("50 press B\n0 click 5 5\n30 press C\n30 press D\n"
                       "4294967295 press E\n4294967290 tap F"),
              (Lines{"0 move 5 5", "0 button down 0", "30 button up 0", "30 key down 46",
                     "30 key down 32", "50 key down 48", "4294967290 key down 33",
                     "4294967295 key down 18",
                     "4294967295 key up 33"})); // a release past the clock's end stays at its end

    InputScriptResult r = parseInputScript("\n0 click 5 5", "s");
    ASSERT_TRUE(r.ok);
    for (const InputEvent& e : r.script.events)
        EXPECT_EQ(e.line, 2);
}

TEST(InputScript, CommentsBlankLinesAndCarriageReturnsAreSkipped) {
    InputScriptResult r = parseInputScript("# a header\n\n   \n10 press A # held\n\t\r\n"
                                           "20 release A\r\n#answer yes\n",
                                           "s");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.script.events.size(), 2u);
    EXPECT_EQ(r.script.events[0].line, 4);
    EXPECT_EQ(r.script.events[1].line, 6);
    EXPECT_TRUE(r.script.answers.empty());
    EXPECT_TRUE(parseInputScript("", "s").ok);
}

TEST(InputScript, AnswersAndNamesAreCollectedInOrder) {
    InputScriptResult r = parseInputScript("answer yes\nname 山田 太郎\n10 close\nanswer no\n"
                                           "answer ok\nname Smith John",
                                           "s");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.script.answers,
              (std::vector<MessageBoxAnswer>{MessageBoxAnswer::Yes, MessageBoxAnswer::No,
                                             MessageBoxAnswer::Ok}));
    ASSERT_EQ(r.script.names.size(), 2u);
    EXPECT_EQ(r.script.names[0].family, "山田");
    EXPECT_EQ(r.script.names[0].given, "太郎");
    EXPECT_EQ(r.script.names[1].family, "Smith");
    EXPECT_EQ(r.script.names[1].given, "John");
    EXPECT_EQ(r.script.events.size(), 1u);
}

TEST(InputScript, KeyNamesMapToDirectInputCodesIgnoringCase) {
    struct Case {
        const char* name;
        std::uint8_t code;
    };
    for (Case c : {Case{"Return", 0x1C}, {"return", 0x1C},  {"RETURN", 0x1C},  {"Escape", 0x01},
                   {"escape", 0x01},     {"Space", 0x39},   {"SPACE", 0x39},   {"LCtrl", 0x1D},
                   {"lctrl", 0x1D},      {"RCtrl", 0x9D},   {"LShift", 0x2A},  {"RShift", 0x36},
                   {"rshift", 0x36},     {"KPEnter", 0x9C}, {"kpenter", 0x9C}, {"A", 0x1E},
                   {"a", 0x1E},          {"Z", 0x2C},       {"z", 0x2C},       {"Q", 0x10},
                   {"1", 0x02},          {"9", 0x0A},       {"0", 0x0B}}) {
        InputScriptResult r = parseInputScript(std::string("0 press ") + c.name, "s");
        ASSERT_TRUE(r.ok) << c.name << ": " << r.error;
        ASSERT_EQ(r.script.events.size(), 1u);
        EXPECT_EQ(r.script.events[0].key, c.code) << c.name;
    }
}

TEST(InputScript, BadLineNamesSourceAndLineAndLeavesScriptEmpty) {
    struct Case {
        const char* line;
        const char* fragment;
    };
    for (Case c : {
             Case{"10 jump", "unknown action 'jump'"},
             {"10", "a time must be followed by an action"},
             {"10 click 5", "'click' expects <x> <y>"},
             {"10 move 5 6 7", "'move' expects <x> <y>"},
             {"10 close now", "'close' expects nothing"},
             {"10 wheel", "'wheel' expects a number of notches"},
             {"10 focus", "'focus' expects 'out' or 'in'"},
             {"10 focus sideways", "'focus' expects 'out' or 'in'"},
             {"10 move 640 0", "position (640, 0) is outside the 640 x 480 client area"},
             {"10 click 0 480", "position (0, 480) is outside"},
             {"10 rclick -1 5", "position (-1, 5) is outside"},
             {"10 move 1.5 2", "coordinates must be integers"},
             {"10 down thumb", "unknown button 'thumb'"},
             {"10 up", "'up' expects a button"},
             {"10 down left right", "'down' expects a button"},
             {"10 press Enter", "unknown key 'Enter'"},
             {"10 tap", "'tap' expects a key name"},
             {"10 release A B", "'release' expects a key name"},
             {"10 wheel 10001", "wheel movement must be an integer from -10000 to 10000"},
             {"10 wheel two", "wheel movement must be an integer"},
             {"answer maybe", "unknown answer 'maybe' (expected yes, no or ok)"},
             {"answer", "'answer' takes one word"},
             {"answer yes no", "'answer' takes one word"},
             {"name 山田", "'name' takes two words"},
             {"name a b c", "'name' takes two words"},
             {"click 5 5", "expected a time in milliseconds, 'answer' or 'name', found 'click'"},
             {"-5 press A", "found '-5'"},
             {"4294967296 press A", "found '4294967296'"},
             {"1.5 press A", "found '1.5'"},
             {"0x10 press A", "found '0x10'"},
             {"+ press A", "found '+'"},
         }) {
        SCOPED_TRACE(c.line);
        // Good lines before the bad one fill every part of the script first.
        InputScriptResult r = parseInputScript(
            std::string("answer yes\nname a b\n10 click 1 1 # fine\n") + c.line + "\n20 close",
            "script.txt");
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error.rfind("script.txt:4: ", 0), 0u) << r.error;
        EXPECT_NE(r.error.find(c.fragment), std::string::npos) << r.error;
        EXPECT_TRUE(r.script.events.empty());
        EXPECT_TRUE(r.script.answers.empty());
        EXPECT_TRUE(r.script.names.empty());
    }
}

} // namespace
} // namespace vura
