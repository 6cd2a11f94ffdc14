// Command 78 played from input scripts: each "name" line is one press of OK, refusals and the
// confirmation take "answer" lines, and a script that runs out never leaves the game waiting.

#include "base/sjis.hpp"
#include "support/test_game.hpp"

#include <gtest/gtest.h>

namespace vura {
namespace {

using test::GameRun;
using test::TestGame;

struct NameEntry : ::testing::Test {
    // Game strings 0 and 1 hold "old" names; the dialog's defaults are 山田 and 太郎.
    std::unique_ptr<GameRun> play(const std::string& input,
                                  const std::string& variables = "gs[0], gs[1]") {
        game.layout();
        game.script("INIT", "PushRef 0 4\nPushConst 2 \"old\"\nAssign\nPop\n"
                            "PushRef 1 4\nPushConst 2 \"old\"\nAssign\nPop\n"
                            "call NameEntryDialog(\"山田\", \"太郎\", " +
                                variables + ")\ncall WaitClick(0)");
        auto run = std::make_unique<GameRun>(game, input);
        EXPECT_TRUE(run->start()) << run->boxes();
        run->runFor(50);
        return run;
    }
    static std::string names(GameRun& run) {
        return run.vm().gameStrings[0] + "/" + run.vm().gameStrings[1];
    }
    TestGame game;
};

TEST_F(NameEntry, RefusalsKeepTheDialogAndTheConfirmationStoresTheNames) {
    // Too long, then punctuation, then half-width kana, then "no" to the confirmation, then a
    // name that is kept.
    auto run = play("name あいうえ 太郎\nname 山田 太郎!\nname ｱｲ 太郎\nname 鈴木 一\n"
                    "answer ok\nanswer ok\nanswer ok\nanswer no\nname 鈴木 ハル\n");
    const std::string refused = "苗字／名前が正しくありません: ";
    EXPECT_EQ(
        run->boxes(),
        refused +
            "苗字／名前が空白または全角４文字以上です。\n全角で３文字以下で入力してください。\n" +
            refused +
            "\"？！、。，?!,.（）〔〕［］｛｝〈〉《》「」『』()[]{}\"の文字は使用できません。\n" +
            refused +
            "半角カナ、スペースは使用できません\n"
            "確認: 苗字：鈴木　名前：一\nでよろしいですか？\n"
            "確認: 苗字：鈴木　名前：ハル\nでよろしいですか？\n");
    EXPECT_EQ(names(*run), sjis("鈴木") + "/" + sjis("ハル"));
    EXPECT_EQ(run->engine->script.engineState, 15);
}

TEST_F(NameEntry, DefaultsAndARunOutScript) {
    // "name default" presses the defaults button first.
    auto defaults = play("name 鈴木 ハル\nanswer no\nname default\n");
    EXPECT_EQ(names(*defaults), sjis("山田") + "/" + sjis("太郎"));
    // No line at all: OK with the fields as they stand, the defaults.
    auto none = play("");
    EXPECT_EQ(names(*none), sjis("山田") + "/" + sjis("太郎"));
    // Refused with no line left: the dialog gives up and the variables stay as they were.
    auto refused = play("name \"\" 太郎\n");
    EXPECT_EQ(refused->boxes().substr(refused->boxes().rfind("error")),
              "error: Dialog表示失敗 in NameEntryDialog()\n");
    EXPECT_EQ(names(*refused), "old/old");
    // Only game string variables are written.
    auto ints = play("", "gi[0], gs[1]");
    EXPECT_EQ(names(*ints), "old/" + sjis("太郎"));
}

} // namespace
} // namespace vura
