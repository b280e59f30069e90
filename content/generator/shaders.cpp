// The pixel shader source "RES\ps0.zf", copied as it is (plain text, not scrambled).
#include <fstream>
#include <sstream>

#include "content/generator/content.h"

namespace content {

void generateShaders(Context& context) {
  const fs::path source = context.contentRoot / "res" / "ps0.zf";
  std::ifstream in(source, std::ios::binary);
  if (!in) {
    context.lint.report("content/res/ps0.zf", "missing");
    return;
  }
  std::ostringstream text;
  text << in.rdbuf();
  context.out.write("RES/ps0.zf", text.str());
}

}  // namespace content
