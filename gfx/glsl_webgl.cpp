// GLSL 1.20 text to GLSL ES 1.00 text. Emscripten's GL emulation puts its own declarations before
// the text, where a #version may not stand (ES 1.00 is the default anyway), and GLSL ES has no
// float suffix.
//   [x] #version line dropped   [x] float suffixes dropped   [ ] other GLSL 1.20 features (unused)
#include "gfx/glsl_webgl.h"

#include <cctype>

namespace {

bool isIdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// True where a number starts at `at`: a digit, or a point before a digit, not inside a name.
bool numberStarts(std::string_view text, size_t at, const std::string& before) {
  const bool pointFirst = text[at] == '.' && at + 1 < text.size() && isDigit(text[at + 1]);
  if (!isDigit(text[at]) && !pointFirst) return false;
  return before.empty() || !isIdentifierChar(before.back());
}

}  // namespace

std::string glslForWebGL(std::string_view desktopSource) {
  const std::string_view text = desktopSource;
  size_t at = 0;
  if (text.starts_with("#version")) {
    const size_t end = text.find('\n');
    at = end == std::string_view::npos ? text.size() : end + 1;
  }
  std::string out;
  while (at < text.size()) {
    if (!numberStarts(text, at, out)) {
      out += text[at++];
      continue;
    }
    const size_t start = at;
    while (at < text.size() && (isDigit(text[at]) || text[at] == '.')) ++at;
    const std::string_view number = text.substr(start, at - start);
    out += number;
    const bool suffixed = at < text.size() && (text[at] == 'f' || text[at] == 'F') &&
                          (at + 1 == text.size() || !isIdentifierChar(text[at + 1]));
    if (!suffixed) continue;
    if (number.find('.') == std::string_view::npos) out += ".0";
    ++at;
  }
  return out;
}
