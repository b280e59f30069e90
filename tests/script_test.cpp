#include "event/script.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/message_box.h"
#include "platform/system.h"
#include "temp_data_root.h"

namespace fs = std::filesystem;

namespace {

// What the family handlers of the test runner saw: "<letter><number>@<start>".
std::vector<std::string> gCommands;

void record(char letter, int number, int start) {
  gCommands.push_back(std::string(1, letter) + std::to_string(number) + "@" + std::to_string(start));
}

// A small runner in the manner of the real ones: "o0;" ends the script, "f6;" waits for a
// frame (once), "f99;" is the debugging dump, "w22;" includes "INC" from "wz".
int gWaitsLeft = 0;
void fCommand(const ScriptCall& c) {
  Script& s = c.script;
  const int number = c.number, start = c.start;
  record('f', number, start);
  if (number == 6 && gWaitsLeft > 0) {
    --gWaitsLeft;
    s.waitHere(start);
  } else if (number == 99) {
    s.dumpVariables();
  }
}
void oCommand(const ScriptCall& c) {
  record('o', c.number, c.start);
  if (c.number == 0) c.script.Free();
}
void bCommand(const ScriptCall& c) { record('b', c.number, c.start); }
void wCommand(const ScriptCall& c) {
  record('w', c.number, c.start);
  if (c.number == 22) c.script.Include(kScriptDirAction, "INC", 4);
}
void barMark(const ScriptCall& c) {
  record('|', c.number, c.start);
  c.script.continueFlag = 0;
}

// Tables whose fallback takes every number.
const CommandTable kF({}, fCommand), kO({}, oCommand), kB({}, bCommand), kW({}, wCommand);
const ScriptCommands kAllFamilies{&kF, &kO, &kB, &kW, barMark, endScriptStep};

class ScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_.makeDirectories("ev/OSCR");
    root_.makeDirectories("wz");
    root_.useAsDataRoot();
    plat::SetMessageBoxHandler([this](const std::string& text, const std::string& caption) {
      messages.push_back(caption == "トホホ～" ? text : caption + "|" + text);
    });
    gCommands.clear();
    gWaitsLeft = 0;
    script.commands = &kAllFamilies;
  }
  void TearDown() override { plat::SetMessageBoxHandler(nullptr); }
  void write(const std::string& relative, const std::string& bytes) { root_.write(relative, bytes); }
  // Loads text (UTF-8 in the source, code page 932 in the script) and steps it once.
  void run(const std::string& utf8) {
    script.setText(sjis(utf8));
    script.Step();
  }

  TempDataRoot root_;
  Script script;
  std::vector<std::string> messages;
};

// ---- calculation commands ----

TEST_F(ScriptTest, C0CombinesAVariableWithANumber) {
  run("c0 0,10,= c0 0,-5,+ c0 1,-7,= c0 1,2,/ c0 2,6,= c0 2,-3,* c0 3,0,! c0 4,3,= c0 4,0,! c0 5,2,C #");
  EXPECT_EQ(script.v[0], 5);
  EXPECT_EQ(script.v[1], -3);  // truncated toward zero
  EXPECT_EQ(script.v[2], -18);
  EXPECT_EQ(script.v[3], 1);  // 0 becomes 1
  EXPECT_EQ(script.v[4], 0);  // non-zero becomes 0
  EXPECT_EQ(script.v[5], -18);  // copy of V2
  EXPECT_TRUE(messages.empty());
}

TEST_F(ScriptTest, C0MinusIsNoOperatorAndShowsAh) {
  run("c0 0,7,= c0 0,5,- c0 0,5,x #");
  EXPECT_EQ(script.v[0], 7);
  EXPECT_EQ(messages, std::vector<std::string>{"あ!!"});
}

TEST_F(ScriptTest, C0RandomStaysBelowItsModulus) {
  std::vector<int> seen(7);
  for (int i = 0; i < 500; ++i) {
    run("c0 6,7,R #");
    ASSERT_GE(script.v[6], 0);
    ASSERT_LT(script.v[6], 7);
    ++seen[script.v[6]];
  }
  for (int n : seen) EXPECT_GT(n, 0);
}

