// orvane-check: finds the faults of a data tree in the game's formats without running the game.
// It reads the tree with the game's own readers and loaders (scripts, tables, models, maps, sky,
// sounds, music, textures, the font table) and reports what the game would only meet while
// playing: labels that a jump cannot reach, files that a script names but the tree lacks, files
// that a loader refuses, characters missing from the font table, numbers out of range.
//
// A finding names a file of the tree by its path relative to the tree, as it is spelt on disk,
// with '/' separators ("ev/kazami.zd"), and a line of that file counted from 1; line 0 stands
// for the file as a whole (a binary model, a texture, a file that is missing).
#pragma once
#include <string>
#include <vector>

namespace check {

enum class Severity { Error, Warning };

struct Finding {
  std::string file;
  int line = 0;
  Severity severity = Severity::Error;
  std::string text;  // UTF-8, one line
};

struct Report {
  std::vector<Finding> findings;  // sorted by file, line, then in the order found
  int errors() const;
  int warnings() const;
};

// Checks the data tree in directory dir. It uses the game's global state while it runs: the data
// root, the current directory and the device are put back afterwards, the database, field, sky
// and sound slots emptied, and message boxes are shown again (no handler).
Report checkTree(const std::string& dir);

// "FILE:LINE: error: text" lines, then the summary line.
std::string textReport(const Report& report);
// One JSON object: {"errors": n, "warnings": n, "findings": [{"file", "line", "severity", "text"}]}.
std::string jsonReport(const Report& report);

}  // namespace check
