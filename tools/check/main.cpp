// orvane-check [--json] [--strict] <data directory>
// Checks a data tree in the game's formats and prints every fault found as "FILE:LINE: error:
// text" or "FILE:LINE: warning: text" (UTF-8), then a summary line; --json prints one JSON
// object instead. Exits with 1 when there are errors (with --strict also when there are
// warnings), 0 otherwise, and 2 on a wrong command line.
#include <cstdio>
#include <string>

#include "tools/check/check.h"

int main(int argc, char** argv) {
  bool json = false, strict = false, usage = false;
  std::string dir;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--json")
      json = true;
    else if (arg == "--strict")
      strict = true;
    else if (dir.empty() && !arg.empty() && arg[0] != '-')
      dir = arg;
    else
      usage = true;
  }
  if (usage || dir.empty()) {
    std::fprintf(stderr, "usage: orvane-check [--json] [--strict] <data directory>\n");
    return 2;
  }
  const check::Report report = check::checkTree(dir);
  const std::string text = json ? check::jsonReport(report) : check::textReport(report);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return report.errors() > 0 || (strict && report.warnings() > 0) ? 1 : 0;
}