TEST_F(ScriptTest, C0ScriptErrorsChangeNothing) {
  script.v[0] = 9;
  run("c0 0,0,/ c0 0,0,R c0 7,1,= c0 -1,1,= c0 0,7,C c0 0,-1,C #");
  EXPECT_EQ(script.v[0], 9);
  for (int i = 1; i < kScriptVariableCount; ++i) EXPECT_EQ(script.v[i], 0);
  // Overflow wraps instead of being undefined.
  run("c0 1,-2147483648,= c0 1,-1,/ c0 2,2147483647,= c0 2,1,+ c0 3,65536,= c0 3,65536,* #");
  EXPECT_EQ(script.v[1], INT_MIN);
  EXPECT_EQ(script.v[2], INT_MIN);
  EXPECT_EQ(script.v[3], 0);
}

TEST_F(ScriptTest, C1SetsAndExtendsTheStringRegister) {
  run("c1 abc//= c1 def//+ c1 xyz//? #");
  EXPECT_EQ(script.str(), "abcdef");
  // The register never passes 255 bytes, and is never cut inside a double-byte character.
  const std::string a200(200, 'a');
  run("c1 " + a200 + "//= c1 " + std::string(54, 'b') + "あいう//+ #");
  EXPECT_EQ(script.str().size(), 254u);
  EXPECT_EQ(script.str(), a200 + std::string(54, 'b'));
}

TEST_F(ScriptTest, C2ComparesTwoVariables) {
  const std::string set = "c0 0,3,= c0 1,5,= ";
  run(set + "c2 0,<,1, #");
  EXPECT_EQ(script.v[2], 1);
  run(set + "c2 0,>,1, #");
  EXPECT_EQ(script.v[2], 0);
  run(set + "c2 0,!x1, #");  // any character between the operator and j
  EXPECT_EQ(script.v[2], 1);
  run(set + "c2 0,=,0, #");
  EXPECT_EQ(script.v[2], 1);
  run(set + "c0 2,42,= c2 0,?,1, c2 0,=,9, #");  // unknown operator, bad variable: V2 stays
  EXPECT_EQ(script.v[2], 42);
}

TEST_F(ScriptTest, C5AndC8MoveAndScaleVariables) {
  run("c0 1,6,= c5 0,1, c8 2,1,3,* c8 2,1,-2,\\ c8 3,1,3,? c5 9,1, #");
  EXPECT_EQ(script.v[0], 6);
  EXPECT_EQ(script.v[2], 6);  // 6 × 3, then + 6 × −2
  EXPECT_EQ(script.v[3], 0);
}

TEST_F(ScriptTest, DebugCommandsShowTheirText) {
  run("c6 hello// c9 nine// cZ zed// #");
  EXPECT_EQ(messages, (std::vector<std::string>{"hello", "nine", "zed"}));
}

// ---- jumps and labels ----

TEST_F(ScriptTest, C7LoopRunsItsBodyUntilTheLimit) {
  run("c0 4,0,= c0 5,3,= @:loop// f1; c7 loop// f2; #");
  EXPECT_EQ(gCommands, (std::vector<std::string>{"f1@27", "f1@27", "f1@27", "f2@41"}));
  EXPECT_EQ(script.v[4], 3);
  EXPECT_EQ(script.str(), "loop");
}

TEST_F(ScriptTest, C3JumpsForwardBackwardOrToTheLastFourCharacters) {
  run("c3 b//0 f1; @:b// f2; #");
  EXPECT_EQ(gCommands, std::vector<std::string>{"f2@18"});
  gCommands.clear();
  run("c0 5,5,= c0 0,1,= @:a// c0 0,1,+ c2 0,<,5, c4 a//1 f3; #");
  EXPECT_EQ(script.v[0], 5);
  EXPECT_EQ(gCommands, std::vector<std::string>{"f3@51"});
  gCommands.clear();
  // Any other direction lands on the last line "o0;".
  run("c3 x//2 f1; #\no0;\n");
  EXPECT_EQ(gCommands, std::vector<std::string>{"o0@14"});
  EXPECT_FALSE(script.hasText());
}

