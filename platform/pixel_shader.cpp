// Pixel shader translation: ps.1.0 to ps.1.4 assembly text into a GLSL 1.20 fragment shader that
// runs behind the fixed-function vertex pipeline (colours in gl_Color / gl_SecondaryColor,
// texture coordinates in gl_TexCoord).
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "platform/device.h"

namespace plat {
namespace {

struct Statement {
  int line = 0;
  bool coissue = false;
  std::string opcode;                  // lower case, without modifiers
  std::vector<std::string> modifiers;  // "x2", "sat", ...
  std::vector<std::string> operands;   // lower case, spaces removed
};

std::string lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string stripComments(const std::string& line) {
  size_t cut = line.find(';');
  size_t slashes = line.find("//");
  if (slashes < cut) cut = slashes;
  return cut == std::string::npos ? line : line.substr(0, cut);
}

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::vector<Statement> parseStatements(const std::string& source) {
  std::vector<Statement> out;
  std::istringstream in(source);
  std::string raw;
  int lineNumber = 0;
  while (std::getline(in, raw)) {
    ++lineNumber;
    std::string text = trim(lower(stripComments(raw)));
    if (text.empty()) continue;
    Statement st;
    st.line = lineNumber;
    if (text[0] == '+') {
      st.coissue = true;
      text = trim(text.substr(1));
    }
    size_t space = text.find_first_of(" \t");
    std::string head = text.substr(0, space);
    std::string rest = space == std::string::npos ? "" : text.substr(space + 1);
    if (head.rfind("ps.", 0) == 0 || head.rfind("ps_", 0) == 0) {
      st.opcode = head;
    } else {
      size_t underscore = head.find('_');
      st.opcode = head.substr(0, underscore);
      while (underscore != std::string::npos) {
        size_t next = head.find('_', underscore + 1);
        st.modifiers.push_back(head.substr(underscore + 1, next == std::string::npos ? next : next - underscore - 1));
        underscore = next;
      }
    }
    std::string operand;
    for (char c : rest) {
      if (c == ',') {
        st.operands.push_back(operand);
        operand.clear();
      } else if (!std::isspace(static_cast<unsigned char>(c))) {
        operand += c;
      }
    }
    if (!operand.empty() || !st.operands.empty()) st.operands.push_back(operand);
    out.push_back(st);
  }
  return out;
}

class Translator {
 public:
  bool run(const std::string& source, std::string* glsl, std::string* error);

 private:
  bool fail(const Statement& st, const std::string& why) {
    error_ = "line " + std::to_string(st.line) + ": " + why;
    return false;
  }
  bool parseVersion(const Statement& st);
  bool registerName(const Statement& st, const std::string& text, bool asDestination, std::string* name);
  bool source(const Statement& st, const std::string& text, std::string* expr);
  bool destination(const Statement& st, const std::string& text, std::string* reg, std::string* mask);
  bool instruction(const Statement& st);
  bool textureInstruction(const Statement& st);
  bool define(const Statement& st);
  void flush();

