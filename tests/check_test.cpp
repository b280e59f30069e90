// orvane-check: a copy of the demo tree with one planted fault of each kind gets exactly the
// expected findings, the demo tree itself none, and an empty directory, a tree of damaged files
// and a path that is no directory are checked without a crash. The program itself: its exit
// code, its summary line and its JSON.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "core/message_box.h"
#include "temp_data_root.h"
#include "tools/check/check.h"

namespace {

namespace fs = std::filesystem;
using check::Finding;
using check::Report;
using check::Severity;

const fs::path kDemo = ORVANE_BIN_DIR;
const char* const kDataDirectories[] = {"Db",  "EV",  "Enem", "Mat",  "Mdl", "OTSK", "RES", "SCHR",
                                        "Wea", "Zms", "ev",   "oTsk", "se",  "tex",  "wz"};

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A script or table text written as the game's files are: code page 932, CR LF.
void writeGameText(const fs::path& path, const std::string& utf8) {
  std::string text;
  for (const char c : sjis(utf8)) {
    if (c == '\n') text += '\r';
    text += c;
  }
  writeAll(path, text);
}

// Replaces line n (from 1) of a game text file; the rest keeps its bytes.
void replaceLine(const fs::path& path, int n, const std::string& utf8) {
  std::istringstream in(readAll(path));
  std::string out, line;
  for (int i = 1; std::getline(in, line); ++i) out += (i == n ? sjis(utf8) + "\r" : line) + "\n";
  writeAll(path, out);
}

// Line n (from 1) without its line end.
std::string lineAt(const fs::path& path, int n) {
  std::istringstream in(readAll(path));
  std::string line;
  for (int i = 1; i <= n; ++i) std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// The line (from 1) of the first line holding text (UTF-8, compared in code page 932).
int lineHolding(const fs::path& path, const std::string& utf8) {
  std::istringstream in(readAll(path));
  std::string line;
  for (int i = 1; std::getline(in, line); ++i)
    if (line.find(sjis(utf8)) != std::string::npos) return i;
  return -1;
}

std::string describe(const Report& report) {
  return check::textReport(report);
}

// A copy of the demo's data directories.
void copyDemo(const fs::path& to) {
  for (const char* directory : kDataDirectories)
    fs::copy(kDemo / directory, to / directory, fs::copy_options::recursive);
}

struct Planted {
  const char* fault;
  std::string file;
  int line;
  Severity severity;
  std::string text;  // a part of the finding's text
};

// Every finding matches one planted fault and every planted fault one finding.
void expectExactly(const Report& report, const std::vector<Planted>& planted) {
  std::vector<bool> used(report.findings.size(), false);
  for (const Planted& p : planted) {
    bool found = false;
    for (size_t i = 0; i < report.findings.size() && !found; ++i) {
      const Finding& f = report.findings[i];
      if (!used[i] && f.file == p.file && f.line == p.line && f.severity == p.severity &&
          f.text.find(p.text) != std::string::npos)
        used[i] = found = true;
    }
    EXPECT_TRUE(found) << p.fault << ": " << p.file << ":" << p.line << " " << p.text << "\n" << describe(report);
  }
  for (size_t i = 0; i < report.findings.size(); ++i)
    EXPECT_TRUE(used[i]) << "not planted: " << report.findings[i].file << ":" << report.findings[i].line << " "
                         << report.findings[i].text;
}

constexpr const char* kPlantedScene =
    "* orvane-check's planted faults, one a line\n"
    "c3 nowhere//0\n"
    "c4 later//1\n"
    "@:later//\n"
    "@:later//\n"
    "c0 1,12345678901234567,=\n"
    "c0 1,5,-\n"
    "c0 7,1,=\n"
    "f99;\n"
    "c1 planted//= f31;\n"
    "c1 nomap//= f31;\n"
    "c1 nosky//= f45;\n"
    "c1 nose//= c0 0,0,= f10;\n"
    "c1 NOBODY//= c0 4,3,= f16;\n"
    "c1 PLANTED//= c0 4,4,= f16;\n"
    "c1 nomusic//= c0 0,0,= f41;\n"
    "c1 NOCHARA//= c0 3,3,= f8;\n"
    "c1 notask//= c0 0,0,= c0 4,0,= f46;\n"
    "c1 鬱//= f1;\n"
    "c0 0,99,= f19;\n"
    "c0 0,9,= f40;\n"
    "c0 0,0,= c0 2,9,= f29;\n"
    "c0 0,0,= c0 2,4,= f29;\n"
    "c1 nolabel//= c0 3,4,= f50;\n"
    "c6 left behind//\n"
    "b3;\n"
    "c1 unclosed #\n";

// A map of one face with event 3 (material green 4).
constexpr const char* kPlantedMap =
    "100.0;\nff000000;1000.0;2000.0;\nZD:\n"
    "Material 2 {\n \"ground\" col(0 0 0 1)\n \"place\" col(0 4 0 1)\n}\n"
    "Object \"ground\" {\n vertex 3 {\n  0 0 0\n  100 0 0\n  0 0 100\n }\n"
    " face 2 {\n  3 V(0 1 2) M(0)\n  3 V(0 2 1) M(1)\n }\n}\n";

}  // namespace

TEST(Check, PlantedFaultsGiveExactlyTheirFindings) {
  const TempDataRoot tree;
  copyDemo(tree.path());
  const fs::path& t = tree.path();

  // Scripts of every runner.
  writeGameText(t / "ev/planted.zd", kPlantedScene);
  writeAll(t / "Mat/planted.mp", kPlantedMap);
  writeGameText(t / "ev/OSCR/PLANTED.zd", "* an actor without \"SPOKEN\"\no9;\n@:wait// # c3 wait//1\n");
  writeGameText(t / "oTsk/planted.zd", "c1 notex//= c0 0,1,= c0 4,0,= o4;\n!\n");
  writeGameText(t / "wz/planted.zd", "w99;\nc1 noTask//= w19;\nc0 0,9,= f27;\nw12; w0;\n");
  writeGameText(t / "EV/BTL/be9.zd", "@:始// b1; b0; #\n@:回// b1; b0; #\n@:勝// c1 noscene//= b6; b1; b0; #\nb9;\n");
  writeGameText(t / "EV/VIEW/View9.zd", "f0; #\n");
  // Tables: a number out of range, a missing action script, a mend, a character outside the font.
  replaceLine(t / "Db/WZ.zd", 2, "斬撃 鋭い一太刀を浴びせる 300 0 0");
  fs::remove(t / "wz/wz3.zd");
  replaceLine(t / "Db/ItmDt.zd", 2, "薬草 傷を少し癒す薬草 9 0 30 1 1 0 0 0 1 30 0 0");
  replaceLine(t / "SCHR/c2.zd", 12, "7,-1,-1,-1,");
  replaceLine(t / "Db/dataName.zd", 4, "鬱力");
  // Battle files: every action of enemy 1 weighs 0, enemy 2 has no figure, a broken group.
  const int lastAction = lineHolding(t / "Enem/e1.zd", "}") - 1;
  for (int line = lineHolding(t / "Enem/e1.zd", "{") + 1; line <= lastAction; ++line) {
    const std::string action = lineAt(t / "Enem/e1.zd", line);
    replaceLine(t / "Enem/e1.zd", line, "0" + action.substr(action.find(':')));
  }
  const int figure = lineHolding(t / "Enem/e2.zd", "KOONI");
  replaceLine(t / "Enem/e2.zd", figure, "NOBODY");
  std::ofstream(t / "Enem/Group.zd", std::ios::binary | std::ios::app) << "2:0,9,;7_0_5_0\r\n";
  const int group = lineHolding(t / "Enem/Group.zd", "2:0,9,;7_0_5_0");
  // Files: damaged ones, a missing sky face, a missing file of the program, a missing portrait.
  writeAll(t / "Mat/bad.zgr", std::string(10, '\xff'));
  writeAll(t / "se/bad.zse", std::string(10, '\0'));
  writeAll(t / "Zms/bad.zms", "not music");
  writeAll(t / "Mdl/broken.zdm", std::string("RB Object format V1.0 BINARY  ") + '\x05');
  writeAll(t / "Mat/broken.mp", "ZD:\nno materials here\n");
  writeAll(t / "RES/ps0.zf", "xyz\n");
  fs::remove(t / "Mat/SKY/sb1_2.zgr");
  fs::remove(t / "wz/LACKMP.zd");
  fs::remove(t / "SCHR/KAEDE.zgr");

  const Report report = check::checkTree(t.string());
  const Severity E = Severity::Error, W = Severity::Warning;
  const std::string scene = "ev/planted.zd";
  expectExactly(
      report,
      {
          {"missing label", scene, 2, E, "the label \"nowhere\" is not defined"},
          {"label in the wrong direction", scene, 3, E,
           "the label \"later\" stands only after this jump, and c4 searches backward"},
          {"duplicate label", scene, 5, W, "the label \"later\" is defined twice (first on line 4)"},
          {"long integer", scene, 6, E, "an integer argument of 17 or more characters"},
          {"minus operator", scene, 7, E, "\"-\" is no operator of c0"},
          {"variable out of range", scene, 8, E, "V7 is no variable"},
          {"undefined f", scene, 9, W, "f99 is not a command of a scene script"},
          {"place label", scene, 10, E,
           "the map \"planted\" has event 3 on its faces, but this script has no label \"場3\""},
          {"map", scene, 11, E, "the map \"nomap\" (Mat\\nomap.mp) is not in the tree"},
          {"sky", scene, 12, E, "the sky \"nosky\" (Mat\\SKY\\nosky.zd)"},
          {"sound", scene, 13, E, "the sound \"nose\" (se\\nose.zse)"},
          {"actor script", scene, 14, E, "the actor script \"NOBODY\" (ev\\OSCR\\NOBODY.zd)"},
          {"SPOKEN", scene, 15, E, "the actor script \"PLANTED\" has no label \"SPOKEN\""},
          {"music", scene, 16, W, "the music \"nomusic\" (Zms\\nomusic.zms) is not in the tree: the music is silent"},
          {"character", scene, 17, E, "the character \"NOCHARA\" (mdl\\NOCHARA.ZD)"},
          {"object task", scene, 18, E, "the object task \"notask\" (oTsk\\notask.zd)"},
          {"font in a message", scene, 19, E, "'鬱' is not in the font table"},
          {"group", scene, 20, E, "group 99 is not in Enem\\Group.zd"},
          {"battle map", scene, 21, E, "the battle map mat\\btl9.mp"},
          {"character sheet", scene, 22, E, "character 9 has no sheet SCHR\\c9.zd"},
          {"portrait", scene, 23, E, "the portrait of party member 4 (KAEDE), SCHR\\KAEDE.zgr"},
          {"f50 label", scene, 24, E, "the actor script \"PLANTED\" of actor 4 has no label \"nolabel\""},
          {"debugging box", scene, 25, W, "c6 shows the debugging message box \"left behind\""},
          {"family without a table", scene, 26, W, "b3 is not a command of a scene script: the letter is free text"},
          {"unclosed string", scene, 27, E, "the string \"unclosed #"},
          {"undefined o", "ev/OSCR/PLANTED.zd", 2, W, "o9 is not a command of an actor script"},
          {"texture of an object task", "oTsk/planted.zd", 1, E, "the texture \"notex\" (OTSK\\notex.AU)"},
          {"undefined w", "wz/planted.zd", 1, W, "w99 is not a command of an action script"},
          {"object task of w19", "wz/planted.zd", 2, E, "the object task \"noTask\" (oTsk\\noTask.zd)"},
          {"view label", "wz/planted.zd", 3, E, "the view script View0 has no label \"RC9\""},
          {"view label", "wz/planted.zd", 3, E, "the view script View1 has no label \"RC9\""},
          {"battle label", "EV/BTL/be9.zd", 0, E, "no label \"負\""},
          {"scene of b6", "EV/BTL/be9.zd", 3, E, "the scene script \"noscene\" (ev\\noscene.zd)"},
          {"undefined b", "EV/BTL/be9.zd", 4, W, "b9 is not a command of a battle script"},
          {"RC1", "EV/VIEW/View9.zd", 0, E, "no label \"RC1\""},
          {"range", "Db/WZ.zd", 2, E, "the MP cost 300 is not in -1 … 255"},
          {"action script", "Db/WZ.zd", 5, E, "technique 3 needs the action script wz\\wz3.zd"},
          {"range", "Db/ItmDt.zd", 2, E, "the kind 9 is not in 0 … 7"},
          {"mend", "SCHR/c2.zd", 12, W, "scroll 7 is not in Db\\MkmnDt.zd and stays empty"},
          {"font in a table", "Db/dataName.zd", 4, E, "'鬱' is not in the font table"},
          {"weights", "Enem/e1.zd", lastAction, E, "the action weights sum to 0"},
          {"figure", "Enem/e2.zd", figure, E, "the figure Mdl\\NOBODY.ZD is not in the tree"},
          {"enemy of a group", "Enem/Group.zd", group, E, "the enemy file Enem\\e9.zd"},
          {"formation of a group", "Enem/Group.zd", group, E, "formation 7 is not in Enem\\Form.zd"},
          {"battle script of a group", "Enem/Group.zd", group, E, "the battle script EV\\BTL\\be5.zd"},
          {"texture", "Mat/bad.zgr", 0, E, "the texture cannot be read as a DDS or BMP image"},
          {"sound", "se/bad.zse", 0, E, "message box \"ウエイブファイルが見つかりません\""},
          {"music", "Zms/bad.zms", 0, E, "not a Standard MIDI File"},
          {"model", "Mdl/broken.zdm", 0, E, "は壊れているのさ"},
          {"Mat model", "Mat/broken.mp", 0, E, "message box \"Materialが設定されておりません！\""},
          {"Mat model", "Mat/broken.mp", 0, E, "を読込めません！"},
          {"sky face", "Mat/SKY/sb1.zd", 0, E, "ZCV_ZSFmt::オープンエラーなのさ"},
          {"pixel shader", "RES/ps0.zf", 0, E, "the pixel shader cannot be translated"},
          {"file of the program", "wz/LACKMP.zd", 0, E, "the game loads this file in battle"},
      });
}

TEST(Check, TheDemoTreeIsClean) {
  const Report report = check::checkTree(kDemo.string());
  EXPECT_EQ(report.errors(), 0) << describe(report);
  EXPECT_EQ(report.warnings(), 0) << describe(report);
}

TEST(Check, EmptyDirectoriesDamagedFilesAndOtherPathsDoNotStopIt) {
  {
    const TempDataRoot empty;
    const Report report = check::checkTree(empty.path().string());
    bool fonts = false;
    for (const Finding& f : report.findings)
      fonts = fonts || (f.file == "RES/Fonts.zd" && f.text.find("Fonts datas are nothing!") != std::string::npos);
    EXPECT_TRUE(fonts) << describe(report);
  }
  {
    const Report report = check::checkTree("/nonexistent/orvane/tree");
    ASSERT_EQ(report.findings.size(), 1u);
    EXPECT_EQ(report.findings[0].text, "not a directory");
  }
  // Every file of the demo cut to a third, then every file turned to noise.
  for (const bool noise : {false, true}) {
    const TempDataRoot tree;
    copyDemo(tree.path());
    uint32_t seed = 12345;
    for (const auto& entry : fs::recursive_directory_iterator(tree.path())) {
      if (!entry.is_regular_file()) continue;
      std::string bytes = readAll(entry.path());
      if (noise) {
        for (char& c : bytes) {
          seed = seed * 1103515245u + 12345u;
          c = static_cast<char>(seed >> 16);
        }
      } else {
        bytes.resize(bytes.size() / 3);
      }
      writeAll(entry.path(), bytes);
    }
    const Report report = check::checkTree(tree.path().string());
    EXPECT_GT(report.errors(), 10) << (noise ? "noise" : "cut");
  }
}

TEST(Check, TheProgramPrintsCompilerStyleLinesAndExitsWithTheVerdict) {
  const TempDataRoot empty;
  auto run = [](const std::string& arguments, std::string& out) {
    const std::string command = "'" ORVANE_BIN_DIR "/orvane-check' " + arguments;
    FILE* pipe = ::popen(command.c_str(), "r");
    out.clear();
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  std::string out;
  EXPECT_EQ(run("'" + kDemo.string() + "'", out), 0);
  EXPECT_EQ(out, "orvane-check: 0 error(s), 0 warning(s)\n");
  EXPECT_EQ(run("'" + empty.path().string() + "'", out), 1);
  EXPECT_NE(out.find("RES/Fonts.zd:0: error: message box \"Fonts datas are nothing!\"\n"), std::string::npos) << out;
  EXPECT_EQ(run("--json '" + empty.path().string() + "'", out), 1);
  EXPECT_EQ(out.rfind("{\"errors\": ", 0), 0u) << out;
  EXPECT_NE(out.find("{\"file\": \"RES/Fonts.zd\", \"line\": 0, \"severity\": \"error\", \"text\": "),
            std::string::npos)
      << out;
  EXPECT_EQ(run("", out), 2);

  Report report;
  report.findings = {{"ev/a.zd", 3, Severity::Warning, "a \"quoted\" text"}, {"Db/WZ.zd", 0, Severity::Error, "x"}};
  EXPECT_EQ(check::textReport(report),
            "ev/a.zd:3: warning: a \"quoted\" text\nDb/WZ.zd:0: error: x\norvane-check: 1 error(s), 1 warning(s)\n");
  EXPECT_EQ(
      check::jsonReport(report),
      "{\"errors\": 1, \"warnings\": 1, \"findings\": [{\"file\": \"ev/a.zd\", \"line\": 3, \"severity\": \"warning\", "
      "\"text\": \"a \\\"quoted\\\" text\"}, {\"file\": \"Db/WZ.zd\", \"line\": 0, \"severity\": \"error\", "
      "\"text\": \"x\"}]}\n");
}