TEST_F(ScriptTest, C4JumpsOnlyWhenV2IsSet) {
  run("c0 2,0,= c4 x//0 f1; @:x// f2; #");
  EXPECT_EQ(gCommands, (std::vector<std::string>{"f1@17", "f2@27"}));
  gCommands.clear();
  run("c0 2,1,= c4 x//0 f1; @:x// f2; #");
  EXPECT_EQ(gCommands, std::vector<std::string>{"f2@27"});
  gCommands.clear();
  // With V2 set, every direction but "0" searches backward.
  run("c0 6,3,= @:y// f1; c0 0,1,+ c2 0,<,6, c4 y//7 #");
  EXPECT_EQ(gCommands.size(), 3u);
}

TEST_F(ScriptTest, DuplicateLabelsAreFoundNearestInTheSearchDirection) {
  script.setText("@:L//A @:L//B @:L//C");
  script.setPosition(6);  // between the first and second definition
  script.FindLabelForward("L");
  EXPECT_EQ(script.position(), 12);  // behind the second
  script.setPosition(12);
  script.FindLabelBackward("L");
  EXPECT_EQ(script.position(), 12);  // its own "@:" stands at the position
  script.setPosition(19);
  script.FindLabelBackward("L");
  EXPECT_EQ(script.position(), 19);
  script.setPosition(6);
  script.FindLabelBackward("L");
  EXPECT_EQ(script.position(), 5);
  EXPECT_TRUE(messages.empty());
}

TEST_F(ScriptTest, LabelsCompareWholeNamesByteForByte) {
  script.setText(sjis("@:場30//x @:場3//y @:l//z"));
  script.FindLabelForward(sjis("場3"));
  EXPECT_EQ(script.text().substr(script.position(), 1), "y");
  script.Rewind();
  script.FindLabelForward("L");
  EXPECT_EQ(script.position(), 0);
  EXPECT_EQ(messages, std::vector<std::string>{"ラベルがねぇよ:L"});
}

TEST_F(ScriptTest, AMissingLabelRestartsTheScript) {
  // A label that stands only after the position is not found backward.
  script.setText("f1; c3 later//1 @:later// #");
  script.Step();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages[0], "ラベルがねぇよ:later");
  // Execution resumed at the start and ran f1 again before the next (budget-ended) repetition.
  ASSERT_GE(gCommands.size(), 2u);
  EXPECT_EQ(gCommands[1], "f1@0");
}

TEST_F(ScriptTest, SearchesAtTheEdgesDoNothing) {
  script.setText("@:a// #");
  script.setPosition(script.length());
  script.FindLabelForward("a");
  EXPECT_EQ(script.position(), script.length());
  script.Rewind();
  script.FindLabelBackward("a");
  EXPECT_EQ(script.position(), 0);
  EXPECT_TRUE(messages.empty());
  // A definition without its "//" is no label.
  script.setText("@:a");
  script.FindLabelForward("a");
  EXPECT_EQ(messages, std::vector<std::string>{"ラベルがねぇよ:a"});
}

// ---- lexical rules ----

TEST_F(ScriptTest, LongIntegerArgumentShowsOnceAndUsesSeventeenCharacters) {
  // No "," within 17 characters: the 17 are the number, and the operator follows them.
  run("c0 0,00000000000000042=#");
  EXPECT_EQ(messages, std::vector<std::string>{"gInt:ん？"});
  EXPECT_EQ(script.v[0], 42);
  messages.clear();
  run("c0 1,99999999999999999999,= #");  // beyond int32; the operator read is "9"
  EXPECT_EQ(script.v[1], 0);
  messages.clear();
  run("c0 0,      -0000012,= #");  // 16 characters before the comma are fine
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(script.v[0], -12);
  run("c0 0,abc,= #");
  EXPECT_EQ(script.v[0], 0);
}

TEST_F(ScriptTest, LongStringArgumentIsCutAndTwoCharactersSkipped) {
  // The two characters after the cut are taken for "//" and the operator follows them.
  run("c1 " + std::string(255, 't') + "XY= f1; #");
  EXPECT_EQ(script.str(), std::string(255, 't'));
  EXPECT_EQ(gCommands.size(), 1u);
}

