// The pictures of the data table, each drawn at its texture's size. Lettering sits inside the
// texture rows that the text scenes cut into strips (title, credit, greeting and roll rows), with
// margins wide enough that mipmapped sampling at a strip's edge never reaches a neighbour's
// letters, and away from the texture's outer edges since the textures repeat.
#include "tools/datagen/pictures.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>

#include "assets/show_data.h"
#include "scenes/lettering_rows.h"

namespace {

constexpr const char* kBold = "DejaVuSans-Bold.ttf";
constexpr const char* kBook = "DejaVuSans.ttf";
constexpr const char* kLight = "DejaVuSans-ExtraLight.ttf";
constexpr const char* kCondensedBold = "DejaVuSansCondensed-Bold.ttf";

float smoothstep(float edge0, float edge1, float x) {
  const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
  return t * t * (3.0f - 2.0f * t);
}

// A box spanning the texture's width (less side margins) between two texture rows given as
// fractions of the height.
TextBox rowBox(const GreyImage& image, float vTop, float vBottom, float side = 24.0f) {
  return {side, vTop * float(image.height), float(image.width) - side,
          vBottom * float(image.height)};
}

// Filled disc with a one-texel antialiased rim.
void disc(GreyImage& image, float cx, float cy, float radius, float level) {
  const int x0 = int(std::floor(cx - radius - 1)), x1 = int(std::ceil(cx + radius + 1));
  const int y0 = int(std::floor(cy - radius - 1)), y1 = int(std::ceil(cy + radius + 1));
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const float d = std::hypot(float(x) + 0.5f - cx, float(y) + 0.5f - cy);
      const float cover = std::clamp(radius - d + 0.5f, 0.0f, 1.0f);
      if (cover > 0) image.lighten(x, y, cover * level);
    }
  }
}

// Overlay: subtracted from every frame. A vignette that deepens toward the edges of the part the
// window shows (the quad overhangs, so about 0.045 to 0.955 of each axis is seen), a thin frame
// with printer's corner marks just inside that part.
bool drawOverlay(Typesetter&, GreyImage& image) {
  const float width = float(image.width), height = float(image.height);
  constexpr float kSeenFrom = 0.045f, kSeenTo = 0.955f;
  const float seenW = (kSeenTo - kSeenFrom) * width, seenH = (kSeenTo - kSeenFrom) * height;
  const float left = kSeenFrom * width, top = kSeenFrom * height;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const float u = (float(x) + 0.5f - left) / seenW * 2.0f - 1.0f;
      const float v = (float(y) + 0.5f - top) / seenH * 2.0f - 1.0f;
      const float d = std::sqrt(u * u * 0.85f + v * v * 1.15f);
      const float vignette = 0.26f * std::pow(smoothstep(0.45f, 1.45f, d), 1.6f);
      image.at(x, y) = vignette;
    }
  }
  // Both axes show about 1.37 screen pixels per texel at 720p, so insets in texels are square.
  constexpr float kInset = 18.0f, kLine = 2.0f, kLevel = 0.42f;
  const float fx0 = left + kInset, fx1 = left + seenW - kInset;
  const float fy0 = top + kInset, fy1 = top + seenH - kInset;
  for (int y = int(fy0); y < int(fy1); ++y) {
    for (int x = int(fx0); x < int(fx1); ++x) {
      const bool edge = x < int(fx0 + kLine) || x >= int(fx1 - kLine) || y < int(fy0 + kLine) ||
                        y >= int(fy1 - kLine);
      if (edge) image.lighten(x, y, kLevel);
    }
  }
  // Corner marks: short ticks outside the frame, continuing its lines.
  constexpr int kTick = 10, kGap = 4;
  for (float cx : {fx0, fx1 - kLine}) {
    for (float cy : {fy0, fy1 - kLine}) {
      const int sx = cx < width / 2 ? -1 : 1, sy = cy < height / 2 ? -1 : 1;
      for (int t = kGap; t < kGap + kTick; ++t) {
        for (int w = 0; w < int(kLine); ++w) {
          image.lighten(int(cx) + w, int(cy) + (sy < 0 ? -t : int(kLine) - 1 + t), kLevel);
          image.lighten(int(cx) + (sx < 0 ? -t : int(kLine) - 1 + t), int(cy) + w, kLevel);
        }
      }
    }
  }
  return true;
}

// Dot sprite: white disc, soft rim, exactly symmetric about the centre (texel centres are
// measured from 127.5, 127.5 in the 256 x 256 sprite).
bool drawDot(Typesetter&, GreyImage& image) {
  const float centre = float(image.width - 1) / 2.0f, radius = float(image.width) / 2.0f;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const float r = std::hypot(float(x) - centre, float(y) - centre) / radius;
      image.at(x, y) = 1.0f - smoothstep(0.74f, 0.96f, r);
    }
  }
  return true;
}

