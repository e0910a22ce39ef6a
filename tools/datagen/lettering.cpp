// FreeType typesetting for the data generator: unhinted outlines rendered at subpixel pen positions
// (hinting would make the same line differ between sizes), measured first, then fitted and drawn.
#include "tools/datagen/lettering.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <vector>

namespace {

struct InkBounds {
  float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;  // relative to the pen start on the baseline
  bool empty() const { return x1 < x0; }
};

std::vector<char32_t> decodeUtf8(const std::string& text) {
  std::vector<char32_t> out;
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    char32_t code = extra == 0 ? c : c & (0x3F >> extra);
    ++i;
    for (; extra > 0 && i < text.size(); --extra, ++i) {
      code = (code << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    }
    out.push_back(code);
  }
  return out;
}

}  // namespace

struct Typesetter::State {
  FT_Library library = nullptr;
  std::string directory;
  std::map<std::string, FT_Face> faces;

  ~State() {
    for (auto& entry : faces) FT_Done_Face(entry.second);
    if (library) FT_Done_FreeType(library);
  }
};

Typesetter::Typesetter() : state(std::make_unique<State>()) {}
Typesetter::~Typesetter() = default;

bool Typesetter::open(const std::string& fontDirectory) {
  if (FT_Init_FreeType(&state->library) != 0) {
    error = "cannot start FreeType";
    return false;
  }
  state->directory = fontDirectory;
  return true;
}