TEST_F(ScriptTest, CommentsLabelsAndFreeTextAreSkipped) {
  run("* f1; in a comment\n@:f1;/ f2; Japanese: 場面 c0 0,1,+ #");
  EXPECT_EQ(gCommands, std::vector<std::string>{"f2@26"});
  EXPECT_EQ(script.v[0], 1);
  // The second byte of a double-byte character is never a command letter ("｣" 0x81 0x63 = "c").
  gCommands.clear();
  script.setText("\x81\x63\x30 f3; #");
  script.Step();
  EXPECT_EQ(gCommands.size(), 1u);
}

// ---- the step loop ----

TEST_F(ScriptTest, HashEndsTheFrameAndTheNextStepContinues) {
  script.setText("f1; # f2; # f3;");
  script.Step();
  EXPECT_EQ(gCommands, std::vector<std::string>{"f1@0"});
  EXPECT_EQ(script.position(), 5);
  script.Step();
  script.Step();
  script.Step();  // at the end: nothing more
  EXPECT_EQ(gCommands, (std::vector<std::string>{"f1@0", "f2@6", "f3@12"}));
  EXPECT_EQ(script.position(), script.length());
  EXPECT_EQ(script.continueFlag, 0);
}

TEST_F(ScriptTest, WaitingCommandRunsAgainNextFrame) {
  gWaitsLeft = 2;
  script.setText("f1; f6; f2; #");
  script.Step();
  script.Step();
  script.Step();
  EXPECT_EQ(gCommands, (std::vector<std::string>{"f1@0", "f6@4", "f6@4", "f6@4", "f2@8"}));
}

TEST_F(ScriptTest, FamiliesWithoutHandlersAreFreeText) {
  const ScriptCommands eventLike{&kF, nullptr, nullptr, nullptr, barMark, nullptr};
  script.commands = &eventLike;
  script.setText("o1; b2; w3; ! f4; | f5; #");
  script.Step();
  EXPECT_EQ(gCommands, (std::vector<std::string>{"f4@14", "|0@18"}));
  script.commands = nullptr;
  gCommands.clear();
  run("f1; c0 0,2,= #");
  EXPECT_TRUE(gCommands.empty());
  EXPECT_EQ(script.v[0], 2);
}

TEST_F(ScriptTest, FamilyCommandsReadTheirNumberUpToTheSemicolon) {
  run("o0012; b-3; w; f 7x; #");
  EXPECT_EQ(gCommands, (std::vector<std::string>{"o12@0", "b-3@7", "w0@12", "f7@15"}));
  gCommands.clear();
  run("f1; f12");  // cut off by the end of the text: not executed
  EXPECT_EQ(gCommands, std::vector<std::string>{"f1@0"});
}

TEST_F(ScriptTest, EndingCommandsStopTheStep) {
  script.active = 1;
  run("c0 0,1,= ! c0 0,2,=");
  EXPECT_EQ(script.active, 0);
  EXPECT_EQ(script.v[0], 1);
  script.Step();  // "!" ended the frame only; the script goes on when stepped again
  EXPECT_EQ(script.v[0], 2);
  run("o0; c0 0,3,=");
  EXPECT_FALSE(script.hasText());
  EXPECT_EQ(script.v[0], 2);
  EXPECT_EQ(script.size(), 0);
  script.Step();  // nothing to run
  EXPECT_EQ(script.v[0], 2);
}

TEST_F(ScriptTest, ScriptLoopingWithoutWaitingEndsTheStep) {
  // An endless backward jump, and a missing label that restarts the script for ever.
  for (const char* text : {"@:a// c0 0,1,+ c3 a//1 #", "c0 0,1,+ c3 nowhere//0 #"}) {
    messages.clear();
    script.v[0] = 0;
    script.setText(text);
    script.Step();
    EXPECT_EQ(script.continueFlag, 0);
    const int first = script.v[0];
    EXPECT_GT(first, 100);
    script.Step();  // the next frame goes on where the last one stopped
    EXPECT_GT(script.v[0], first);
  }
  // A smaller budget ends it sooner.
  script.stepBudget = 1000;
  script.v[0] = 0;
  script.setText("@:a// c0 0,1,+ c3 a//1");
  script.Step();
  EXPECT_LE(script.v[0], 1000 / 17);
  EXPECT_GT(script.v[0], 0);
}

void selfStep(const ScriptCall& c) {
  c.script.Rewind();
  c.script.Step();  // runs the same script again, inside its own step
}