// Cube face: a light face, a dark border with a bevel, an inset ring and a centre dot. Shapes are
// bold on purpose: each face is only some sixty pixels wide on screen and then halftoned.
float squareTexel(float u, float v) {
  const float edge = std::min(std::min(u, 1.0f - u), std::min(v, 1.0f - v));
  float level = 0.80f + 0.14f * (1.0f - (u + v) * 0.5f);  // lit from the top left
  if (edge < 0.085f) return 0.16f;
  if (edge < 0.11f) return 0.55f;  // bevel
  const float ring = std::abs(edge - 0.25f);
  if (ring < 0.03f) level = 0.42f;
  const float d = std::hypot(u - 0.5f, v - 0.5f);
  if (d < 0.12f) level = 0.30f;
  return level;
}

bool drawSquare(Typesetter&, GreyImage& image) {
  constexpr int kSub = 4;  // 4x4 supersampling for clean shape edges
  const float side = float(image.width);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      float sum = 0;
      for (int j = 0; j < kSub; ++j) {
        for (int i = 0; i < kSub; ++i) {
          sum += squareTexel((float(x) + (float(i) + 0.5f) / kSub) / side,
                             (float(y) + (float(j) + 0.5f) / kSub) / side);
        }
      }
      image.at(x, y) = sum / float(kSub * kSub);
    }
  }
  return true;
}

// A row of dots growing from left to right: the show's halftone motif above the title.
void halftoneRamp(GreyImage& image, float top, float bottom, float left, float right) {
  const float pitch = (bottom - top) / 3.0f;
  const int columns = int((right - left) / pitch);
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < columns; ++col) {
      const float t = float(col) / float(columns - 1);
      const float stagger = row % 2 ? 0.5f : 0.0f;
      const float cx = left + (float(col) + 0.5f + stagger) * pitch;
      if (cx + pitch * 0.5f > right) continue;
      const float cy = top + (float(row) + 0.5f) * pitch;
      const float fade = 1.0f - std::abs(float(row) - 1.0f) * 0.35f;
      disc(image, cx, cy, pitch * 0.48f * std::sqrt(t) * fade, 1.0f);
    }
  }
}

bool drawTitle(Typesetter& type, GreyImage& image) {
  // The rows of the first two lines overlap (kTitleRows), so line 0 ends before line 1's rows
  // begin and line 1 starts after line 0's end. On screen line 2 is drawn 0.08 units higher than
  // the texture suggests, so a margin of about 0.03 on each side of their cut keeps them apart.
  // The lines are drawn 1.5 wide centred at x = 0.35, added to the frame: they show only over the
  // dark dots around the screen centre, so the block is set flush left and ends at u = 0.8
  // (x = 0.8) instead of running out to the right edge.
  constexpr float kLeft = 32.0f, kRight = 0.8f * 1024.0f;
  halftoneRamp(image, 0.07f * 1024, 0.19f * 1024, kLeft, kRight);
  const auto box = [&](float top, float bottom) {
    return TextBox{kLeft, top * 1024.0f, kRight, bottom * 1024.0f};
  };
  TextStyle word{kBold, 150.0f, -0.01f, Align::Left, 1.0f};
  if (!type.drawLine(image, "nightloom", box(0.215f, 0.435f), word)) return false;
  TextStyle sub{kBook, 50.0f, 0.06f, Align::Left, 1.0f};
  if (!type.drawLine(image, "a halftone production", box(0.52f, 0.675f), sub)) return false;
  TextStyle by{kLight, 50.0f, 0.08f, Align::Left, 1.0f};
  return type.drawLine(image, "by the ninefold spindle", box(0.76f, 0.955f), by);
}

// The roll's two bands cross behind the screen centre, both pivoting about (0, 0, -2): band 1
// runs from far left (u = 0) to near right, band 2 mirrors it, and since the roll keeps depth
// writes on and draws band 1 first, band 2 is hidden wherever band 1 lies in front of it, which
// is the whole right half of the screen. At rest the crossing sits at u = 0.394 on band 1 and
// u = 0.606 on band 2, and while they swing in it moves further out (u < 0.394 and u > 0.606),
// so band 1 letters right of u = 0.43 and band 2 letters left of u = 0.56 stay whole and never
// cover each other. Band 1's left part lies behind band 2 and stays empty.
bool drawRoll(Typesetter& type, GreyImage& image) {
  constexpr float kBand1Left = 0.43f * 1024.0f, kBand2Right = 0.56f * 1024.0f;
  const auto box = [](float left, float right, float top, float bottom) {
    return TextBox{left, top * 1024.0f, right, bottom * 1024.0f};
  };
  // Band 1 (kRollRows[0]): the crew, three lines of two names, all at the size of the longest.
  const char* crew[3] = {"tessel  mirevo", "lumenbug  qwill", "ondrae  pixelmoss"};
  TextBox crewBoxes[3];
  TextStyle name{kCondensedBold, 120.0f, 0.03f, Align::Centre, 1.0f};
  float crewCap = name.capHeight;
  for (int i = 0; i < 3; ++i) {
    const float top = 0.299f + float(i) * 0.1263f;  // 0.1143 high, 0.012 apart
    crewBoxes[i] = box(kBand1Left, 1000.0f, top, top + 0.1143f);
    crewCap = std::min(crewCap, type.fittedCapHeight(crew[i], crewBoxes[i], name));
  }
  name.capHeight = crewCap;
  for (int i = 0; i < 3; ++i) {
    if (crewCap <= 0.0f || !type.drawLine(image, crew[i], crewBoxes[i], name)) return false;
  }
  // Band 2 (kRollRows[1]): the group on two lines of one size, to stay in the visible part.
  TextStyle group{kBold, 120.0f, 0.02f, Align::Centre, 1.0f};
  const TextBox first = box(24.0f, kBand2Right, 0.691f, 0.812f);
  const TextBox second = box(24.0f, kBand2Right, 0.822f, 0.939f);
  group.capHeight = type.fittedCapHeight("the ninefold", first, group);
  return group.capHeight > 0.0f && type.drawLine(image, "the ninefold", first, group) &&
         type.drawLine(image, "spindle", second, group);
}