  int minor_ = 0;  // ps.1.minor_
  int temp_ = 0;
  std::string error_;
  std::ostringstream defines_;
  std::ostringstream body_;
  std::vector<std::string> pending_;  // assignments of the current co-issued group
};

bool Translator::parseVersion(const Statement& st) {
  const std::string& v = st.opcode;
  if (v.size() != 6 || v[2] != v[4] || v[3] != '1' || v[5] < '0' || v[5] > '4')
    return fail(st, "expected a version ps.1.0 to ps.1.4, found '" + v + "'");
  minor_ = v[5] - '0';
  return true;
}

// Registers: r0..r1 (r0..r5 in ps.1.4), t0..t3 (t0..t5 in ps.1.4), v0..v1, c0..c7.
bool Translator::registerName(const Statement& st, const std::string& text, bool asDestination, std::string* name) {
  if (text.size() != 2 || !std::isdigit(static_cast<unsigned char>(text[1])))
    return fail(st, "bad register '" + text + "'");
  int index = text[1] - '0';
  int limit = 0;
  switch (text[0]) {
    case 'r': limit = minor_ == 4 ? 6 : 2; break;
    case 't': limit = minor_ == 4 ? 6 : 4; break;
    case 'v': limit = 2; break;
    case 'c': limit = 8; break;
    default: return fail(st, "bad register '" + text + "'");
  }
  if (index >= limit) return fail(st, "register out of range '" + text + "'");
  if (asDestination && (text[0] == 'v' || text[0] == 'c')) return fail(st, "cannot write '" + text + "'");
  if (asDestination && text[0] == 't' && minor_ == 4) return fail(st, "cannot write '" + text + "'");
  *name = text;
  return true;
}

bool Translator::source(const Statement& st, const std::string& text, std::string* expr) {
  std::string s = text;
  bool negate = false, invert = false;
  if (!s.empty() && s[0] == '-') {
    negate = true;
    s = s.substr(1);
  }
  if (s.rfind("1-", 0) == 0) {
    invert = true;
    s = s.substr(2);
  }
  std::string swizzle;
  if (size_t dot = s.find('.'); dot != std::string::npos) {
    swizzle = s.substr(dot + 1);
    s = s.substr(0, dot);
  }
  std::string modifier;
  if (size_t underscore = s.find('_'); underscore != std::string::npos) {
    modifier = s.substr(underscore + 1);
    s = s.substr(0, underscore);
  }
  std::string reg;
  if (!registerName(st, s, false, &reg)) return false;
  std::string e = reg;
  if (minor_ == 4 && reg[0] == 't') e = "gl_TexCoord[" + reg.substr(1) + "]";
  if (!swizzle.empty()) {
    for (char& c : swizzle) {
      const char* from = "xyzw";
      if (const char* p = std::strchr(from, c); p && c) c = "rgba"[p - from];
      if (!std::strchr("rgba", c) || !c) return fail(st, "bad swizzle '" + text + "'");
    }
    if (swizzle.size() == 1) e = "vec4(" + e + "." + swizzle + ")";
    else if (swizzle.size() == 4) e = e + "." + swizzle;
    else if (swizzle != "rgb") return fail(st, "bad swizzle '" + text + "'");
  }
  if (modifier == "bias") e = "(" + e + " - vec4(0.5))";
  else if (modifier == "bx2") e = "(2.0 * " + e + " - vec4(1.0))";
  else if (modifier == "x2") e = "(2.0 * " + e + ")";
  else if (!modifier.empty()) return fail(st, "bad source modifier '" + text + "'");
  if (invert) e = "(vec4(1.0) - " + e + ")";
  if (negate) e = "(-" + e + ")";
  *expr = e;
  return true;
}

bool Translator::destination(const Statement& st, const std::string& text, std::string* reg, std::string* mask) {
  std::string s = text;
  mask->clear();
  if (size_t dot = s.find('.'); dot != std::string::npos) {
    *mask = s.substr(dot + 1);
    s = s.substr(0, dot);
    const std::string order = "rgba";
    const char* xyzw = "xyzw";
    size_t last = 0;
    for (char& c : *mask) {
      if (const char* p = std::strchr(xyzw, c); p && c) c = order[p - xyzw];
      size_t at = order.find(c);
      if (at == std::string::npos || at < last || !c) return fail(st, "bad write mask '" + text + "'");
      last = at + 1;
    }
    if (mask->empty()) return fail(st, "bad write mask '" + text + "'");
  }
  return registerName(st, s, true, reg);
}

bool Translator::define(const Statement& st) {
  if (st.operands.size() != 5) return fail(st, "def needs a register and four values");
  std::string reg = st.operands[0];
  if (reg.size() != 2 || reg[0] != 'c' || reg[1] < '0' || reg[1] > '7') return fail(st, "def needs c0 to c7");
  defines_ << "  " << reg << " = vec4(";
  for (int i = 1; i < 5; ++i) {
    std::string value = st.operands[i];
    if (!value.empty() && value.back() == 'f') value.pop_back();
    char* end = nullptr;
    float f = std::strtof(value.c_str(), &end);
    if (value.empty() || *end != '\0') return fail(st, "bad value '" + st.operands[i] + "'");
    std::ostringstream number;
    number.precision(9);
    number << std::showpoint << f;
    defines_ << (i > 1 ? ", " : "") << number.str();
  }
  defines_ << ");\n";
  return true;
}

bool Translator::textureInstruction(const Statement& st) {
  flush();
  std::string reg, mask;
  if (st.operands.empty() || !destination(st, st.operands[0], &reg, &mask)) {
    return error_.empty() ? fail(st, st.opcode + " needs a register") : false;
  }
  const std::string unit = reg.substr(1);
  if (st.opcode == "tex" && minor_ < 4 && reg[0] == 't' && st.operands.size() == 1) {
    body_ << "  " << reg << " = texture2D(uSampler" << unit << ", gl_TexCoord[" << unit << "].xy);\n";
    return true;
  }
  if (st.opcode == "texcoord" && minor_ < 4 && reg[0] == 't' && st.operands.size() == 1) {
    body_ << "  " << reg << " = clamp(vec4(gl_TexCoord[" << unit << "].xyz, 1.0), 0.0, 1.0);\n";
    return true;
  }
  if ((st.opcode == "texld" || st.opcode == "texcrd") && minor_ == 4 && st.operands.size() == 2) {
    std::string coords = st.operands[1];
    if (size_t dot = coords.find('.'); dot != std::string::npos) coords = coords.substr(0, dot);
    if (size_t under = coords.find('_'); under != std::string::npos) coords = coords.substr(0, under);
    std::string name;
    if (!registerName(st, coords, false, &name)) return false;
    if (name[0] != 't' && name[0] != 'r') return fail(st, "texture coordinates must come from t or r");
    std::string c = name[0] == 't' ? "gl_TexCoord[" + name.substr(1) + "]" : name;
    if (st.opcode == "texld") body_ << "  " << reg << " = texture2D(uSampler" << unit << ", " << c << ".xy);\n";
    else body_ << "  " << reg << " = vec4(" << c << ".xyz, 1.0);\n";
    return true;
  }
  return fail(st, "unsupported texture instruction '" + st.opcode + "'");
}

bool Translator::instruction(const Statement& st) {
  struct Op {
    const char* name;
    int sources;
  };
  static const Op ops[] = {{"mov", 1}, {"add", 2}, {"sub", 2}, {"mul", 2}, {"mad", 3}, {"lrp", 3},
                           {"dp3", 2}, {"dp4", 2}, {"cnd", 3}, {"cmp", 3}};
  const Op* op = nullptr;
  for (const Op& candidate : ops)
    if (st.opcode == candidate.name) op = &candidate;
  if (!op) return fail(st, "unsupported instruction '" + st.opcode + "'");
  if (int(st.operands.size()) != op->sources + 1)
    return fail(st, st.opcode + " needs " + std::to_string(op->sources + 1) + " operands");
  std::string reg, mask;
  if (!destination(st, st.operands[0], &reg, &mask)) return false;
  std::string a, b, c;
  if (!source(st, st.operands[1], &a)) return false;
  if (op->sources > 1 && !source(st, st.operands[2], &b)) return false;
  if (op->sources > 2 && !source(st, st.operands[3], &c)) return false;

  std::string e;
  const std::string name = op->name;
  if (name == "mov") e = a;
  else if (name == "add") e = a + " + " + b;
  else if (name == "sub") e = a + " - " + b;
  else if (name == "mul") e = a + " * " + b;
  else if (name == "mad") e = a + " * " + b + " + " + c;
  else if (name == "lrp") e = "mix(" + c + ", " + b + ", " + a + ")";
  else if (name == "dp3") e = "vec4(dot((" + a + ").rgb, (" + b + ").rgb))";
  else if (name == "dp4") e = "vec4(dot(" + a + ", " + b + "))";
  else if (name == "cnd") e = "mix(" + c + ", " + b + ", vec4(greaterThan(" + a + ", vec4(0.5))))";
  else e = "mix(" + c + ", " + b + ", vec4(greaterThanEqual(" + a + ", vec4(0.0))))";

  float scale = 1.0f;
  bool saturate = false;
  for (const std::string& m : st.modifiers) {
    if (m == "x2") scale *= 2;
    else if (m == "x4") scale *= 4;
    else if (m == "x8") scale *= 8;
    else if (m == "d2") scale /= 2;
    else if (m == "d4") scale /= 4;
    else if (m == "d8") scale /= 8;
    else if (m == "sat") saturate = true;
    else return fail(st, "unsupported instruction modifier '_" + m + "'");
  }
  std::ostringstream value;
  value << "(" << e << ")";
  if (scale != 1.0f) value << " * " << std::showpoint << scale;
  // Registers of ps.1.1 to ps.1.3 hold -1 to 1, those of ps.1.4 -8 to 8.
  const char* range = saturate ? "0.0, 1.0" : (minor_ == 4 ? "-8.0, 8.0" : "-1.0, 1.0");
  if (!st.coissue) flush();
  const std::string temp = "i" + std::to_string(temp_++);
  body_ << "  vec4 " << temp << " = clamp(" << value.str() << ", " << range << ");\n";
  pending_.push_back(mask.empty() ? reg + " = " + temp + ";" : reg + "." + mask + " = " + temp + "." + mask + ";");
  return true;
}

// Co-issued instructions read their sources before any of them writes.
void Translator::flush() {
  for (const std::string& assignment : pending_) body_ << "  " << assignment << "\n";
  pending_.clear();
}

bool Translator::run(const std::string& source, std::string* glsl, std::string* error) {
  std::vector<Statement> statements = parseStatements(source);
  if (statements.empty()) {
    *error = "empty shader";
    return false;
  }
  if (!parseVersion(statements[0])) {
    *error = error_;
    return false;
  }
  for (size_t i = 1; i < statements.size(); ++i) {
    const Statement& st = statements[i];
    bool ok = true;
    if (st.opcode == "def") ok = define(st);
    else if (st.opcode == "tex" || st.opcode == "texcoord" || st.opcode == "texld" || st.opcode == "texcrd")
      ok = textureInstruction(st);
    else if (st.opcode == "phase" || st.opcode == "nop") flush();
    else ok = instruction(st);
    if (!ok) {
      *error = error_;
      return false;
    }
  }
  flush();

  std::ostringstream out;
  out << "#version 120\n"
         "uniform sampler2D uSampler0, uSampler1, uSampler2, uSampler3;\n"
         "uniform vec4 uConst[8];\n"
         "uniform int uFogMode;\n"
         "void main() {\n"
         "  vec4 v0 = gl_Color;\n"
         "  vec4 v1 = gl_SecondaryColor;\n";
  for (int i = 0; i < 8; ++i) out << "  vec4 c" << i << " = uConst[" << i << "];\n";
  for (int i = 0; i < 6; ++i) out << "  vec4 r" << i << " = vec4(0.0);\n";
  for (int i = 0; i < 4; ++i) out << "  vec4 t" << i << " = vec4(0.0);\n";
  out << defines_.str() << body_.str()
      << "  vec4 colour = clamp(r0, 0.0, 1.0);\n"
         "  if (uFogMode != 0) {\n"
         "    float z = gl_FogFragCoord;\n"
         "    float f = uFogMode == 3 ? (gl_Fog.end - z) * gl_Fog.scale\n"
         "            : uFogMode == 1 ? exp(-gl_Fog.density * z) : exp(-pow(gl_Fog.density * z, 2.0));\n"
         "    colour.rgb = mix(gl_Fog.color.rgb, colour.rgb, clamp(f, 0.0, 1.0));\n"
         "  }\n"
         "  gl_FragColor = colour;\n"
         "}\n";
  *glsl = out.str();
  return true;
}

}  // namespace

bool TranslatePixelShader(const std::string& source, PixelShaderCode* code, std::string* error) {
  std::string ignored;
  if (!error) error = &ignored;
  Translator translator;
  std::string glsl;
  if (!translator.run(source, &glsl, error)) return false;
  if (code) code->glsl = std::move(glsl);
  return true;
}

}  // namespace plat