TEST_F(ScriptTest, StepsInsideStepsAreBounded) {
  const CommandTable selfSteps({}, selfStep);
  const ScriptCommands nested{&selfSteps, nullptr, nullptr, nullptr, nullptr, nullptr};
  script.commands = &nested;
  script.setText("c0 0,1,+ f1;");
  script.Step();
  EXPECT_EQ(script.v[0], kScriptMaxNesting);
}

TEST_F(ScriptTest, DumpShowsTheSevenVariables) {
  run("c0 0,1,= c0 1,-2,= c0 6,7,= f99; #");
  EXPECT_EQ(messages, std::vector<std::string>{"HollinERROR|1,-2,0,0,0,0,7,"});
}

// ---- files ----

TEST_F(ScriptTest, LoadReadsTheFileUpToItsEndOr0xFF) {
  write("ev/OSCR/npc.zd", "c0 0,4,=\r\nf1;\r\n#\xFF f2;");
  ASSERT_TRUE(script.Load(kScriptDirActor, "npc"));
  EXPECT_EQ(script.text(), "c0 0,4,=\nf1;\n#");
  EXPECT_EQ(script.size(), 15);
  script.Step();
  EXPECT_EQ(script.v[0], 4);
  EXPECT_EQ(gCommands, std::vector<std::string>{"f1@9"});
  // The scene directory carries its own separator.
  write("ev/start.zd", "#");
  EXPECT_TRUE(script.Load(kScriptDirScene, "start"));
  EXPECT_EQ(script.text(), "#");
  EXPECT_TRUE(messages.empty());
}

TEST_F(ScriptTest, MissingFileShowsItsPathAndLeavesNoText) {
  script.setText("f1;");
  script.active = 1;
  EXPECT_FALSE(script.Load(kScriptDirActor, "ghost"));
  EXPECT_EQ(messages, (std::vector<std::string>{root_.root() + "ev\\OSCR\\ghost.zd", "スクリプトファイルが開けね～"}));
  EXPECT_FALSE(script.hasText());
  EXPECT_EQ(script.active, 1);
  script.Step();
  EXPECT_TRUE(gCommands.empty());
}

TEST_F(ScriptTest, IncludeSplicesAFileInPlaceOfItsCommand) {
  write("wz/INC.zd", "c0 0,5,= f2;");
  script.setText("f1; w22; f3; #");
  script.Step();
  EXPECT_EQ(script.text(), "f1; c0 0,5,= f2;     f3; #");
  EXPECT_EQ(script.size(), 14 + 12 + 1);  // one closing zero
  EXPECT_EQ(script.v[0], 5);
  EXPECT_EQ(gCommands, (std::vector<std::string>{"f1@0", "w22@4", "f2@13", "f3@21"}));
  // A missing include leaves the spaces and goes on behind them.
  gCommands.clear();
  fs::remove(root_ / "wz" / "INC.zd");
  script.setText("w22; f3; #");
  script.Step();
  EXPECT_EQ(script.text(), "     f3; #");
  EXPECT_EQ(gCommands, (std::vector<std::string>{"w22@0", "f3@5"}));
  EXPECT_EQ(messages.back(), "スクリプトファイルが開けね～");
  // After a splice, c3's jump to 4 characters before the end still lands on the last line.
  write("wz/INC.zd", "c0 0,6,=");
  gCommands.clear();
  script.setText("w22; c3 x//2 f1; #\no0;\n");
  script.Step();
  EXPECT_EQ(script.v[0], 6);
  EXPECT_EQ(gCommands, (std::vector<std::string>{"w22@0", "o0@27"}));
}

TEST_F(ScriptTest, OverlongTextIsCut) {
  std::string text(kScriptMaxBytes + 10, ' ');
  text[0] = 'f';
  text[1] = '1';
  text[2] = ';';
  script.setText(text);
  EXPECT_EQ(script.length(), kScriptMaxBytes);
  EXPECT_EQ(messages, std::vector<std::string>{"バカ長ッ！"});
  // An include that would outgrow the limit is refused.
  messages.clear();
  script.setPosition(3);
  script.includeText("f2;", 0);
  EXPECT_EQ(script.length(), kScriptMaxBytes);
  EXPECT_EQ(messages, std::vector<std::string>{"バカ長ッ！"});
}

}  // namespace
