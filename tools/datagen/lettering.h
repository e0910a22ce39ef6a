// Antialiased lettering for the generated pictures, set with FreeType from the DejaVu fonts.
// Every line is fitted into a box of texels: it never leaves the box, so a strip cut around the
// box never shows a neighbour's letters.
#pragma once

#include <memory>
#include <string>

#include "tools/datagen/grey_image.h"

struct TextBox {
  float x0, y0, x1, y1;  // texels; the ink stays inside [x0, x1) x [y0, y1)
};

enum class Align { Left, Centre, Right };

struct TextStyle {
  std::string font;        // file name inside the font directory, e.g. "DejaVuSans-Bold.ttf"
  float capHeight = 0.0f;  // wanted height of a capital in texels; shrunk when the line overflows
  float tracking = 0.0f;   // extra space between letters, in ems
  Align align = Align::Centre;
  float level = 1.0f;  // grey of the ink, 0..1
  // Centre the line's own ink in the box instead of the capitals-and-descenders band: lines set
  // in capitals then use the box's full height.
  bool centreInk = false;
  float weight = 0.0f;  // extra stroke thickness in ems, for lettering that must be heavier still
};

class Typesetter {
 public:
  Typesetter();
  ~Typesetter();
  Typesetter(const Typesetter&) = delete;
  Typesetter& operator=(const Typesetter&) = delete;

  // False with `error` set when FreeType or a font of `fontDirectory` cannot be opened.
  bool open(const std::string& fontDirectory);
  // Draws one line (UTF-8) inside `box`, capitals `style.capHeight` high where they fit, set on a
  // baseline that centres the capitals-and-descenders band (or, with `centreInk`, the line's own
  // ink) in the box. False on a font error.
  bool drawLine(GreyImage& image, const std::string& text, const TextBox& box,
                const TextStyle& style);
  // Height in texels of a capital once `text` is fitted into `box` (no drawing); 0 on a font
  // error, with `error` set.
  float fittedCapHeight(const std::string& text, const TextBox& box, const TextStyle& style);
  const std::string& lastError() const { return error; }

 private:
  struct State;
  struct Fit;
  bool fit(const std::string& text, const TextBox& box, const TextStyle& style, Fit& out);
  std::unique_ptr<State> state;
  std::string error;
};