bool drawCredits(Typesetter& type, GreyImage& image) {
  // The two credit lines inside their rows (kCreditRows); the roll's two bands below them.
  TextStyle credit{kBold, 46.0f, 0.02f, Align::Centre, 1.0f};
  if (!type.drawLine(image, "code and visuals by tessel", rowBox(image, 0.022f, 0.128f), credit) ||
      !type.drawLine(image, "music and sound by mirevo", rowBox(image, 0.172f, 0.265f), credit)) {
    return false;
  }
  return drawRoll(type, image);
}

// Greetings are drawn alone, 2.1 units wide at the screen centre, over busy halftone dots: set in
// heavy capitals as tall as the strip allows, condensed where a name would otherwise come out
// more than a tenth smaller.
constexpr const char* kGreetingNames[16] = {
    "velvet oscillator", "paper comets",    "null orchard",  "kestrel arrays",
    "moth and modem",    "sable vectors",   "copper tide",   "lumen rats",
    "static meadow",     "orbit bakery",    "tin cathedral", "glass otters",
    "quartz pigeons",    "hollow scanline", "mint protocol", "northbound pixel"};

// The greetings from `first` on that one texture holds.
bool drawGreets(Typesetter& type, GreyImage& image, int first) {
  // 12 texels clear of each cut: mipmaps at the show's smallest sizes reach about 8.
  constexpr float kMargin = 12.0f / 1024.0f;
  // Strokes thickened by 0.03 em: Bold alone thins out between the dots of the halftone grid.
  constexpr float kGreetWeight = 0.03f;
  for (int i = first; i < first + kGreetingsPerTexture; ++i) {
    const TextureRows& row = kGreetingRows[i];
    std::string name = kGreetingNames[i];
    for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
    const TextBox box = rowBox(image, row.top + kMargin, row.bottom - kMargin, 12.0f);
    TextStyle style{kBold, box.y1 - box.y0, 0.02f, Align::Centre, 1.0f, true, kGreetWeight};
    const float bold = type.fittedCapHeight(name, box, style);
    if (bold <= 0.0f) return false;
    if (bold < 0.9f * (box.y1 - box.y0 - 2.0f)) style.font = kCondensedBold;
    if (!type.drawLine(image, name, box, style)) return false;
  }
  return true;
}

bool drawGreets1(Typesetter& type, GreyImage& image) { return drawGreets(type, image, 0); }

bool drawGreets2(Typesetter& type, GreyImage& image) {
  return drawGreets(type, image, kGreetingsPerTexture);
}

bool drawMessage(Typesetter& type, GreyImage& image) {
  // Drawn whole at a 16:1 size, so texels are square on screen; 10 rows clear top and bottom.
  TextStyle style{kBook, 28.0f, 0.05f, Align::Centre, 1.0f};
  return type.drawLine(image, "thanks for watching  \u00b7  see you at the next party",
                       TextBox{32, 10, 992, 54}, style);
}

// What each texture of the picture table shows.
struct Artwork {
  const char* texture;
  bool (*draw)(Typesetter& type, GreyImage& image);
};

constexpr Artwork kArtworks[] = {{"OVERLAY1", drawOverlay}, {"DOT", drawDot},
                                 {"TITLE", drawTitle},      {"SQUARE", drawSquare},
                                 {"CREDITS", drawCredits},  {"GREETS1", drawGreets1},
                                 {"GREETS2", drawGreets2},  {"MESSAGE", drawMessage}};

const Artwork* artworkOf(const char* texture) {
  for (const Artwork& artwork : kArtworks) {
    if (std::strcmp(artwork.texture, texture) == 0) return &artwork;
  }
  return nullptr;
}

}  // namespace

bool drawPictures(Typesetter& type, std::vector<Picture>& pictures, std::string& error) {
  pictures.clear();
  for (const PictureFile& file : kPictureFiles) {
    const Artwork* artwork = artworkOf(file.texture);
    if (artwork == nullptr) {
      error = std::string("nothing to draw for the texture ") + file.texture;
      return false;
    }
    pictures.push_back({file.file, GreyImage(file.width, file.height)});
    if (!artwork->draw(type, pictures.back().image)) {
      error = type.lastError();
      return false;
    }
  }
  return true;
}