namespace {

// How glyphs are put down: where (no image: only measured), how bright, and how many texels each
// stroke is thickened by.
struct Paint {
  GreyImage* image = nullptr;
  float level = 0.0f;
  float embolden = 0.0f;
};

// Renders the glyph of `code` with its origin at (penX, baselineY) in texels. Returns the advance
// in texels, widened by the emboldening so the gaps between letters stay as designed.
float placeGlyph(FT_Face face, char32_t code, float penX, float baselineY, const Paint& paint,
                 InkBounds& ink) {
  const FT_UInt index = FT_Get_Char_Index(face, code);
  if (FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return 0.0f;
  FT_GlyphSlot slot = face->glyph;
  const FT_Pos strength = FT_Pos(std::lround(paint.embolden * 64.0f));
  if (strength > 0) FT_Outline_EmboldenXY(&slot->outline, strength, strength);
  const float advance = float(slot->advance.x + strength) / 64.0f;
  const float whole = std::floor(penX);
  const FT_Pos fraction = FT_Pos(std::lround((penX - whole) * 64.0f));
  const float wholeY = std::floor(baselineY);
  const FT_Pos fractionY = FT_Pos(std::lround((baselineY - wholeY) * 64.0f));
  FT_Outline_Translate(&slot->outline, fraction, -fractionY);
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return advance;
  const FT_Bitmap& bitmap = slot->bitmap;
  const int left = int(whole) + slot->bitmap_left;
  const int top = int(wholeY) - slot->bitmap_top;
  for (unsigned row = 0; row < bitmap.rows; ++row) {
    for (unsigned col = 0; col < bitmap.width; ++col) {
      const uint8_t cover = bitmap.buffer[int(row) * bitmap.pitch + int(col)];
      if (cover == 0) continue;
      const int x = left + int(col), y = top + int(row);
      ink.x0 = std::min(ink.x0, float(x));
      ink.x1 = std::max(ink.x1, float(x + 1));
      ink.y0 = std::min(ink.y0, float(y));
      ink.y1 = std::max(ink.y1, float(y + 1));
      if (paint.image) paint.image->lighten(x, y, paint.level * float(cover) / 255.0f);
    }
  }
  return advance;
}

// Lays out the line at the face's current size; returns the ink bounds relative to (0, 0).
InkBounds layLine(FT_Face face, const std::vector<char32_t>& codes, float tracking, float originX,
                  float baselineY, const Paint& paint) {
  InkBounds ink;
  float pen = originX;
  FT_UInt previous = 0;
  for (char32_t code : codes) {
    const FT_UInt index = FT_Get_Char_Index(face, code);
    if (previous && index && FT_HAS_KERNING(face)) {
      FT_Vector kern;
      FT_Get_Kerning(face, previous, index, FT_KERNING_UNSCALED, &kern);
      pen += float(FT_MulFix(kern.x, face->size->metrics.x_scale)) / 64.0f;
    }
    pen += placeGlyph(face, code, pen, baselineY, paint, ink);
    pen += tracking;
    previous = index;
  }
  return ink;
}

// Debian splits DejaVu in two: fonts-dejavu-core holds the book and bold faces of Sans, Serif and
// Mono, fonts-dejavu-extra every other face (ExtraLight, Condensed, the obliques).
std::string fontPackage(const std::string& file) {
  static const std::set<std::string> core = {"DejaVuSans.ttf",     "DejaVuSans-Bold.ttf",
                                             "DejaVuSerif.ttf",    "DejaVuSerif-Bold.ttf",
                                             "DejaVuSansMono.ttf", "DejaVuSansMono-Bold.ttf"};
  return core.count(file) ? "fonts-dejavu-core" : "fonts-dejavu-extra";
}

}  // namespace

// A line fitted into its box: the face at its final size, where the pen starts and the baseline.
struct Typesetter::Fit {
  FT_Face face = nullptr;
  std::vector<char32_t> codes;
  float em = 0, capHeight = 0, originX = 0, baseline = 0;
};

bool Typesetter::fit(const std::string& text, const TextBox& box, const TextStyle& style,
                     Fit& out) {
  auto found = state->faces.find(style.font);
  if (found == state->faces.end()) {
    FT_Face face = nullptr;
    const std::string path = state->directory + "/" + style.font;
    if (FT_New_Face(state->library, path.c_str(), 0, &face) != 0) {
      error = "cannot open the font " + path + " (Debian package " + fontPackage(style.font) + ")";
      return false;
    }
    found = state->faces.emplace(style.font, face).first;
  }
  FT_Face face = found->second;
  out.face = face;
  out.codes = decodeUtf8(text);
  const std::vector<char32_t> capital = {U'H'};
  const std::vector<char32_t> descender = {U'g', U'p', U'y'};

  // The capital height is about 0.73 em in DejaVu; measure to be exact, then shrink to fit.
  float em = style.capHeight / 0.73f;
  for (int attempt = 0; attempt < 8; ++attempt) {
    FT_Set_Char_Size(face, 0, FT_F26Dot6(std::lround(em * 64.0f)), 72, 72);
    const Paint measure{nullptr, 0.0f, style.weight * em};
    const InkBounds cap = layLine(face, capital, 0, 0, 0, measure);
    const InkBounds down = layLine(face, descender, 0, 0, 0, measure);
    const InkBounds line = layLine(face, out.codes, style.tracking * em, 0, 0, measure);
    out.em = em;
    out.capHeight = cap.y1 - cap.y0;
    if (line.empty()) return true;
    float bandTop = std::min(cap.y0, line.y0), bandBottom = std::max(down.y1, line.y1);
    if (style.centreInk) bandTop = line.y0, bandBottom = line.y1;
    const float width = line.x1 - line.x0, height = bandBottom - bandTop;
    const float boxWidth = box.x1 - box.x0 - 2.0f, boxHeight = box.y1 - box.y0 - 2.0f;
    if (width > boxWidth || height > boxHeight) {
      em *= std::min(boxWidth / width, boxHeight / height) * 0.995f;
      continue;
    }
    // The band centred in the box, rounded so the ink stays inside it.
    out.baseline = std::floor((box.y0 + box.y1) * 0.5f - (bandTop + bandBottom) * 0.5f);
    out.originX = (box.x0 + box.x1) * 0.5f - (line.x0 + line.x1) * 0.5f;
    if (style.align == Align::Left) out.originX = box.x0 + 1.0f - line.x0;
    if (style.align == Align::Right) out.originX = box.x1 - 1.0f - line.x1;
    out.originX = std::floor(out.originX);
    return true;
  }
  error = "cannot fit \"" + text + "\" into its box";
  return false;
}

bool Typesetter::drawLine(GreyImage& image, const std::string& text, const TextBox& box,
                          const TextStyle& style) {
  Fit line;
  if (!fit(text, box, style, line)) return false;
  const Paint paint{&image, style.level, style.weight * line.em};
  layLine(line.face, line.codes, style.tracking * line.em, line.originX, line.baseline, paint);
  return true;
}

float Typesetter::fittedCapHeight(const std::string& text, const TextBox& box,
                                  const TextStyle& style) {
  Fit line;
  return fit(text, box, style, line) ? line.capHeight : 0.0f;
}
