// Reads script text from the input as orvane-check reads a script of each of the six script
// directories: every item with the runner's reader, what is known at every command, every jump
// tried with the label search, and the references that can be followed from the text (looked
// up in the current directory, which holds no data tree).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "tools/check/checker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  check::Context context;
  std::vector<check::ScannedScript> scripts;
  for (const check::Runner runner : {check::Runner::Scene, check::Runner::Actor, check::Runner::ObjectTask,
                                     check::Runner::Action, check::Runner::Battle, check::Runner::View}) {
    scripts.push_back(check::scanScriptText(context, runner, text, "input"));
    const check::ScannedScript& s = scripts.back();
    for (const check::CommandUse& use : s.uses)
      if (use.line < 1 || use.line > static_cast<int>(s.lineStarts.size())) std::abort();
  }
  check::checkReferences(context, scripts);
  for (const check::Finding& finding : context.findings.report().findings)
    if (finding.file != "input" || finding.line < 0 || finding.line > static_cast<int>(size) + 1) std::abort();
  return 0;
}
